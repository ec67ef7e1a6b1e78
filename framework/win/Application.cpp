#include "framework/win/Application.h"

#include <commctrl.h>

#include "framework/win/MessageLoop.h"

namespace {
TApplication theApplication;
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
