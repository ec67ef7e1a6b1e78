// The framework's owned wide string: a BSTR made from narrow text in the
// system's ANSI code page, freed when the WideString goes.
#pragma once

#include <cstddef>
#include <vector>

#include "framework/AnsiString.h"
#include "platform/winapi.h"

// A new BSTR holding `text` (read up to its NUL) converted with the ANSI
// code page, or null when the conversion fails; the caller owns it. `size`
// receives what the conversion reported: characters with the NUL, 0 on
// failure.
BSTR AnsiToBstr(const char* text, int* size = nullptr);

// `length` UTF-16 units of `text` in the ANSI code page, each character as
// the code page writes it, never as a look-alike ("best fit", Ω as O) or the
// default character. A character that the code page lacks (in UTF-8: half a
// surrogate pair alone) becomes "?" and its code point goes to `lacking`,
// once, in the order met; the text is exact when `lacking` stays empty.
AnsiString WideToAnsiExact(const WCHAR* text, std::size_t length, std::vector<char32_t>& lacking);

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
