#include "WideString.h"

#include <utility>

WideString::WideString(const char* text) {
    if (text == nullptr || *text == '\0') return;
    const int withNul = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, nullptr, 0);
    if (withNul <= 1) return;
    bstr_ = SysAllocStringLen(nullptr, static_cast<UINT>(withNul - 1));
    if (bstr_ == nullptr) return;
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, bstr_, withNul);
}

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
