// Text the tests write in UTF-8, in the forms the system takes: UTF-16 for
// the W functions, and the ANSI code page in effect for the program's own
// text (paths typed, names and boxes read back).
#pragma once

#include <windows.h>

#include <string>

std::wstring Utf16Of(const std::string& utf8);
std::string Utf8Of(const std::wstring& utf16);
// Empty when a character has no form in the ANSI code page.
std::string AnsiOf(const std::string& utf8);
std::string AnsiOf(const std::wstring& utf16);
// For comparisons and failure messages that read the same in every code page.
std::string Utf8OfAnsi(const std::string& ansi);
