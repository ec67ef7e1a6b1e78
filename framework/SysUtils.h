// Portable services of the framework: file-name and system-message helpers.
#pragma once

#include "AnsiString.h"

// Replaces the extension of the last path element (the text from its last
// ".") with `extension`, or appends `extension` when there is none.
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension);

// The system's message text for a Win32 error code, without its trailing
// line break; empty when the system has none.
AnsiString SysErrorMessage(unsigned long code);
