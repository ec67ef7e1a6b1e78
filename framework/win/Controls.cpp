#include "framework/win/Controls.h"

#include "framework/Exception.h"
#include "framework/SysUtils.h"
#include "framework/win/Dpi.h"

TControl::TControl(TControlParent& parent, const TControlLayout& layout, const char* windowClass, DWORD style,
                   DWORD exStyle)
    : parent_(parent), tabOrder_(layout.tabOrder) {
    const int dpi = parent.Dpi();
    DWORD fullStyle = WS_CHILD | WS_VISIBLE | style | layout.style;
    if (layout.tabOrder != kNoTabStop) fullStyle |= WS_TABSTOP;
    handle_ = CreateWindowExA(
        exStyle, windowClass, layout.text, fullStyle, ScaleToDpi(layout.left, dpi), ScaleToDpi(layout.top, dpi),
        ScaleToDpi(layout.width, dpi), ScaleToDpi(layout.height, dpi), parent.Handle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), GetModuleHandleA(nullptr), nullptr);
    if (!handle_) {
        DWORD error = GetLastError();
        throw Exception(
            Format("Cannot create the control \"%s\" (0x%lx): %s", layout.text, error, SysErrorMessage(error).c_str()));
    }
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(parent.Font()), FALSE);
}

// The window itself goes with its form's window.
TControl::~TControl() = default;

void TControl::SetText(const AnsiString& text) {
    SetWindowTextA(handle_, text.c_str());
}

AnsiString TControl::GetText() const {
    int length = GetWindowTextLengthA(handle_);
    AnsiString text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(handle_, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void TControl::SetFont(const char* face, int height) {
    ownFont_.Reset(CreateDesignedFont(face, height, parent_.Dpi()));
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(ownFont_.get()), TRUE);
}

void TControl::Notify(WORD) {}

// BS_NOTIFY: the button marks itself as the default while it has the focus,
// so that Enter presses it as Space does.
TButton::TButton(TControlParent& parent, const TControlLayout& layout)
    : TControl(parent, layout, "BUTTON", BS_PUSHBUTTON | BS_NOTIFY, 0) {}

void TButton::Click() {
    if (ModalResult != mrNone) parent_.SetModalResult(ModalResult);
    if (OnClick) OnClick(this);
}

void TButton::Notify(WORD code) {
    switch (code) {
        case BN_CLICKED:
            Click();
            break;
        case BN_SETFOCUS:
            SendMessageA(Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
            break;
        case BN_KILLFOCUS:
            SendMessageA(Handle(), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
            break;
    }
}

TMemo::TMemo(TControlParent& parent, const TControlLayout& layout)
    : TControl(parent, layout, "EDIT", ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE) {}

void TMemo::SetLines(std::initializer_list<const char*> lines) {
    AnsiString text;
    bool first = true;
    for (const char* line : lines) {
        if (!first) text += "\r\n";
        text += line;
        first = false;
    }
    SetText(text);
}

TEdit::TEdit(TControlParent& parent, const TControlLayout& layout)
    : TControl(parent, layout, "EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE) {}

TLabel::TLabel(TControlParent& parent, const TControlLayout& layout) : TControl(parent, layout, "STATIC", SS_LEFT, 0) {}
