// A copy of the writer's document build (see writer_phases.h).
#include "bench/writer_phases.h"

#include "framework/Exception.h"

using namespace Msxml2_tlb;

namespace bench {

namespace {

AnsiString keyPath(const TRegKey* node) {
    if (node->parent == nullptr) return map_hive_name(node->hive) + "\\" + node->name;
    return keyPath(node->parent) + "\\" + node->name;
}

bool writable(const AnsiString& text) {
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') return false;
    }
    return true;
}

// The writer refuses text XML cannot carry before it builds a key; the same
// pass over names and value texts is part of the cost.
void requireWritable(const TRegKey* node) {
    if (!writable(node->name)) throw Exception("unwritable key name in " + keyPath(node));
    for (const TRegScanner::TValue& value : node->values)
        if (!writable(value.name) || !writable(value_text(value)))
            throw Exception("unwritable value \"" + value.name + "\" in " + keyPath(node));
}

void writeKey(IXMLDOMElementPtr parent, const TRegKey* node) {
    requireWritable(node);
    IXMLDOMDocumentPtr owner = get_ownerDocument(parent);

    IXMLDOMElementPtr elem = createElement(owner, WideString("key").c_bstr());
    HRCHECK(elem->setAttribute(WideString("name").c_bstr(), TVarShallow(node->name.c_str())));
    appendChild(parent, elem);

    IXMLDOMElementPtr values = createElement(owner, WideString("values").c_bstr());
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
        IXMLDOMElementPtr item = createElement(owner, WideString("value").c_bstr());
        HRCHECK(item->setAttribute(WideString("name").c_bstr(), TVarShallow(it->name.c_str())));
        HRCHECK(item->setAttribute(WideString("type").c_bstr(), TVarShallow(map_reg_type(it->type).c_str())));
        if (it->type == REG_DWORD)
            HRCHECK(item->setAttribute(WideString("radix").c_bstr(), TVarShallow(WideString("decimal").c_bstr())));
        IXMLDOMTextPtr contents = createTextNode(owner, WideString(value_text(*it).c_str()).c_bstr());
        appendChild(item, contents);
        appendChild(values, item);
    }
    appendChild(elem, values);

    for (const TRegKey* child : node->subKeys) writeKey(elem, child);
}

}  // namespace

IXMLDOMDocumentPtr buildDocument(const TRegScanner& scanner) {
    IXMLDOMDocumentPtr doc;
    HRCHECK(CoClassCreator::CoCreateInstance(Msxml2_tlb::CLSID_DOMDocument40, IID_IXMLDOMDocument, (LPVOID*)&doc));
    IXMLDOMElementPtr rootElem = createElement(doc, WideString("RegParams").c_bstr());
    HRCHECK(rootElem->setAttribute(WideString("xlmns").c_bstr(), TVarShallow(kRegParamsNamespace)));
    doc->putref_documentElement(rootElem);
    for (const TRegTreeNode& tree : scanner.trees) {
        if (tree.key == nullptr) continue;
        AnsiString hiveName = map_hive_name(tree.key->hive);
        IXMLDOMElementPtr elem = createElement(doc, WideString("hive").c_bstr());
        HRCHECK(elem->setAttribute(WideString("name").c_bstr(), TVarShallow(hiveName)));
        appendChild(get_documentElement(doc), elem);
        writeKey(elem, tree.key);
    }
    return doc;
}

void saveDocument(const IXMLDOMDocumentPtr& doc, const AnsiString& path) {
    const HRESULT status = doc->save(TVarShallow(path));
    if (status != S_OK) throw Exception(Format("save returned 0x%lx", static_cast<unsigned long>(status)));
}

}  // namespace bench
