// The writer's two steps, apart so that each can be timed on its own
// (TRegScanner::saveXml is the two in a row), and the rule of the text it
// writes.
#pragma once

#include <cstddef>

#include "com/MSXML2_TLB.h"
#include "regscan/RegScanner.h"

// The whole RegParams document of `scanner`, in memory.
IXMLDOMDocumentPtr BuildDocument(const TRegScanner& scanner);
// Saves `doc` beside `path` and moves it over `path` once it is whole; the
// file at `path` is untouched by every failure.
void SaveDocument(const IXMLDOMDocumentPtr& doc, const AnsiString& path);

// XML 1.0 has no form for a control character other than tab, LF and CR,
// for U+FFFE and U+FFFF, or for a surrogate without its pair, not even as a
// character reference: a file holding one cannot be read back. The first
// such character (or lone surrogate) of the UTF-16 `text`, or 0.
unsigned FirstUnwritableCharacter(const WCHAR* text, std::size_t length);
