#include "framework/win/Dpi.h"

namespace {

typedef UINT(WINAPI* GetDpiForWindowFn)(HWND);

// Looked up at run time: older systems (Windows 7, 8) lack the call.
GetDpiForWindowFn LookUpGetDpiForWindow() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (!user32) return nullptr;
    FARPROC proc = GetProcAddress(user32, "GetDpiForWindow");
    return reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(proc));
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

int DpiOfWindow(HWND window) {
    static const GetDpiForWindowFn getDpiForWindow = LookUpGetDpiForWindow();
    if (window && getDpiForWindow) {
        UINT dpi = getDpiForWindow(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}
