// The pure parts of the standard dialogs: the option set, filter text, the
// chosen name's ANSI form, message box styles, and the dpi scaling of
// designed sizes.
#include "framework/win/Dialogs.h"

#include <gtest/gtest.h>

#include "framework/Exception.h"
#include "framework/win/Dpi.h"
#include "framework/win/MessageDlg.h"

namespace {

// The first set is the export's save dialog's.
TEST(OpenOptions, TheSetGivesTheFlagsOfItsOptions) {
    EXPECT_EQ(OpenOptionFlags({ofOverwritePrompt, ofPathMustExist}),
              static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST));
    EXPECT_EQ(OpenOptionFlags({ofHideReadOnly}), static_cast<DWORD>(OFN_HIDEREADONLY));
    EXPECT_EQ(OpenOptionFlags({}), 0u);
}

// ポ (83 7C) and 四 (A5 7C): the second byte is no bar. The rows of a
// double-byte code page run where it is in effect (the code-page runs).
TEST(CommonDialogFilter, BarsBecomeNulsWithADoubleNulAtTheEnd) {
    const struct {
        UINT codePage;  // 0: any
        AnsiString filter;
        std::wstring expected;
    } cases[] = {
        {0, "XML files (*.xml)|*.xml", std::wstring(L"XML files (*.xml)\0*.xml\0\0", 25)},
        {0, "XML|*.xml|All|*.*", std::wstring(L"XML\0*.xml\0All\0*.*\0\0", 19)},
        {0, "", L""},
        {932, "\x83\x7C|*.xml", std::wstring(L"\u30DD\0*.xml\0\0", 9)},
        {950, "\xA5\x7C|*.xml", std::wstring(L"\u56DB\0*.xml\0\0", 9)},
    };
    for (const auto& c : cases) {
        if (c.codePage == 0 || c.codePage == GetACP()) {
            EXPECT_EQ(CommonDialogFilter(c.filter), c.expected) << c.codePage << " " << c.filter.size();
        }
    }
}

// Why the save dialog takes the chosen name in UTF-16: the ANSI form the
// system makes of it unasked is a look-alike, another file's name, and
// nothing says so.
TEST(ChosenName, TheSystemsOwnAnsiFormIsALookAlike) {
    if (GetACP() != 1252) GTEST_SKIP() << "for 1252";
    const std::wstring typed = L"\u03A9mega.xml";
    char ansi[16] = {};
    BOOL usedDefault = TRUE;
    const int size =
        WideCharToMultiByte(CP_ACP, 0, typed.data(), int(typed.size()), ansi, sizeof ansi, nullptr, &usedDefault);
    EXPECT_EQ(std::string(ansi, size > 0 ? size : 0), "Omega.xml");
    EXPECT_FALSE(usedDefault);
}

TEST(MessageDlgStyle, TypeGivesTheIconAndButtonsTheSetOrTheSetIsRefused) {
    const struct {
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        UINT style;
    } cases[] = {
        {mtError, {mbOK}, MB_OK | MB_ICONERROR},
        {mtInformation, {mbOK}, MB_OK | MB_ICONINFORMATION},
        {mtConfirmation, {mbYes, mbNo}, MB_YESNO | MB_ICONQUESTION},
        {mtWarning, {mbOK, mbCancel}, MB_OKCANCEL | MB_ICONWARNING},
        {mtConfirmation, {mbYes, mbNo, mbCancel}, MB_YESNOCANCEL | MB_ICONQUESTION},
    };
    for (const auto& c : cases) EXPECT_EQ(MessageDlgStyle(c.type, c.buttons), c.style) << c.style;
    // Sets the box cannot show.
    EXPECT_THROW(MessageDlgStyle(mtError, {mbYes}), Exception);
    EXPECT_THROW(MessageDlgStyle(mtError, {}), Exception);
}

TEST(ScaleToDpi, ScalesFromNinetySixDpiRounded) {
    // {value, dpi, expected}
    const int cases[][3] = {{522, 96, 522},  {522, 144, 783}, {457, 144, 686}, {13, 144, 20},
                            {-11, 144, -17}, {-13, 120, -16}, {21, 192, 42}};
    for (const auto& c : cases) EXPECT_EQ(ScaleToDpi(c[0], c[1]), c[2]) << c[0] << " at " << c[1] << " dpi";
}

}  // namespace
