// Direct libxml2 build of the RegParams document (stand-in build only).
#include "bench/libxml2_direct.h"

#include <libxml/xmlsave.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/winapi.h"

namespace bench {

namespace {

struct SaveClose {
    void operator()(xmlSaveCtxtPtr context) const { xmlSaveClose(context); }
};

const xmlChar* xml(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

// The snapshot's text is ANSI; libxml2 takes UTF-8. Ends at the first NUL,
// as the program's conversions do.
std::string utf8(const AnsiString& text) {
    const int length = static_cast<int>(std::strlen(text.c_str()));
    if (length == 0) return std::string();
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.c_str(), length,
                                                             reinterpret_cast<LPWSTR>(wide.data()), length)));
    std::string out(wide.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<LPCWSTR>(wide.data()),
                                                            static_cast<int>(wide.size()), out.data(),
                                                            static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

xmlNodePtr child(xmlNodePtr parent, const char* name) {
    xmlNodePtr node = xmlNewChild(parent, nullptr, xml(name), nullptr);
    if (node == nullptr) throw std::runtime_error("xmlNewChild failed");
    return node;
}

void attribute(xmlNodePtr node, const char* name, const std::string& value) {
    if (xmlSetProp(node, xml(name), xml(value.c_str())) == nullptr) throw std::runtime_error("xmlSetProp failed");
}

void writeKey(xmlNodePtr parent, const TRegKey* node) {
    xmlNodePtr key = child(parent, "key");
    attribute(key, "name", utf8(node->name));
    xmlNodePtr values = child(key, "values");
    for (const TRegScanner::TValue& value : node->values) {
        xmlNodePtr item = child(values, "value");
        attribute(item, "name", utf8(value.name));
        attribute(item, "type", map_reg_type(value.type));
        if (value.type == REG_DWORD) attribute(item, "radix", "decimal");
        xmlNodePtr text = xmlNewDocText(parent->doc, xml(utf8(value_text(value)).c_str()));
        if (text == nullptr || xmlAddChild(item, text) == nullptr) throw std::runtime_error("text node failed");
    }
    for (const TRegKey* subKey : node->subKeys) writeKey(key, subKey);
}

}  // namespace

TXmlDoc buildWithLibxml2(const TRegScanner& scanner) {
    TXmlDoc doc(xmlNewDoc(xml("1.0")));
    if (doc == nullptr) throw std::runtime_error("xmlNewDoc failed");
    xmlNodePtr root = xmlNewDocNode(doc.get(), nullptr, xml("RegParams"), nullptr);
    if (root == nullptr) throw std::runtime_error("xmlNewDocNode failed");
    xmlDocSetRootElement(doc.get(), root);
    attribute(root, "xlmns", kRegParamsNamespace);
    for (const TRegTreeNode& tree : scanner.trees) {
        if (tree.key == nullptr) continue;
        xmlNodePtr hive = child(root, "hive");
        attribute(hive, "name", map_hive_name(tree.key->hive));
        writeKey(hive, tree.key);
    }
    return doc;
}

void saveWithLibxml2(const TXmlDoc& doc, const std::string& path) {
    std::unique_ptr<xmlSaveCtxt, SaveClose> context(xmlSaveToFilename(path.c_str(), "UTF-8", XML_SAVE_NO_DECL));
    if (context == nullptr) throw std::runtime_error("cannot write " + path);
    const long written = xmlSaveDoc(context.get(), doc.get());
    // Closing flushes; its result tells whether everything reached the file.
    if (xmlSaveClose(context.release()) < 0 || written < 0) throw std::runtime_error("saving " + path + " failed");
}

}  // namespace bench
