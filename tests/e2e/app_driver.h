// regscan.exe as its user meets it: the main window and its controls, the
// save dialog, the message boxes and the notice window, driven by clicks,
// keys and typed text.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app_process.h"

// The texts the program shows, as the user reads them.
constexpr char kMainCaption[] = "Calderine -- ORVEX registry scan utility";
constexpr char kButtonCaption[] = "Begin Scan of Registry";
constexpr char kSaveDialogTitle[] = "Save Xml Registry Parameter File";
constexpr char kNoticeCaption[] = "Microsoft Xml Library Not Found";
constexpr char kQuestionCaption[] = "HRCHECK: ";
constexpr char kSuccessText[] = "You successfully stored the registry settings";
constexpr char kErrorPrefix[] = "An error occurred saving the registry parameter file: ";
// The running system's text for `code` without its trailing line break and
// blanks, as the program shows it inside its messages: the oracle for them
// (Wine's wording differs from Windows' in places).
std::string SystemText(DWORD code);

// Control identifiers of the system's common dialogs.
constexpr int kFileNameControl = 0x47C;
constexpr int kMessageTextControl = 0xFFFF;

struct TMessageBox {
    HWND handle = nullptr;
    std::string caption;
    std::string text;
};

class TRegScanApp {
public:
    // Starts the program in `currentFolder`.
    explicit TRegScanApp(const std::string& currentFolder);

    // Success once the main window shows its button, with every control
    // found (a first start in a cold prefix takes a while).
    testing::AssertionResult WaitUntilReady();

    DWORD ProcessId() const { return process_.ProcessId(); }
    DWORD ThreadId() const { return process_.ThreadId(); }
    HWND MainWindow() const { return main_; }
    HWND Button1() const { return button1_; }
    HWND Memo1() const { return memo1_; }
    HWND Location() const { return location_; }
    HWND Label1() const { return label1_; }
    std::string LocationText() const;

    // The user's input.
    void ClickButton1() const;
    void PressKeyOnFocus(WORD virtualKey) const;
    // False when the control did not take the characters.
    bool TypeInto(HWND control, const std::string& text) const;

    // The windows a run shows. Null handles when none came in time.
    HWND FindSaveDialog() const;
    HWND WaitForSaveDialog() const;
    void SaveAs(HWND dialog, const std::string& fileName) const;
    // Types `fileName` as Unicode text, as a keyboard gives characters that
    // the ANSI code page may lack.
    void SaveAs(HWND dialog, const std::wstring& fileName) const;
    void Cancel(HWND dialog) const;
    TMessageBox WaitForMessageBox() const;
    // Clicks the box's button `id` (IDOK, IDYES, IDNO) and waits until the box is gone.
    testing::AssertionResult Answer(const TMessageBox& box, int id) const;
    HWND WaitForNotice() const;

    // The visible windows of the program, for failure messages.
    std::string DescribeOpenWindows() const;

    // Success when the run is over: the main window answers from its own
    // loop, is enabled, and no dialog, box or notice is open.
    testing::AssertionResult WaitUntilIdle() const;
    // Closes the main window; the exit code (STILL_ACTIVE if it did not end).
    DWORD Close();

private:
    std::vector<HWND> OpenDialogs() const;
    std::vector<HWND> VisibleNotices() const;

    TAppProcess process_;
    HWND main_ = nullptr;
    HWND button1_ = nullptr;
    HWND memo1_ = nullptr;
    HWND location_ = nullptr;
    HWND label1_ = nullptr;
};
