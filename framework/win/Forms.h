// A top-level window built from a designed layout: caption, outer frame at
// 96 dpi, the framework's font and button-face background, resizable frame
// with system menu, minimise, maximise and close boxes.
#pragma once

#include <memory>
#include <vector>

#include "framework/win/Classes.h"
#include "framework/win/Controls.h"
#include "framework/win/GdiHandles.h"
#include "platform/winapi.h"

struct TFormLayout {
    const char* windowClass;  // the registered class name, stable for tools that look for the window
    const char* caption;
    int left, top, width, height;  // outer frame, screen pixels at 96 dpi
};

class TForm : public TObject, public TControlParent {
public:
    explicit TForm(const TFormLayout& layout);
    ~TForm() override;

    // Null once the window has been destroyed.
    HWND Handle() const override { return handle_; }
    int Dpi() const override { return dpi_; }
    HFONT Font() const override { return font_.get(); }
    void SetModalResult(TModalResult result) override { ModalResult = result; }

    void Show(int showCommand = SW_SHOW);
    void Hide();
    // Shows the window modal to the other windows of the thread and waits
    // until it closes; returns its modal result (the close box gives mrCancel).
    TModalResult ShowModal();

    // Setting a result other than mrNone ends ShowModal.
    TModalResult ModalResult = mrNone;
    // The control that has the focus when the window is first activated.
    TControl* ActiveControl = nullptr;

protected:
    template <class T>
    T* AddControl(const TControlLayout& layout) {
        auto control = std::make_unique<T>(*this, layout);
        T* result = control.get();
        controls_.push_back(std::move(control));
        return result;
    }

private:
    static void RegisterWindowClass(const char* windowClass);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnCommand(WORD code, HWND control);
    void OnClose();
    void OnDestroy();
    void OnActivate(WORD state);
    void OnSetFocus();
    void OnNextDlgCtl(WPARAM target, bool isHandle);

    void PrepareFirstShow();
    // Gives the focus to the control that last had it, else the designed one.
    bool FocusControl();

    HWND handle_ = nullptr;
    int dpi_;
    TFontHandle font_;
    std::vector<std::unique_ptr<TControl>> controls_;
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    bool prepared_ = false;
};
