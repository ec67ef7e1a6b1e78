// System texts and message boxes of the stand-in (its debugger hooks are
// tested with the HRESULT check that uses them).
#include <gtest/gtest.h>

#include <string>

#include "platform/stand-in/control.h"
#include "platform/winapi.h"

namespace {

// As the program asks: allocated, inserts left as written.
DWORD formatSystemText(DWORD code, LPSTR* allocated) {
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                          nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(allocated),
                          0, nullptr);
}

// A code without text (null here) fails with ERROR_MR_MID_NOT_FOUND.
TEST(SystemText, FormatMessageGivesWindowsTextEndingInCrLf) {
    const struct {
        DWORD code;
        const char* text;
    } cases[] = {{0, "The operation completed successfully."},
                 {2, "The system cannot find the file specified."},
                 {3, "The system cannot find the path specified."},
                 {5, "Access is denied."},
                 {6, "The handle is invalid."},
                 {8, "Not enough storage is available to process this command."},
                 {14, "Not enough storage is available to complete this operation."},
                 {32, "The process cannot access the file because it is being used by another process."},
                 {87, "The parameter is incorrect."},
                 {112, "There is not enough space on the disk."},
                 {193, "%1 is not a valid Win32 application."},
                 {126, "The specified module could not be found."},
                 {183, "Cannot create a file when that file already exists."},
                 {234, "More data is available."},
                 {259, "No more data is available."},
                 {DWORD(E_NOTIMPL), "Not implemented"},
                 {DWORD(E_NOINTERFACE), "No such interface supported"},
                 {DWORD(E_POINTER), "Invalid pointer"},
                 {DWORD(E_FAIL), "Unspecified error"},
                 {DWORD(E_UNEXPECTED), "Catastrophic failure"},
                 {DWORD(REGDB_E_CLASSNOTREG), "Class not registered"},
                 {DWORD(E_ACCESSDENIED), "Access is denied."},
                 {DWORD(E_OUTOFMEMORY), "Not enough storage is available to complete this operation."},
                 {DWORD(E_INVALIDARG), "The parameter is incorrect."},
                 {0x80070002, "The system cannot find the file specified."},
                 {0x80070003, "The system cannot find the path specified."},
                 {0x12345, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const std::string expected = c.text != nullptr ? std::string(c.text) + "\r\n" : "";
        EXPECT_EQ(standin::system_message(c.code), expected);
        SetLastError(0);
        LPSTR allocated = nullptr;
        EXPECT_EQ(formatSystemText(c.code, &allocated), expected.size());
        EXPECT_EQ(GetLastError(), c.text != nullptr ? 0u : 317u);
        ASSERT_EQ(allocated != nullptr, c.text != nullptr);
        if (allocated == nullptr) continue;
        EXPECT_STREQ(allocated, expected.c_str());
        EXPECT_EQ(LocalFree(allocated), nullptr);
    }
}

class MessageBoxes : public testing::Test {
protected:
    void SetUp() override {
        standin::message_boxes_clear();
        standin::message_box_script({});
    }
};

TEST_F(MessageBoxes, AnswersFromTheScriptThenTheFallbackAndRecordsEveryBox) {
    standin::message_box_script({IDYES, IDCANCEL}, IDNO);
    const UINT question = MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL;
    EXPECT_EQ(MessageBoxA(nullptr, "first?", "Check", question), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "saved", "Info", MB_OK), IDOK) << "an OK box takes nothing from the script";
    EXPECT_EQ(MessageBoxA(nullptr, "second?", "Check", question), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "third?", nullptr, MB_YESNO), IDNO);

    const auto& boxes = standin::message_boxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].caption, "Check");
    EXPECT_EQ(boxes[0].text, "first?");
    EXPECT_EQ(boxes[0].style, question);
    EXPECT_EQ(boxes[1].text, "saved");
    EXPECT_EQ(boxes[2].text, "second?");
    EXPECT_EQ(boxes[3].caption, "Error") << "Windows' caption for a box without one";
    EXPECT_EQ(boxes[3].style, UINT(MB_YESNO));

    standin::message_boxes_clear();
    EXPECT_TRUE(standin::message_boxes().empty());
    standin::message_box_script({}, IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "again?", "Check", MB_YESNO), IDYES);
}

}  // namespace
