// Fills the stand-in registry from registry export text (REGEDIT4 or
// Windows Registry Editor 5), as `reg import` would.
#pragma once

#include <string>

// Throws std::runtime_error on malformed input.
void importRegText(const std::string& text);
