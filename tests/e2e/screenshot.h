// Pictures of windows as the screen shows them, kept as test output.
#pragma once

#include <windows.h>

#include <string>

// Saves the screen area of `window` as `name`.bmp (24 bits) in the build's
// shot folder; the file's path, or empty when it could not be written.
std::string SaveScreenshot(HWND window, const std::string& name);
