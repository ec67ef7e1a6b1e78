#include "framework/win/MessageLoop.h"

#include "framework/SysUtils.h"

namespace {

HWND mainWindow = nullptr;

// The program file's base name, the caption of the exception box.
AnsiString ApplicationTitle() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    AnsiString title(path, length < MAX_PATH ? length : 0);
    size_t slash = LastDelimiter("\\/:", title);
    if (slash != AnsiString::npos) title.erase(0, slash + 1);
    size_t dot = LastDelimiter(".", title);
    if (dot != AnsiString::npos && dot > 0) title.erase(dot);
    return title;
}

}  // namespace

HWND MainWindow() {
    return mainWindow;
}

void SetMainWindow(HWND window) {
    mainWindow = window;
}

HWND DialogOwner() {
    HWND active = GetActiveWindow();
    return active ? active : mainWindow;
}

void ProcessMessage(MSG& message) {
    // Escape ends none of the program's windows. Under the dialog manager a
    // multi-line edit answers it by posting WM_CLOSE to its window, which
    // would end the notice window.
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) return;
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageA(root, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void ShowExceptionBox(const Exception& exception) {
    const AnsiString title = ApplicationTitle();
    MessageBoxA(DialogOwner(), exception.Message().c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}
