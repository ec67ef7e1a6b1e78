// Portable services of the framework: file-name and system-message helpers.
#pragma once

#include "AnsiString.h"
#include "platform/winapi.h"

// The position of the last character of `text` that is one of the single-byte
// `delimiters`, or npos. Steps over the text a character at a time in the
// ANSI code page, so that the second byte of a double-byte character (0x5C
// in 表 under code page 932) is never taken for a delimiter.
std::size_t LastDelimiter(const char* delimiters, const AnsiString& text);

// Replaces the extension of the last path element (the text from its last
// ".") with `extension`, or appends `extension` when there is none.
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension);

// The name of a file chosen in a dialog, which holds it in UTF-16 (`length`
// units at `name`), as ANSI text. Throws Exception naming it when the code
// page lacks some of its characters: a look-alike in their place would name
// another file.
AnsiString AnsiFileName(const WCHAR* name, std::size_t length);

// The system's message text for a Win32 error code, without its trailing
// line break; empty when the system has none.
AnsiString SysErrorMessage(unsigned long code);
