// Child controls of a form, each created from a small description so that a
// form's layout reads as a table.
#pragma once

#include <initializer_list>

#include "framework/AnsiString.h"
#include "framework/win/Classes.h"
#include "framework/win/GdiHandles.h"
#include "platform/winapi.h"

// Results of a modal window, equal to the dialog-box command identifiers.
typedef int TModalResult;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

constexpr int kNoTabStop = -1;

// One control of a designed layout. Positions and sizes are in pixels at
// 96 dpi, relative to the form's client area.
struct TControlLayout {
    int id;  // control identifier; keep clear of IDOK and IDCANCEL
    int left, top, width, height;
    const char* text;
    DWORD style;   // window styles added to the control's own
    int tabOrder;  // position in the Tab sequence, or kNoTabStop
};

// What a control asks of the window it sits in (a form): the window to be a
// child of, the dpi and font to lay itself out with, and the result that
// ends a modal run.
class TControlParent {
public:
    virtual HWND Handle() const = 0;
    virtual int Dpi() const = 0;
    virtual HFONT Font() const = 0;
    virtual void SetModalResult(TModalResult result) = 0;

protected:
    ~TControlParent() = default;
};

class TControl : public TObject {
public:
    TControl(TControlParent& parent, const TControlLayout& layout, const char* windowClass, DWORD style, DWORD exStyle);
    ~TControl() override;

    HWND Handle() const { return handle_; }
    int TabOrder() const { return tabOrder_; }

    void SetText(const AnsiString& text);
    AnsiString GetText() const;
    // Gives the control its own font instead of the form's; height at 96 dpi.
    void SetFont(const char* face, int height);

    // A notification (WM_COMMAND code) from the control to its form.
    virtual void Notify(WORD code);

protected:
    TControlParent& parent_;

private:
    HWND handle_ = nullptr;
    int tabOrder_;
    TFontHandle ownFont_;
};

class TButton : public TControl {
public:
    TButton(TControlParent& parent, const TControlLayout& layout);

    void Click();
    void Notify(WORD code) override;

    TNotifyEvent OnClick;
    // Closes a modal form with this result when the button is clicked.
    TModalResult ModalResult = mrNone;
};

// Multi-line text; wraps words, Enter makes a new line. Add WS_VSCROLL to
// the layout's style for a vertical scroll bar.
class TMemo : public TControl {
public:
    TMemo(TControlParent& parent, const TControlLayout& layout);

    // Replaces the whole text with `lines` joined by CR LF.
    void SetLines(std::initializer_list<const char*> lines);
};

class TEdit : public TControl {
public:
    TEdit(TControlParent& parent, const TControlLayout& layout);
};

class TLabel : public TControl {
public:
    TLabel(TControlParent& parent, const TControlLayout& layout);
};
