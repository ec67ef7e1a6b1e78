// Designed positions, sizes and font heights are given at 96 dpi; these
// helpers scale them to the dots per inch the window really has.
#pragma once

#include "platform/winapi.h"

constexpr int kDesignDpi = 96;

// The dpi of `window` (GetDpiForWindow where the system has it), or of the
// screen when `window` is null or the call is missing.
int DpiOfWindow(HWND window);

inline int ScaleToDpi(int value, int dpi) {
    return MulDiv(value, dpi, kDesignDpi);
}
