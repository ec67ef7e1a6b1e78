// The notice window of the XML library check: shown instead of a run when
// the XML 4.0 document cannot be created, with the install text when the
// class is not registered and one technical line for any other failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_driver.h"
#include "e2e_fixture.h"
#include "screenshot.h"
#include "window_query.h"

namespace {

const char kNoticeText[] =
    "This program requires the Microsoft XML software version 4. Please install \r\n"
    "before continuing to use this program.\r\n"
    " ";

// The notice's two controls.
struct TNotice {
    HWND window = nullptr;
    HWND memo = nullptr;
    HWND ok = nullptr;
};

TNotice ControlsOf(HWND window) {
    TNotice notice;
    notice.window = window;
    for (HWND child : ChildrenOf(window)) {
        const std::string name = ClassNameOf(child);
        if (lstrcmpiA(name.c_str(), "Edit") == 0) notice.memo = child;
        if (lstrcmpiA(name.c_str(), "Button") == 0) notice.ok = child;
    }
    return notice;
}

class NoticeWindow : public TEndToEndTest {};

// A way the XML document cannot be created and the memo's text for it.
struct TCreationFailure {
    const char* name;
    TXmlBreak how;
    std::string (*text)();
};

void PrintTo(const TCreationFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class NoticeInsteadOfARun : public NoticeWindow, public testing::WithParamInterface<TCreationFailure> {};

// The designed window, modal, with the memo focused; no scan runs (there are
// no subtrees: a scan that ran would end in an error box) and the location
// keeps its text.
TEST_P(NoticeInsteadOfARun, ShowsTheDesignedWindowAndRunsNoScan) {
    TXmlClassBroken broken(GetParam().how);
    ASSERT_TRUE(broken.Broken());
    ASSERT_TRUE(Launch("earlier text"));
    TRegScanApp& app = App();

    app.ClickButton1();
    const TNotice notice = ControlsOf(app.WaitForNotice());
    ASSERT_NE(notice.window, nullptr) << app.DescribeOpenWindows();
    ASSERT_NE(notice.memo, nullptr);
    ASSERT_NE(notice.ok, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return FocusOfThread(app.ThreadId()) == notice.memo; }, kWindowTimeoutMs));
    EXPECT_FALSE(SaveScreenshot(notice.window, ShotName("notice-window", GetParam().name)).empty());

