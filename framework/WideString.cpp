#include "WideString.h"

#include <utility>

namespace {

// UTF-8 refuses MB_PRECOMPOSED (ERROR_INVALID_FLAGS); the text it gives
// without it is the same.
DWORD AnsiConversionFlags() {
    return GetACP() == CP_UTF8 ? 0 : MB_PRECOMPOSED;
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
