// The writer's two steps, apart so that each can be timed on its own;
// TRegScanner::saveXml is the two in a row.
#pragma once

#include "com/MSXML2_TLB.h"
#include "regscan/RegScanner.h"

// The whole RegParams document of `scanner`, in memory.
IXMLDOMDocumentPtr buildDocument(const TRegScanner& scanner);
// Saves `doc` beside `path` and moves it over `path` once it is whole; the
// file at `path` is untouched by every failure.
void saveDocument(const IXMLDOMDocumentPtr& doc, const AnsiString& path);
