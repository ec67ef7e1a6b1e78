#include "app_driver.h"

#include <functional>

#include "framework/Owner.h"
#include "unicode_text.h"
#include "window_query.h"
#include "work_folder.h"

namespace {

bool IsClass(HWND window, const char* name) {
    return lstrcmpiA(ClassNameOf(window).c_str(), name) == 0;
}

bool IsSaveDialog(HWND window) {
    return GetDlgItem(window, kFileNameControl) != nullptr;
}

// GCC 12 warns wrongly about "literal" + std::string at -O3: build by appending.
std::string Describe(HWND window) {
    std::string description = "\"";
    description += TextOf(window);
    description += "\" (";
    description += ClassNameOf(window);
    description += ")";
    return description;
}

// The build's program, or the one REGSCAN_PROGRAM names (the release checks
// run the program unpacked from the zip).
std::string ProgramUnderTest() {
    const std::string named = EnvironmentText("REGSCAN_PROGRAM");
    return NativePath(named.empty() ? REGSCAN_EXE : named);
}

// Polls `find` until it gives a window or the window timeout passes.
HWND WaitForWindow(const std::function<HWND()>& find) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = find()) != nullptr; }, kWindowTimeoutMs);
    return found;
}

}  // namespace

std::string SystemText(DWORD code) {
    TLocalText buffer;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(buffer.put()), 0, nullptr);
    if (length == 0 || !buffer.get()) return std::string();
    std::string text(buffer.get(), length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

TRegScanApp::TRegScanApp(const std::string& currentFolder) : process_(ProgramUnderTest(), currentFolder) {}

testing::AssertionResult TRegScanApp::WaitUntilReady() {
    if (!process_.Started()) return testing::AssertionFailure() << process_.StartFailure();
    // The window exists from its creation on, before its controls do.
    const bool ready = WaitUntil(
        [this] {
            for (HWND window : TopLevelWindowsOf(process_.ProcessId())) {
                if (!IsWindowVisible(window) || TextOf(window) != kMainCaption) continue;
                for (HWND child : ChildrenOf(window)) {
                    if (IsClass(child, "Button") && IsWindowVisible(child) && TextOf(child) == kButtonCaption) {
                        main_ = window;
                        return true;
                    }
                }
            }
            return false;
        },
        kStartTimeoutMs);
    if (!ready) {
        testing::AssertionResult failure = testing::AssertionFailure() << "no main window with its button appeared;";
        if (!process_.Running()) failure << " the program ended with code " << process_.WaitForExit(0) << ";";
        for (HWND window : TopLevelWindowsOf(process_.ProcessId()))
            failure << " " << Describe(window) << (IsWindowVisible(window) ? "" : " hidden");
        return failure;
    }
    for (HWND child : ChildrenOf(main_)) {
        if (IsClass(child, "Button"))
            button1_ = child;
        else if (IsClass(child, "Static"))
            label1_ = child;
        else if (IsClass(child, "Edit"))
            ((GetWindowLongA(child, GWL_STYLE) & ES_MULTILINE) ? memo1_ : location_) = child;
    }
    if (!button1_ || !label1_ || !memo1_ || !location_)
        return testing::AssertionFailure() << "a control of the main window is missing";
    if (!AnswersMessages(main_)) return testing::AssertionFailure() << "the main window does not answer";
    return testing::AssertionSuccess();
}

std::string TRegScanApp::LocationText() const {
    return TextOf(location_);
}

// Posted: the click runs the whole export, modal dialogs included.
void TRegScanApp::ClickButton1() const {
    PostMessageA(button1_, BM_CLICK, 0, 0);
}

// As the keyboard delivers it: to the focus, through the program's message
// loop (dialog navigation and character translation included).
void TRegScanApp::PressKeyOnFocus(WORD virtualKey) const {
    HWND focus = FocusOfThread(process_.ThreadId());
    const UINT scanCode = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageA(focus, WM_KEYDOWN, virtualKey, 1 | (scanCode << 16));
    PostMessageA(focus, WM_KEYUP, virtualKey, 1 | (scanCode << 16) | 0xC0000000u);
}

// Posted, so a sent message would overtake them: wait for the text to grow.
bool TRegScanApp::TypeInto(HWND control, const std::string& text) const {
    const size_t before = TextOf(control).size();
    for (char c : text) PostMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
    return WaitUntil([&] { return TextOf(control).size() >= before + text.size(); }, kWindowTimeoutMs);
}

HWND TRegScanApp::FindSaveDialog() const {
    for (HWND window : OpenDialogs())
        if (IsSaveDialog(window) && IsWindowEnabled(window) && TextOf(window) == kSaveDialogTitle) return window;
    return nullptr;
}

HWND TRegScanApp::WaitForSaveDialog() const {
    return WaitForWindow([this] { return FindSaveDialog(); });
}

void TRegScanApp::SaveAs(HWND dialog, const std::string& fileName) const {
    SaveAs(dialog, Utf16Of(Utf8OfAnsi(fileName)));
}

void TRegScanApp::SaveAs(HWND dialog, const std::wstring& fileName) const {
    SendMessageW(GetDlgItem(dialog, kFileNameControl), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

void TRegScanApp::Cancel(HWND dialog) const {
    PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
}

TMessageBox TRegScanApp::WaitForMessageBox() const {
    TMessageBox box;
    box.handle = WaitForWindow([this]() -> HWND {
        for (HWND window : OpenDialogs())
            if (!IsSaveDialog(window) && GetDlgItem(window, kMessageTextControl)) return window;
        return nullptr;
    });
    if (box.handle) {
        box.caption = TextOf(box.handle);
        box.text = TextOf(GetDlgItem(box.handle, kMessageTextControl));
    }
    return box;
}

testing::AssertionResult TRegScanApp::Answer(const TMessageBox& box, int id) const {
    HWND button = GetDlgItem(box.handle, id);
    if (!button || !IsWindowVisible(button))
        return testing::AssertionFailure() << "the box \"" << box.caption << "\" has no button " << id;
    PostMessageA(button, BM_CLICK, 0, 0);
    if (!WaitUntil([&] { return !IsWindow(box.handle) || !IsWindowVisible(box.handle); }, kWindowTimeoutMs))
        return testing::AssertionFailure() << "the box \"" << box.caption << "\" stayed open";
    return testing::AssertionSuccess();
}

HWND TRegScanApp::WaitForNotice() const {
    return WaitForWindow([this]() -> HWND {
        const std::vector<HWND> notices = VisibleNotices();
        return notices.empty() ? nullptr : notices.front();
    });
}

testing::AssertionResult TRegScanApp::WaitUntilIdle() const {
    const auto quiet = [this] { return OpenDialogs().empty() && VisibleNotices().empty() && IsWindowEnabled(main_); };
    if (WaitUntil(quiet, kWindowTimeoutMs) && AnswersMessages(main_) && quiet()) return testing::AssertionSuccess();
    testing::AssertionResult failure = testing::AssertionFailure() << "still open:";
    for (HWND window : OpenDialogs()) failure << " " << Describe(window);
    for (HWND window : VisibleNotices()) failure << " " << Describe(window);
    if (!IsWindowEnabled(main_)) failure << " (main window disabled)";
    return failure;
}

std::string TRegScanApp::DescribeOpenWindows() const {
    std::string description = "open windows:";
    for (HWND window : TopLevelWindowsOf(process_.ProcessId())) {
        if (!IsWindowVisible(window)) continue;
        description += " ";
        description += Describe(window);
        if (HWND text = GetDlgItem(window, kMessageTextControl)) description += " saying \"" + TextOf(text) + "\"";
    }
    return description;
}

DWORD TRegScanApp::Close() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    return process_.WaitForExit(kWindowTimeoutMs);
}

std::vector<HWND> TRegScanApp::OpenDialogs() const {
    std::vector<HWND> dialogs;
    for (HWND window : TopLevelWindowsOf(process_.ProcessId()))
        if (IsWindowVisible(window) && ClassNameOf(window) == "#32770") dialogs.push_back(window);
    return dialogs;
}

std::vector<HWND> TRegScanApp::VisibleNotices() const {
    std::vector<HWND> notices;
    for (HWND window : TopLevelWindowsOf(process_.ProcessId()))
        if (IsWindowVisible(window) && ClassNameOf(window) != "#32770" && TextOf(window) == kNoticeCaption)
            notices.push_back(window);
    return notices;
}
