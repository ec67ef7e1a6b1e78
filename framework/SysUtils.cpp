#include "SysUtils.h"

#include <cstring>
#include <vector>

#include "framework/Exception.h"
#include "framework/Owner.h"
#include "framework/WideString.h"
#include "platform/winapi.h"

std::size_t LastDelimiter(const char* delimiters, const AnsiString& text) {
    std::size_t last = AnsiString::npos;
    const char* const start = text.c_str();
    for (const char* at = start; *at != '\0'; at = CharNextExA(CP_ACP, at, 0))
        if (std::strchr(delimiters, *at) != nullptr) last = static_cast<std::size_t>(at - start);
    return last;
}

AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension) {
    // The extension's dot must lie in the last path element.
    const std::size_t dot = LastDelimiter(".\\:", fileName);
    if (dot == AnsiString::npos || fileName[dot] != '.') return fileName + extension;
    return fileName.substr(0, dot) + extension;
}

AnsiString AnsiFileName(const WCHAR* name, std::size_t length) {
    std::vector<char32_t> lacking;
    const AnsiString ansi = WideToAnsiExact(name, length, lacking);
    if (lacking.empty()) return ansi;
    // The box is ANSI text: the characters are named by their codes.
    AnsiString codes;
    for (char32_t code : lacking)
        codes += Format("%sU+%04lX", codes.empty() ? "" : ", ", static_cast<unsigned long>(code));
    const char* const format =
        "The file name %s cannot be used with this system's code page (%u), which lacks %s (shown as \"?\").";
    throw Exception(Format(format, ansi.c_str(), GetACP(), codes.c_str()));
}

AnsiString SysErrorMessage(unsigned long code) {
    TLocalText buffer;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(buffer.put()), 0, nullptr);
    if (length == 0 || buffer.get() == nullptr) return AnsiString();
    AnsiString text(buffer.get(), length);
    // The framework's form has no line break and no trailing blanks.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}
