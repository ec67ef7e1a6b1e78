// The writer's two phases apart, so their costs can be timed separately:
// building the document and saving it. saveXml does both in one call; this
// makes the same DOM calls in the same order through the same checked
// wrappers, and must follow regscan/RegWriter.cpp when that changes.
#pragma once

#include "com/MSXML2_TLB.h"
#include "regscan/RegScanner.h"

namespace bench {

// The whole RegParams document of `scanner`, in memory.
IXMLDOMDocumentPtr buildDocument(const TRegScanner& scanner);
// Saves `doc` to `path` with the component's own save; throws Exception
// unless the save returned S_OK.
void saveDocument(const IXMLDOMDocumentPtr& doc, const AnsiString& path);

}  // namespace bench
