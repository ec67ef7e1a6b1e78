// Last-error code, system message texts, message boxes and the debugger hooks.
#include <cstdlib>
#include <cstring>
#include <deque>

#include "platform/stand-in/control.h"
#include "platform/stand-in/win_functions.h"

namespace standin {

namespace {

constexpr DWORD kErrorMrMidNotFound = 317;
constexpr UINT kMessageBoxTypeMask = 0xF;

// One thread runs the program.
DWORD last_error = 0;

struct SystemText {
    DWORD code;
    const char* text;
};

// Windows' English texts. HRESULTs of the Win32 facility are looked up by
// their Win32 code, as FormatMessage does.
constexpr SystemText kSystemTexts[] = {
    {0, "The operation completed successfully.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough storage is available to process this command.\r\n"},
    {14, "Not enough storage is available to complete this operation.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {111, "The file name is too long.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {0x80004001, "Not implemented\r\n"},
    {0x80004002, "No such interface supported\r\n"},
    {0x80004003, "Invalid pointer\r\n"},
    {0x80004005, "Unspecified error\r\n"},
    {0x8000FFFF, "Catastrophic failure\r\n"},
    {0x80040154, "Class not registered\r\n"},
};

const char* find_system_text(DWORD code) {
    if ((code & 0xFFFF0000u) == 0x80070000u) code &= 0xFFFFu;
    for (const auto& entry : kSystemTexts)
        if (entry.code == code) return entry.text;
    return nullptr;
}

struct MessageBoxState {
    std::deque<int> script;
    int fallback = IDNO;
    std::vector<MessageBoxRecord> records;
    bool debugger = false;
    unsigned debug_breaks = 0;
};

MessageBoxState& boxes() {
    static MessageBoxState state;
    return state;
}

}  // namespace

std::string system_message(DWORD code) {
    const char* text = find_system_text(code);
    return text != nullptr ? text : "";
}

void message_box_script(std::vector<int> answers, int fallback) {
    boxes().script.assign(answers.begin(), answers.end());
    boxes().fallback = fallback;
}

const std::vector<MessageBoxRecord>& message_boxes() {
    return boxes().records;
}

void message_boxes_clear() {
    boxes().records.clear();
}

void debugger_attached(bool attached) {
    boxes().debugger = attached;
}

unsigned debug_breaks() {
    return boxes().debug_breaks;
}

}  // namespace standin

DWORD GetLastError() {
    return standin::last_error;
}

void SetLastError(DWORD dwErrCode) {
    standin::last_error = dwErrCode;
}

// The program asks for system texts only, in a buffer allocated here, with
// inserts left as written.
DWORD FormatMessageA(DWORD /*dwFlags*/, LPCVOID /*lpSource*/, DWORD dwMessageId, DWORD /*dwLanguageId*/, LPSTR lpBuffer,
                     DWORD /*nSize*/, void* /*Arguments*/) {
    const char* text = standin::find_system_text(dwMessageId);
    if (text == nullptr) {
        SetLastError(standin::kErrorMrMidNotFound);
        return 0;
    }
    const std::size_t length = std::strlen(text);
    char* block = static_cast<char*>(std::malloc(length + 1));
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::memcpy(block, text, length + 1);
    *reinterpret_cast<LPSTR*>(lpBuffer) = block;
    return static_cast<DWORD>(length);
}

// Only buffers from FormatMessageA come here.
HLOCAL LocalFree(HLOCAL hMem) {
    std::free(hMem);
    return nullptr;
}

int MessageBoxA(HWND /*hWnd*/, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    auto& state = standin::boxes();
    // Windows titles a box without caption "Error".
    state.records.push_back({lpCaption != nullptr ? lpCaption : "Error", lpText != nullptr ? lpText : "", uType});
    // A box with only an OK button can give no other answer, and takes none
    // from the script, so scripts list the answers to questions only.
    if ((uType & standin::kMessageBoxTypeMask) == MB_OK) return IDOK;
    if (state.script.empty()) return state.fallback;
    const int answer = state.script.front();
    state.script.pop_front();
    return answer;
}

void DebugBreak() {
    ++standin::boxes().debug_breaks;
}

BOOL IsDebuggerPresent() {
    return standin::boxes().debugger ? TRUE : FALSE;
}