    RECT frame = {};
    GetWindowRect(notice.window, &frame);
    ExpectRect(frame, {305, 325, 492, 271}, "notice frame");
    ExpectRect(RectInParent(notice.memo), {16, 16, 449, 169}, "Memo1");
    ExpectRect(RectInParent(notice.ok), {376, 200, 75, 25}, "cmdClose");
    EXPECT_EQ(ChildrenOf(notice.window), (std::vector<HWND>{notice.memo, notice.ok}));
    EXPECT_EQ(TextOf(notice.window), kNoticeCaption);
    EXPECT_EQ(TextOf(notice.memo), GetParam().text());
    EXPECT_EQ(TextOf(notice.ok), "OK");
    const LONG memoStyle = GetWindowLongA(notice.memo, GWL_STYLE);
    EXPECT_FALSE(memoStyle & (WS_VSCROLL | WS_HSCROLL | ES_READONLY));
    // Neither default nor cancel button: Enter and Escape do not press it.
    EXPECT_EQ(GetWindowLongA(notice.ok, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    // Modal: the main window waits.
    EXPECT_FALSE(IsWindowEnabled(app.MainWindow()));

    PostMessageA(notice.ok, BM_CLICK, 0, 0);
    EXPECT_TRUE(EndedWith("earlier text"));
    EXPECT_EQ(app.Close(), 0u);
}

INSTANTIATE_TEST_SUITE_P(NoticeWindow, NoticeInsteadOfARun,
                         testing::Values(TCreationFailure{"not_registered", TXmlBreak::Unregistered,
                                                          [] { return std::string(kNoticeText); }},
                                         // One line: the creation status in lower-case hex (not the thread's
                                         // last-error value) and its system text, which Wine does not have.
                                         TCreationFailure{"creation_failed", TXmlBreak::TreatedAsOther,
                                                          [] {
                                                              return "Failure creating an XML document (80004002): " +
                                                                     SystemText(E_NOINTERFACE);
                                                          }}),
                         RowName);

// Broken while the program runs and registered again before the last press.
// Enter adds a line, Escape does nothing; only OK or the close box ends it.
TEST_F(NoticeWindow, EachFailedPressShowsAFreshWindowAndARegisteredLibraryIsFoundOnTheNextPress) {
    ASSERT_TRUE(TRegistryArrangement::CreateMinimal());
    ASSERT_TRUE(Launch());
    TRegScanApp& app = App();
    std::vector<HWND> hidden;
    for (HWND window : TopLevelWindowsOf(app.ProcessId()))
        if (!IsWindowVisible(window) && TextOf(window) == kNoticeCaption) hidden.push_back(window);
    ASSERT_EQ(hidden.size(), 1u) << "the notice made at start-up, which nobody shows";
    {
        TXmlClassBroken unregistered(TXmlBreak::Unregistered);
        ASSERT_TRUE(unregistered.Broken());
        std::vector<HWND> shown;
        for (int press = 0; press < 3; ++press) {
            app.ClickButton1();
            const TNotice notice = ControlsOf(app.WaitForNotice());
            ASSERT_NE(notice.window, nullptr) << "press " << press;
            ASSERT_TRUE(notice.memo && notice.ok) << "press " << press;
            EXPECT_NE(notice.window, hidden[0]);
            EXPECT_EQ(TextOf(notice.memo), kNoticeText) << "press " << press;
            for (HWND earlier : shown) EXPECT_FALSE(IsWindow(earlier)) << "an earlier notice still exists";
            shown.push_back(notice.window);
            if (press == 1) {
                ASSERT_TRUE(WaitUntil([&] { return FocusOfThread(app.ThreadId()) == notice.memo; }, kWindowTimeoutMs));
                const std::string before = TextOf(notice.memo);
                app.PressKeyOnFocus(VK_RETURN);
                ASSERT_TRUE(
                    WaitUntil([&] { return TextOf(notice.memo).size() == before.size() + 2; }, kWindowTimeoutMs))
                    << "Enter did not add a line: " << TextOf(notice.memo);
                std::string withoutNewLine = TextOf(notice.memo);
                const size_t added = withoutNewLine.find("\r\n");
                ASSERT_NE(added, std::string::npos);
                EXPECT_EQ(withoutNewLine.erase(added, 2).size(), before.size());
                app.PressKeyOnFocus(VK_ESCAPE);
                // Keys are handled in the order they came: once a second Enter has
                // added its line, Escape has been handled too.
                app.PressKeyOnFocus(VK_RETURN);
                EXPECT_TRUE(
                    WaitUntil([&] { return TextOf(notice.memo).size() == before.size() + 4; }, kWindowTimeoutMs))
                    << "the keys after Escape were not handled: " << TextOf(notice.memo);
                EXPECT_TRUE(AnswersMessages(notice.window));
                EXPECT_TRUE(IsWindowVisible(notice.window)) << "Enter or Escape closed the notice";
                // The close box, as the title bar sends it.
                PostMessageA(notice.window, WM_SYSCOMMAND, SC_CLOSE, 0);
            } else {
                PostMessageA(notice.ok, BM_CLICK, 0, 0);
            }
            ASSERT_TRUE(app.WaitUntilIdle()) << "press " << press;
        }
    }
    EXPECT_TRUE(IsWindow(hidden[0]));
    EXPECT_FALSE(IsWindowVisible(hidden[0]));
    ASSERT_TRUE(TXmlClassBroken::ClassRegistered()) << "regsvr32 did not register the class again";

    HWND dialog = nullptr;
    ASSERT_TRUE(OpenSaveDialog(dialog)) << "the registered library was not found";
    App().Cancel(dialog);
    EXPECT_TRUE(App().WaitUntilIdle());
    EXPECT_EQ(App().Close(), 0u);
}

}  // namespace
