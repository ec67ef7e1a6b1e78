// The running system's message texts, the oracle for texts the program
// builds from them (Wine's wording differs from Windows' in places).
#pragma once

#include <windows.h>

#include <string>

// FormatMessageA's text for `code` exactly as the system returns it, or empty.
std::string SystemTextAsReturned(DWORD code);
// The same without the trailing line break and blanks, as the program's
// framework shows it inside its own messages.
std::string SystemText(DWORD code);
