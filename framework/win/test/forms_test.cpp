// Forms and controls as the system shows them: designed layout scaled to the
// window's dpi, fonts, tab order, texts, and the modal loop. Needs a display
// (Xvfb under Wine).
#include "framework/win/Forms.h"

#include <gtest/gtest.h>

#include "framework/Exception.h"
#include "framework/win/Controls.h"
#include "framework/win/Dpi.h"

namespace {

const TFormLayout kLayout = {"TFormsTestForm", "Forms test", 100, 120, 300, 200};
// Created in this order; the tab order differs on purpose.
const TControlLayout kLabel = {101, 8, 8, 100, 13, "Label text", 0, kNoTabStop};
const TControlLayout kEdit = {102, 8, 30, 120, 21, "", 0, 2};
const TControlLayout kMemo = {103, 8, 60, 200, 60, "", WS_VSCROLL, 0};
const TControlLayout kOk = {104, 8, 130, 75, 25, "OK", 0, 1};
const TControlLayout kOther = {105, 100, 130, 75, 25, "Other", 0, 3};

class TTestForm : public TForm {
public:
    TTestForm() : TForm(kLayout) {
        Label = AddControl<TLabel>(kLabel);
        Edit = AddControl<TEdit>(kEdit);
        Memo = AddControl<TMemo>(kMemo);
        Ok = AddControl<TButton>(kOk);
        Other = AddControl<TButton>(kOther);
        Ok->ModalResult = mrOk;
    }
    TLabel* Label;
    TEdit* Edit;
    TMemo* Memo;
    TButton* Ok;
    TButton* Other;
};

RECT ClientRectOf(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectPlaced(const TForm& form, const TControl& control, const TControlLayout& layout) {
    const int dpi = form.Dpi();
    const RECT rect = ClientRectOf(control.Handle());
    EXPECT_EQ(rect.left, ScaleToDpi(layout.left, dpi)) << layout.text;
    EXPECT_EQ(rect.top, ScaleToDpi(layout.top, dpi)) << layout.text;
    EXPECT_EQ(rect.right - rect.left, ScaleToDpi(layout.width, dpi)) << layout.text;
    EXPECT_EQ(rect.bottom - rect.top, ScaleToDpi(layout.height, dpi)) << layout.text;
    EXPECT_EQ(GetDlgCtrlID(control.Handle()), layout.id) << layout.text;
    const bool tabStop = (GetWindowLongA(control.Handle(), GWL_STYLE) & WS_TABSTOP) != 0;
    EXPECT_EQ(tabStop, layout.tabOrder != kNoTabStop) << layout.text;
}

LOGFONTA FontOf(HWND window) {
    LOGFONTA font = {};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    GetObjectA(handle, sizeof(font), &font);
    return font;
}

// The designed outer frame scaled to the dpi, the controls where the layout
// says, the form's font unless a control has its own, and the tab order of
// the layout, not of creation.
TEST(Form, ShowsTheDesignedLayoutFontsAndTabOrder) {
    TTestForm form;
    ASSERT_NE(form.Handle(), nullptr);
    const int dpi = form.Dpi();
    EXPECT_EQ(dpi, DpiOfWindow(form.Handle()));
    RECT rect;
    GetWindowRect(form.Handle(), &rect);
    EXPECT_EQ(rect.left, ScaleToDpi(100, dpi));
    EXPECT_EQ(rect.top, ScaleToDpi(120, dpi));
    EXPECT_EQ(rect.right - rect.left, ScaleToDpi(300, dpi));
    EXPECT_EQ(rect.bottom - rect.top, ScaleToDpi(200, dpi));

    char text[64] = {};
    GetClassNameA(form.Handle(), text, sizeof(text));
    EXPECT_STREQ(text, "TFormsTestForm");
    GetWindowTextA(form.Handle(), text, sizeof(text));
    EXPECT_STREQ(text, "Forms test");
    const LONG style = GetWindowLongA(form.Handle(), GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    ExpectPlaced(form, *form.Label, kLabel);
    ExpectPlaced(form, *form.Edit, kEdit);
    ExpectPlaced(form, *form.Memo, kMemo);
    ExpectPlaced(form, *form.Ok, kOk);
    ExpectPlaced(form, *form.Other, kOther);
    EXPECT_TRUE(GetWindowLongA(form.Memo->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_TRUE(GetWindowLongA(form.Memo->Handle(), GWL_STYLE) & ES_WANTRETURN);
    EXPECT_FALSE(GetWindowLongA(form.Memo->Handle(), GWL_STYLE) & WS_HSCROLL);
    form.Memo->SetFont("MS Sans Serif", -13);
    const LOGFONTA edit = FontOf(form.Edit->Handle());
    EXPECT_STREQ(edit.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(edit.lfHeight, ScaleToDpi(-11, form.Dpi()));
    EXPECT_EQ(edit.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(FontOf(form.Label->Handle()).lfHeight, ScaleToDpi(-11, form.Dpi()));
    EXPECT_EQ(FontOf(form.Memo->Handle()).lfHeight, ScaleToDpi(-13, form.Dpi()));
    form.Show();
    HWND at = nullptr;  // the last one wraps round to the first
    for (const TControl* next :
         std::initializer_list<const TControl*>{form.Memo, form.Ok, form.Edit, form.Other, form.Memo}) {
        at = GetNextDlgTabItem(form.Handle(), at, FALSE);
        EXPECT_EQ(at, next->Handle()) << GetDlgCtrlID(at);
    }
}

TEST(Controls, TextsAreReplacedWhole) {
    TTestForm form;
    EXPECT_EQ(form.Label->GetText(), "Label text");
    EXPECT_EQ(form.Edit->GetText(), "");
    form.Edit->SetText("C:\\out\\a%sb.xml");
    EXPECT_EQ(form.Edit->GetText(), "C:\\out\\a%sb.xml");
    form.Edit->SetText("");
    EXPECT_EQ(form.Edit->GetText(), "");
    form.Memo->SetLines({"one ", "", "three"});
    EXPECT_EQ(form.Memo->GetText(), "one \r\n\r\nthree");
    form.Memo->SetText("single");
    EXPECT_EQ(form.Memo->GetText(), "single");
}

void PostClick(const TButton& button) {
    PostMessageA(GetParent(button.Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button.Handle()), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button.Handle()));
}

TEST(ShowModal, EndsWithTheButtonsResultOrCancelFromTheCloseBox) {
    TTestForm form;
    PostClick(*form.Ok);
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(form.ModalResult, mrOk);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    PostMessageA(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(form.ShowModal(), mrCancel);
    ASSERT_NE(form.Handle(), nullptr);  // closed, not destroyed: it can be shown again
    PostClick(*form.Ok);
    EXPECT_EQ(form.ShowModal(), mrOk);
}

TEST(ShowModal, OtherWindowsAreDisabledWhileItRunsAndEnabledAfter) {
    TTestForm other;
    other.Show();
    TTestForm modal;
    int clicks = 0;
    bool otherEnabledDuringClick = true;
    modal.Other->OnClick = [&](TObject* sender) {
        ++clicks;
        EXPECT_EQ(sender, modal.Other);
        otherEnabledDuringClick = IsWindowEnabled(other.Handle()) != FALSE;
    };
    PostClick(*modal.Other);  // no modal result: the loop goes on
    PostClick(*modal.Ok);
    EXPECT_EQ(modal.ShowModal(), mrOk);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(otherEnabledDuringClick);
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
}

TEST(ShowModal, AVisibleWindowCannotBeMadeModal) {
    TTestForm form;
    form.Show();
    EXPECT_THROW(form.ShowModal(), Exception);
}

TEST(Form, DestroyingTheObjectDestroysTheWindow) {
    HWND handle;
    {
        TTestForm form;
        handle = form.Handle();
        EXPECT_TRUE(IsWindow(handle));
    }
    EXPECT_FALSE(IsWindow(handle));
}

}  // namespace
