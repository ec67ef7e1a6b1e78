// The ANSI code page of the stand-in and its conversions through glibc's
// iconv, shared by the text functions, the registry and the file functions.
// Stand-in build only.
#pragma once

#include <string>
#include <string_view>

#include "platform/stand-in/win_types.h"

namespace standin::cp {

// Whether the stand-in converts this code page (CP_ACP included).
bool supported(UINT code_page);
// CP_ACP resolved to the code page in effect.
UINT resolve(UINT code_page);
// The longest character in bytes, as GetCPInfo gives it.
UINT max_char_size(UINT code_page);
// Whether `byte` starts a two-byte character (never in UTF-8 or single-byte
// code pages, as Windows reports it).
bool is_lead_byte(UINT code_page, unsigned char byte);

// Every byte of `text`, embedded NULs included. A byte a single-byte code page
// leaves undefined becomes the UTF-16 unit of the same value, as Windows maps
// it; an invalid sequence elsewhere becomes U+FFFD (UTF-8) or "?" (double-byte).
std::u16string to_utf16(UINT code_page, std::string_view text);

// Every unit of `text`; a unit (each half of a surrogate pair alone) that the
// code page lacks becomes `fallback`, and `used_fallback` is set. In UTF-8 a
// lone surrogate becomes U+FFFD instead, and sets `used_fallback` too.
std::string from_utf16(UINT code_page, std::u16string_view text, char fallback = '?', bool* used_fallback = nullptr);

// Shorthands in the code page in effect.
inline std::u16string ansi_to_utf16(std::string_view text) {
    return to_utf16(CP_ACP, text);
}
inline std::string utf16_to_ansi(std::u16string_view text) {
    return from_utf16(CP_ACP, text);
}
// A file name as the host file system takes it: ANSI to UTF-8.
std::string host_path(const char* ansi);
// UTF-16 up to its NUL (empty for null) in UTF-8, as libxml2 takes it. Reads
// up to the NUL rather than a BSTR's prefix, so wide literals work as well.
std::string to_utf8(const OLECHAR* text);

}  // namespace standin::cp
