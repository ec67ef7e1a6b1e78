#include "framework/win/Application.h"

#include <commctrl.h>

#include "framework/win/MessageLoop.h"

namespace {

TApplication theApplication;

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);

// A DLL named without a path is looked for in the program's folder first: one
// planted beside the program (a download's folder) would run inside it, for
// instance when the file dialog loads its helpers. Only the system folder is
// searched from here on.
void LimitDllSearchToSystemFolder() {
    // Looked up at run time: Windows 7 has the call only with its updates,
    // and a program that imports it would not start there at all.
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel32 ? GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
    auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(proc));
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least the current folder leaves the search.
    SetDllDirectoryA("");
}

}  // namespace

// An address constant: set before any code runs.
TApplication* Application = &theApplication;

TApplication::~TApplication() {
    // Later forms may be owned by the main window: destroy them first.
    while (!forms_.empty()) forms_.pop_back();
}

void TApplication::Initialize() {
    // Before anything can load a DLL.
    LimitDllSearchToSystemFolder();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

void TApplication::AddForm(std::unique_ptr<TForm> form) {
    if (!mainForm_) {
        mainForm_ = form.get();
        SetMainWindow(form->Handle());
    }
    forms_.push_back(std::move(form));
}

void TApplication::Run() {
    if (!mainForm_ || !mainForm_->Handle()) return;
    mainForm_->Show(SW_SHOWDEFAULT);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) ProcessMessage(message);
}

void TApplication::ShowException(const Exception& exception) {
    ShowExceptionBox(exception);
}
