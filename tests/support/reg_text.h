// Reading registry export text (REGEDIT4 or "Windows Registry Editor
// Version 5.00") into the operations it describes. Used by tests of both
// builds to fill a registry from the shared fixtures.
#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"

struct RegTextOperation {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind;
    HKEY root;
    std::string path;
    std::string name;
    DWORD type = REG_NONE;
    std::string data;  // as the ANSI registry functions return it
};

// The whole text is checked first: malformed input throws std::runtime_error
// naming the line, and nothing is returned.
std::vector<RegTextOperation> parseRegText(const std::string& text);
