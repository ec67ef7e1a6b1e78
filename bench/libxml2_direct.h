// The parameter file built and saved with libxml2's own tree calls, straight
// from a snapshot: what the stand-in's export is compared with.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>

#include "regscan/RegScanner.h"

namespace bench {

struct TXmlDocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using TXmlDoc = std::unique_ptr<xmlDoc, TXmlDocFree>;

// The document of `scanner`, as the stand-in's saveXml builds it; throws
// std::runtime_error when libxml2 fails.
TXmlDoc buildWithLibxml2(const TRegScanner& scanner);
// Saves it as the stand-in's DOM does: UTF-8, no declaration, no indentation.
void saveWithLibxml2(const TXmlDoc& doc, const std::string& path);

}  // namespace bench
