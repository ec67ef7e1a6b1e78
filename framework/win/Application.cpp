#include "framework/win/Application.h"

#include <commctrl.h>

#include "framework/SysUtils.h"

namespace {
TApplication theApplication;

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

// An address constant: set before any code runs.
TApplication* Application = &theApplication;

TApplication::~TApplication() {
    // Later forms may be owned by the main window: destroy them first.
    while (!forms_.empty()) forms_.pop_back();
}

void TApplication::Initialize() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

void TApplication::AddForm(std::unique_ptr<TForm> form) {
    if (!mainForm_) mainForm_ = form.get();
    forms_.push_back(std::move(form));
}

void TApplication::Run() {
    if (!mainForm_ || !mainForm_->Handle()) return;
    mainForm_->Show(SW_SHOWDEFAULT);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) ProcessMessage(message);
}

void TApplication::ProcessMessage(MSG& message) {
    // Escape ends none of the program's windows. Under the dialog manager a
    // multi-line edit answers it by posting WM_CLOSE to its window, which
    // would end the notice window.
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) return;
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageA(root, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

HWND TApplication::DialogOwner() const {
    HWND active = GetActiveWindow();
    if (active) return active;
    return mainForm_ ? mainForm_->Handle() : nullptr;
}

void TApplication::ShowException(const Exception& exception) {
    const AnsiString title = ApplicationTitle();
    MessageBoxA(DialogOwner(), exception.Message().c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}
