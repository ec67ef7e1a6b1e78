// What ANSI text becomes in a saved file: the system code page through
// MultiByteToWideChar, then UTF-16 to UTF-8. Used to state expected file
// contents independently of the program's own conversions. Stand-in build.
#pragma once

#include <string>

#include "platform/stand-in/control.h"

// UTF-8 of UTF-16 text; a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(const std::u16string& text);
// UTF-8 of ANSI text read up to its first NUL, as the program hands text to
// the DOM.
std::string ansiToUtf8(const std::string& ansi);

// The stand-in's ANSI code page for one test, the earlier one restored after.
class TAnsiCodePage {
public:
    explicit TAnsiCodePage(unsigned codePage) : before_(standin::ansi_code_page(codePage)) {}
    TAnsiCodePage(const TAnsiCodePage&) = delete;
    TAnsiCodePage& operator=(const TAnsiCodePage&) = delete;
    ~TAnsiCodePage() { standin::ansi_code_page(before_); }

private:
    unsigned before_;
};
