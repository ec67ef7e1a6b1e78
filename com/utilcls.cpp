// The checks of COM calls with their question box and exception, COM
// start-up and creation, and text conversion for COM.
#include "com/utilcls.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "framework/Owner.h"

namespace {

// Report and prompt texts are cut to this many bytes, NUL included.
constexpr std::size_t kTextBufferSize = 520;

// How much of the first `length` bytes of `text` is whole characters in the
// ANSI code page: a cut can leave the first byte of a double-byte character,
// or part of a UTF-8 sequence, at the end.
std::size_t WholeCharacters(const char* text, std::size_t length) {
    if (GetACP() == CP_UTF8) {
        std::size_t lead = length;
        while (lead > 0 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) --lead;
        if (lead-- == 0) return length;
        const unsigned char first = static_cast<unsigned char>(text[lead]);
        const std::size_t size = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
        return length - lead < size ? lead : length;
    }
    std::size_t at = 0;
    while (at < length) {
        const std::size_t size = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[at])) ? 2 : 1;
        if (at + size > length) return at;
        at += size;
    }
    return length;
}

// Formats into a fixed buffer; a longer text is cut after its last whole
// character, never overflows.
__attribute__((format(printf, 2, 3))) void FormatBounded(char (&buffer)[kTextBufferSize], const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(buffer, kTextBufferSize, format, args);
    va_end(args);
    if (needed >= static_cast<int>(kTextBufferSize)) buffer[WholeCharacters(buffer, kTextBufferSize - 1)] = '\0';
}

// Breaks into a debugger only when one is there to catch it; otherwise the
// breakpoint would end the process.
void BreakIntoDebugger() {
    if (IsDebuggerPresent()) DebugBreak();
}

bool oleInitDone = false;

}  // namespace

int CheckPrompt(const char* caption, const char* report) {
    char prompt[kTextBufferSize];
    FormatBounded(prompt, "%s\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug", report);
    return MessageBoxA(nullptr, prompt, caption, MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL);
}

void CheckThrow(const char* report, HRESULT code, const char* file) {
    throw EOleException(report, code, file ? file : "", AnsiString(), 0);
}

namespace {

// Formats the report of a failed HRESULT (the system's text where it has
// one) into `report`, shows it in the question box and breaks into an
// attached debugger on Cancel; the answer.
int ReportCheck(char (&report)[kTextBufferSize], HRESULT hr, const char* expression, const char* file, int line) {
    if (file == nullptr) file = "";
    if (expression == nullptr) expression = "";
    // Some texts hold inserts ("%1 is not a valid Win32 application."):
    // there are no arguments for them, so they stay as written.
    TLocalText systemText;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(systemText.put()), 0, nullptr);
    if (systemText.get())
        FormatBounded(report, "'%s': %s @ %s/%d", expression, systemText.get(), file, line);
    else
        FormatBounded(report, "(%s) Error: %lX (%ld) @ %s/%d", expression,
                      static_cast<unsigned long>(static_cast<uint32_t>(hr)), static_cast<long>(hr), file, line);
    const int answer = CheckPrompt("HRCHECK: ", report);
    if (answer == IDCANCEL) BreakIntoDebugger();
    return answer;
}

}  // namespace

HRESULT HrCheck(HRESULT hr, const char* expression, const char* file, int line) {
    if (hr >= 0) return hr;
    char report[kTextBufferSize];
    if (ReportCheck(report, hr, expression, file, line) == IDYES) CheckThrow(report, hr, file);
    return hr;
}

void HrAbandon(HRESULT hr, const char* expression, const char* file, int line) {
    char report[kTextBufferSize];
    ReportCheck(report, hr, expression, file, line);
    CheckThrow(report, hr, file);
}

int AssertFailed(const char* condition, const char* file, int line) {
    if (file == nullptr) file = "";
    char report[kTextBufferSize];
    FormatBounded(report, "%s @ %s/%d", condition, file, line);
    const int answer = CheckPrompt("_ASSERTE: ", report);
    if (answer == IDYES) AssertAbandon(condition, file, line);
    if (answer == IDCANCEL) BreakIntoDebugger();
    return answer;
}

void AssertAbandon(const char* condition, const char* file, int line) {
    if (file == nullptr) file = "";
    char text[kTextBufferSize];
    FormatBounded(text, "%s failed - %s/%d", condition, file, line);
    CheckThrow(text, E_FAIL, file);
}

TInitOle::TInitOle() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}

TInitOle::~TInitOle() {
    if (initialized_) CoUninitialize();
}

void EnsureOleInit() {
    if (oleInitDone) return;
    // Destroyed with the program's other statics, after the message loop.
    static TInitOle initOle;
    oleInitDone = true;
}

HRESULT CoClassCreator::CoCreateInstance(REFCLSID clsid, REFIID iid, LPVOID* intf) {
    EnsureOleInit();
    const HRESULT hr = ::CoCreateInstance(clsid, nullptr,
                                          CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER, iid, intf);
    if (hr != E_INVALIDARG) return hr;
    // Some systems refuse the remote context outright.
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, iid, intf);
}

BSTR AnsiToWide(const char* text, int* size) {
    return AnsiToBstr(text ? text : "", size);
}

TVarShallow::TVarShallow(const char* text) {
    VariantInit(&var_);
    var_.vt = VT_BSTR;
    var_.bstrVal = AnsiToWide(text);
}

TVarShallow::TVarShallow(const AnsiString& text) {
    VariantInit(&var_);
    var_.vt = VT_BSTR;
    int size = 0;
    var_.bstrVal = AnsiToWide(text.c_str(), &size);
    if (size == 0) _ASSERTE(size != 0);
}

TVarShallow::TVarShallow(BSTR text) {
    VariantInit(&var_);
    var_.vt = VT_BSTR;
    var_.bstrVal = SysAllocString(text);
}

TVarShallow::~TVarShallow() {
    VariantClear(&var_);
}
