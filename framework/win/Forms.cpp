#include "framework/win/Forms.h"

#include <algorithm>

#include "framework/Exception.h"
#include "framework/SysUtils.h"
#include "framework/win/Dpi.h"
#include "framework/win/MessageLoop.h"

namespace {

const char* const kFormFontFace = "MS Sans Serif";
constexpr int kFormFontHeight = -11;

// Disables the enabled, visible top-level windows of the thread except one,
// and enables them again when it goes.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND except) : except_(except) {
        EnumThreadWindows(GetCurrentThreadId(), &TDisabledWindows::Collect, reinterpret_cast<LPARAM>(this));
        for (HWND window : windows_) EnableWindow(window, FALSE);
    }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;
    ~TDisabledWindows() {
        for (HWND window : windows_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
    }

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self) {
        auto* disabled = reinterpret_cast<TDisabledWindows*>(self);
        if (window != disabled->except_ && IsWindowVisible(window) && IsWindowEnabled(window))
            disabled->windows_.push_back(window);
        return TRUE;
    }

    HWND except_;
    std::vector<HWND> windows_;
};

// Marks a form as modal for the life of the scope.
class TModalFlag {
public:
    explicit TModalFlag(bool& flag) : flag_(flag) { flag_ = true; }
    TModalFlag(const TModalFlag&) = delete;
    TModalFlag& operator=(const TModalFlag&) = delete;
    ~TModalFlag() { flag_ = false; }

private:
    bool& flag_;
};

AnsiString LastErrorText() {
    DWORD error = GetLastError();
    return Format("0x%lx: %s", error, SysErrorMessage(error).c_str());
}

}  // namespace

