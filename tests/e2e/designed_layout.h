// The designed layout (pixels at 96 dpi) as it must appear on the screen the
// tests run on.
#pragma once

#include <windows.h>

struct TDesignedRect {
    int left, top, width, height;
};

// A designed length on this screen.
int Scaled(int designed);
// Checks `actual` against the designed rectangle; `what` names it in failures.
void ExpectRect(const RECT& actual, const TDesignedRect& designed, const char* what);
