// Windows-1252, the stand-in's ANSI code page, one character at a time.
// Shared by the text conversions and the registry (case folding, .reg import).
#pragma once

#include <optional>

namespace standin {

// Every byte has a character; the five bytes 1252 leaves undefined map to the
// C1 controls of the same value, as Windows maps them.
char16_t cp1252_to_unicode(unsigned char byte);
// The byte for a UTF-16 code unit, or nothing when 1252 lacks the character.
std::optional<unsigned char> unicode_to_cp1252(char16_t ch);

}  // namespace standin