void TForm::RegisterWindowClass(const char* windowClass) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA info = {};
    info.cbSize = sizeof(info);
    if (GetClassInfoExA(instance, windowClass, &info)) return;
    info.style = CS_DBLCLKS;
    info.lpfnWndProc = &TForm::WindowProc;
    info.hInstance = instance;
    info.hIcon = LoadIconA(instance, "MAINICON");
    info.hIconSm = static_cast<HICON>(LoadImageA(instance, "MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    info.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    info.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    info.lpszClassName = windowClass;
    if (!RegisterClassExA(&info))
        throw Exception(Format("Cannot register the window class %s (%s)", windowClass, LastErrorText().c_str()));
}

TForm::TForm(const TFormLayout& layout) : dpi_(DpiOfWindow(nullptr)) {
    RegisterWindowClass(layout.windowClass);
    // Every window after the main one belongs to it: it stays above it and
    // has no taskbar button of its own.
    HWND owner = MainWindow();
    font_.Reset(CreateDesignedFont(kFormFontFace, kFormFontHeight, dpi_));
    CreateWindowExA(0, layout.windowClass, layout.caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                    ScaleToDpi(layout.left, dpi_), ScaleToDpi(layout.top, dpi_), ScaleToDpi(layout.width, dpi_),
                    ScaleToDpi(layout.height, dpi_), owner, nullptr, GetModuleHandleA(nullptr), this);
    if (!handle_)
        throw Exception(Format("Cannot create the window \"%s\" (%s)", layout.caption, LastErrorText().c_str()));
    // On a monitor of another dpi the window has its own; lay it out for that.
    const int windowDpi = DpiOfWindow(handle_);
    if (windowDpi != dpi_) {
        dpi_ = windowDpi;
        font_.Reset(CreateDesignedFont(kFormFontFace, kFormFontHeight, dpi_));
        SetWindowPos(handle_, nullptr, ScaleToDpi(layout.left, dpi_), ScaleToDpi(layout.top, dpi_),
                     ScaleToDpi(layout.width, dpi_), ScaleToDpi(layout.height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

TForm::~TForm() {
    // The window goes before the controls and fonts it uses.
    if (handle_) DestroyWindow(handle_);
}

void TForm::Show(int showCommand) {
    if (!handle_) return;
    PrepareFirstShow();
    ShowWindow(handle_, showCommand);
}

void TForm::Hide() {
    if (handle_) ShowWindow(handle_, SW_HIDE);
}

TModalResult TForm::ShowModal() {
    if (!handle_ || modal_ || IsWindowVisible(handle_)) throw Exception("Cannot make a visible window modal");
    ModalResult = mrNone;
    {
        TModalFlag modal(modal_);
        TDisabledWindows others(handle_);
        Show();
        while (ModalResult == mrNone && handle_) {
            MSG message;
            BOOL got = GetMessageA(&message, nullptr, 0, 0);
            if (got <= 0) {
                // The application is quitting: leave, and let the outer loop see it.
                if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
                break;
            }
            ProcessMessage(message);
        }
        // The others come back before this window hides, so that the
        // activation returns to them.
    }
    Hide();
    if (ModalResult == mrNone) ModalResult = mrCancel;
    return ModalResult;
}

// Tab order is z-order: the tab stops go to the bottom in their order, and
// the controls without a tab stop stay above them as created.
void TForm::PrepareFirstShow() {
    if (prepared_) return;
    prepared_ = true;
    std::vector<TControl*> tabStops;
    for (const auto& control : controls_)
        if (control->TabOrder() != kNoTabStop) tabStops.push_back(control.get());
    std::stable_sort(tabStops.begin(), tabStops.end(),
                     [](const TControl* a, const TControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TControl* control : tabStops)
        SetWindowPos(control->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK TForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        form->handle_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!form) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        if (MainWindow() == window) SetMainWindow(nullptr);
        form->handle_ = nullptr;
        form->lastFocus_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // No exception may cross into the system's code that called us.
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (const Exception& exception) {
        ShowExceptionBox(exception);
    } catch (const std::exception& exception) {
        ShowExceptionBox(Exception(exception.what()));
    } catch (...) {
        ShowExceptionBox(Exception("An unexpected failure occurred."));
    }
    return 0;
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam) {
                OnCommand(HIWORD(wParam), reinterpret_cast<HWND>(lParam));
                return 0;
            }
            break;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam));
            return 0;
        case WM_SETFOCUS:
            OnSetFocus();
            return 0;
        case WM_NEXTDLGCTL:
            OnNextDlgCtl(wParam, LOWORD(lParam) != 0);
            return 0;
    }
    return DefWindowProcA(handle_, message, wParam, lParam);
}

void TForm::OnCommand(WORD code, HWND control) {
    for (const auto& candidate : controls_) {
        if (candidate->Handle() == control) {
            candidate->Notify(code);
            return;
        }
    }
}

void TForm::OnClose() {
    if (modal_)
        ModalResult = mrCancel;
    else if (MainWindow() == handle_)
        DestroyWindow(handle_);
    else
        Hide();
}

void TForm::OnDestroy() {
    if (MainWindow() == handle_) PostQuitMessage(0);
}

// The focus leaves with the activation and comes back to the same control.
void TForm::OnActivate(WORD state) {
    if (state == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(handle_, focus)) lastFocus_ = focus;
        return;
    }
    if (!IsIconic(handle_) && !FocusControl()) SetFocus(handle_);
}

void TForm::OnSetFocus() {
    FocusControl();
}

// A multi-line edit asks for this on Tab, as it would in a dialog box.
void TForm::OnNextDlgCtl(WPARAM target, bool isHandle) {
    HWND next = isHandle ? reinterpret_cast<HWND>(target) : GetNextDlgTabItem(handle_, GetFocus(), target != 0);
    if (!next) return;
    SetFocus(next);
    if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(next, EM_SETSEL, 0, -1);
}

bool TForm::FocusControl() {
    HWND target = nullptr;
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(handle_, lastFocus_))
        target = lastFocus_;
    else if (ActiveControl)
        target = ActiveControl->Handle();
    else
        target = GetNextDlgTabItem(handle_, nullptr, FALSE);
    if (!target || !IsWindowEnabled(target) || !IsWindowVisible(target)) return false;
    SetFocus(target);
    return true;
}
