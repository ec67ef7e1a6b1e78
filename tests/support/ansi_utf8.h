// What ANSI text becomes in a saved file: the system code page through
// MultiByteToWideChar, then UTF-16 to UTF-8. Used to state expected file
// contents independently of the program's own conversions.
#pragma once

#include <string>

// UTF-8 of UTF-16 text; a lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(const std::u16string& text);
// UTF-8 of ANSI text read up to its first NUL, as the program hands text to
// the DOM.
std::string ansiToUtf8(const std::string& ansi);
