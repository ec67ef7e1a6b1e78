#include "WideString.h"

#include <algorithm>
#include <utility>

namespace {

// UTF-8 refuses MB_PRECOMPOSED (ERROR_INVALID_FLAGS); the text it gives
// without it is the same.
DWORD AnsiConversionFlags() {
    return GetACP() == CP_UTF8 ? 0 : MB_PRECOMPOSED;
}

bool IsHighSurrogate(WCHAR unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(WCHAR unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

BSTR AnsiToBstr(const char* text, int* size) {
    const DWORD flags = AnsiConversionFlags();
    const int withNul = MultiByteToWideChar(CP_ACP, flags, text, -1, nullptr, 0);
    if (size) *size = withNul;
    if (withNul <= 0) return nullptr;
    BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(withNul - 1));
    if (wide) MultiByteToWideChar(CP_ACP, flags, text, -1, wide, withNul);
    return wide;
}

AnsiString WideToAnsiExact(const WCHAR* text, std::size_t length, std::vector<char32_t>& lacking) {
    // UTF-8 takes neither WC_NO_BEST_FIT_CHARS nor the default-character
    // question (ERROR_INVALID_FLAGS, ERROR_INVALID_PARAMETER); it has every
    // character and refuses a lone surrogate only when asked to.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    AnsiString ansi;
    // One character at a time, so that each one the code page lacks is known.
    for (std::size_t at = 0; at < length;) {
        const bool pair = IsHighSurrogate(text[at]) && at + 1 < length && IsLowSurrogate(text[at + 1]);
        const int units = pair ? 2 : 1;
        char bytes[8];
        BOOL usedDefault = FALSE;
        const int size = WideCharToMultiByte(CP_ACP, flags, text + at, units, bytes, sizeof bytes, nullptr,
                                             utf8 ? nullptr : &usedDefault);
        if (size > 0 && !usedDefault) {
            ansi.append(bytes, static_cast<std::size_t>(size));
        } else {
            const char32_t code =
                pair ? 0x10000 + ((char32_t(text[at]) - 0xD800) << 10) + (char32_t(text[at + 1]) - 0xDC00)
                     : char32_t(text[at]);
            ansi += '?';
            if (std::find(lacking.begin(), lacking.end(), code) == lacking.end()) lacking.push_back(code);
        }
        at += static_cast<std::size_t>(units);
    }
    return ansi;
}

// Empty text stays a null BSTR, which COM methods read as empty.
WideString::WideString(const char* text) : bstr_(text && *text ? AnsiToBstr(text) : nullptr) {}

WideString::WideString(const WideString& other)
    : bstr_(other.bstr_ ? SysAllocStringLen(other.bstr_, SysStringLen(other.bstr_)) : nullptr) {}

WideString& WideString::operator=(const WideString& other) {
    WideString copy(other);
    std::swap(bstr_, copy.bstr_);
    return *this;
}

WideString::~WideString() {
    if (bstr_) SysFreeString(bstr_);
}

UINT WideString::Length() const {
    return bstr_ ? SysStringLen(bstr_) : 0;
}
