// The main window as the user first sees it: frame, controls, texts, tab
// order and focus; the keyboard's way to the command; text typed into it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_driver.h"
#include "e2e_fixture.h"
#include "screenshot.h"
#include "window_query.h"
#include "work_folder.h"

namespace {

const char kMemoText[] =
    "The purpose of this program is to be able to copy the settings used by the Calderine ORVEX \r\n"
    "software into a file. That file can then be copied to a new installation or a new computer and \r\n"
    "copied into the computer registry of the new site.\r\n"
    "\r\n"
    "When the button below is pushed, a dialog window will open asking you for a file name and \r\n"
    "location for the file about to be created, like saving a word processing file.\r\n"
    "\r\n"
    "If the file is successfully saved, the location of the file will show up below the button. You may \r\n"
    "copy that file name to use in an email as a file attachment.";

LONG StyleOf(HWND window) {
    return GetWindowLongA(window, GWL_STYLE);
}

class MainWindow : public TEndToEndTest {};

TEST_F(MainWindow, FrameControlsAndTextsAsDesigned) {
    ASSERT_TRUE(Launch());
    TRegScanApp& app = App();
    EXPECT_FALSE(SaveScreenshot(app.MainWindow(), "main-window").empty());

    RECT frame = {};
    GetWindowRect(app.MainWindow(), &frame);
    ExpectRect(frame, {406, 111, 522, 457}, "outer frame");
    EXPECT_EQ(TextOf(app.MainWindow()), kMainCaption);
    const LONG frameStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(StyleOf(app.MainWindow()) & frameStyles, frameStyles);
    EXPECT_EQ(GetMenu(app.MainWindow()), nullptr);

    // Left of the memo the client area shows the window's own background.
    POINT spot = {Scaled(6), Scaled(100)};
    ClientToScreen(app.MainWindow(), &spot);
    HDC screen = GetDC(nullptr);
    const COLORREF shown = GetPixel(screen, spot.x, spot.y);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(shown, GetSysColor(COLOR_BTNFACE));

    // The controls in creation order, with their places and texts.
    EXPECT_EQ(ChildrenOf(app.MainWindow()),
              (std::vector<HWND>{app.Label1(), app.Button1(), app.Memo1(), app.Location()}));
    ExpectRect(RectInParent(app.Label1()), {16, 288, 138, 13}, "Label1");
    ExpectRect(RectInParent(app.Button1()), {16, 216, 377, 57}, "Button1");
    ExpectRect(RectInParent(app.Memo1()), {16, 8, 473, 185}, "Memo1");
    ExpectRect(RectInParent(app.Location()), {16, 312, 465, 21}, "edtLocation");

    EXPECT_EQ(TextOf(app.Label1()), "Location of saved setting file:");
    EXPECT_EQ(TextOf(app.Button1()), kButtonCaption);
    EXPECT_EQ(TextOf(app.Memo1()), kMemoText);
    EXPECT_EQ(app.LocationText(), "");

    // The memo: vertical scroll bar only, words wrapped, editable.
    EXPECT_TRUE(StyleOf(app.Memo1()) & WS_VSCROLL);
    EXPECT_FALSE(StyleOf(app.Memo1()) & WS_HSCROLL);
    EXPECT_FALSE(StyleOf(app.Memo1()) & ES_AUTOHSCROLL);
    EXPECT_FALSE(StyleOf(app.Memo1()) & ES_READONLY);
    EXPECT_FALSE(StyleOf(app.Location()) & ES_READONLY);
    EXPECT_FALSE(StyleOf(app.Label1()) & WS_TABSTOP);

    EXPECT_EQ(app.Close(), 0u);
}

// Back on the button, the space bar runs the export; a cancel there shows
// nothing more and clears the location; text typed into the memo and the
// location box is never used.
TEST_F(MainWindow, ButtonHasTheFocusTabGoesMemoLocationButtonSpaceRunsCancelClearsAndTypedTextIsUnused) {
    ASSERT_TRUE(TRegistryArrangement::CreateMinimal());
    ASSERT_TRUE(Launch("earlier text"));
    TRegScanApp& app = App();
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThread(app.ThreadId()) == app.Button1(); }, kWindowTimeoutMs))
        << "focus: " << ClassNameOf(FocusOfThread(app.ThreadId()));
    // Typed before the memo takes the focus, which selects its whole text.
    ASSERT_TRUE(app.TypeInto(app.Memo1(), "typed into the memo"));

    const std::vector<HWND> expected = {app.Memo1(), app.Location(), app.Button1()};
    for (HWND next : expected) {
        app.PressKeyOnFocus(VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return FocusOfThread(app.ThreadId()) == next; }, kWindowTimeoutMs))
            << "expected " << TextOf(next) << " (" << ClassNameOf(next) << ")";
    }

    app.PressKeyOnFocus(VK_SPACE);
    HWND dialog = app.WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr) << "the space bar did not run the export";
    app.Cancel(dialog);
    EXPECT_TRUE(EndedWith("")) << "no box after a cancel";

    ASSERT_TRUE(app.TypeInto(app.Location(), "C:\\typed\\elsewhere.xml"));
    ASSERT_NE(TextOf(app.Memo1()).find("typed into the memo"), std::string::npos);
    ASSERT_EQ(app.LocationText(), "C:\\typed\\elsewhere.xml");
    std::string location;
    ASSERT_TRUE(ExportAs(folder_.PathOf("typed.xml"), location));
    EXPECT_EQ(location, folder_.PathOf("typed.xml"));
    EXPECT_TRUE(EndedWith(folder_.PathOf("typed.xml"), {"typed.xml"}));
    EXPECT_EQ(ReadWholeFile(folder_.PathOf("typed.xml")), kMinimalExport);
    EXPECT_EQ(GetFileAttributesA("C:\\typed\\elsewhere.xml"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(app.Close(), 0u);
}

}  // namespace
