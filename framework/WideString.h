// The framework's owned wide string: a BSTR made from narrow text in the
// system's ANSI code page, freed when the WideString goes.
#pragma once

#include "platform/winapi.h"

// A new BSTR holding `text` (read up to its NUL) converted with the ANSI
// code page, or null when the conversion fails; the caller owns it. `size`
// receives what the conversion reported: characters with the NUL, 0 on
// failure.
BSTR AnsiToBstr(const char* text, int* size = nullptr);

class WideString {
public:
    WideString() = default;
    // Reads `text` up to its first NUL.
    explicit WideString(const char* text);
    WideString(const WideString& other);
    WideString& operator=(const WideString& other);
    ~WideString();

    BSTR c_bstr() const { return bstr_; }
    UINT Length() const;

private:
    BSTR bstr_ = nullptr;
};
