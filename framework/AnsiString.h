// The 8-bit text of the program: length-counted, so it may hold NUL bytes,
// in the system's ANSI code page.
#pragma once

#include <string>

typedef std::string AnsiString;

// printf-style formatting into a new AnsiString; any length.
AnsiString Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
