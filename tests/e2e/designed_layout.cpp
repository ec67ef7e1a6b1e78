#include "designed_layout.h"

#include <gtest/gtest.h>

int Scaled(int designed) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MulDiv(designed, dpi, 96);
}

void ExpectRect(const RECT& actual, const TDesignedRect& designed, const char* what) {
    EXPECT_EQ(actual.left, Scaled(designed.left)) << what;
    EXPECT_EQ(actual.top, Scaled(designed.top)) << what;
    EXPECT_EQ(actual.right - actual.left, Scaled(designed.width)) << what;
    EXPECT_EQ(actual.bottom - actual.top, Scaled(designed.height)) << what;
}
