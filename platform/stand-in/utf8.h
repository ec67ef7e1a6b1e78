// UTF-16 text as libxml2 takes it.
#pragma once

#include <string>

#include "platform/stand-in/win_types.h"

namespace standin {

// UTF-16 up to its NUL to UTF-8; a lone surrogate becomes U+FFFD. Reads up to
// the NUL rather than the BSTR prefix, so plain wide literals work as well.
std::string to_utf8(const OLECHAR* text);

}  // namespace standin
