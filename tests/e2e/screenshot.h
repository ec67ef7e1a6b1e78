// Pictures of windows as the screen shows them, kept as test output.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Owner.h"

// The whole screen's device context, released when the owner goes.
inline void ReleaseScreenDC(HDC dc) {
    ReleaseDC(nullptr, dc);
}
using TScreenDC = TOwner<HDC, &ReleaseScreenDC>;

// Saves what the screen shows in `area` as a 24-bit BMP file at `path`.
bool SaveScreenArea(const RECT& area, const std::string& path);

// Saves the screen area of `window` as `name`.bmp in the build's shot
// folder, painted first; the file's path, or empty when it could not be written.
std::string SaveScreenshot(HWND window, const std::string& name);
