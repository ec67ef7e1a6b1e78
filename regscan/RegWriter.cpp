// The writer of the registry parameter file: the whole document is built in
// memory through the XML DOM and saved in one call.
#include "regscan/RegWriter.h"

#include <vector>

#include "framework/Exception.h"
#include "regscan/TempFile.h"

using namespace Msxml2_tlb;

const char* const kRegParamsNamespace = "http://www.calderine.com/regparams";

namespace {

// Ends the export unless the whole document reached `path`. Any status but
// S_OK is a failed save here: a write that fails part-way reports S_FALSE.
// Nothing can go on after a save that did not happen, so the report ends the
// export whatever the answer.
void SaveInto(const IXMLDOMDocumentPtr& doc, const AnsiString& path) {
    HRESULT status = doc->save(TVarShallow(path));
    if (status == S_OK) return;
    if (SUCCEEDED(status)) status = E_FAIL;
    HRABANDON_TEXT(status, "doc->save(TVarShallow(path))");
}

// Whether `tail`, the end of a saved file, ends the document element: its end
// tag, or the element itself when it is empty. A cut file ends elsewhere, and
// "<" inside names and data is always escaped, so no text can mimic these.
bool EndsDocument(AnsiString tail) {
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) tail.pop_back();
    const std::size_t lastTag = tail.rfind('<');
    if (lastTag == AnsiString::npos) return false;
    const AnsiString tag = tail.substr(lastTag);
    if (tag == "</RegParams>") return true;
    return tag.compare(0, 10, "<RegParams") == 0 && tag.size() >= 12 && tag.compare(tag.size() - 2, 2, "/>") == 0 &&
           (tag[10] == ' ' || tag[10] == '/');
}

// The save's status alone is no proof: on a full disk the DOM has reported
// success for a cut file. The file's end must be the document's end.
void RequireWholeFile(const TTempFile& file, const AnsiString& destination) {
    // Long enough for the empty document element with its namespace.
    if (!EndsDocument(file.FlushedTail(256)))
        throw Exception(Format("TRegScanner, the file %s could not be written completely", destination.c_str()));
}

// The key's full path for messages: hive, top path, then each name.
AnsiString KeyPath(const TRegKey* node) {
    if (node->parent == nullptr) return map_hive_name(node->hive) + "\\" + node->name;
    return KeyPath(node->parent) + "\\" + node->name;
}

// The first character of ANSI `text` (read up to its NUL, as the DOM gets
// it) that XML cannot carry, judged on the UTF-16 form the DOM receives, so
// that every code page is judged alike; 0 when there is none.
unsigned FirstUnwritable(const AnsiString& text) {
    // ASCII is the same in every code page: only other text is converted.
    for (const char* at = text.c_str(); *at != '\0'; ++at) {
        const unsigned char byte = static_cast<unsigned char>(*at);
        if (byte >= 0x80) {
            const WideString wide(text.c_str());
            return FirstUnwritableCharacter(wide.c_bstr(), wide.Length());
        }
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') return byte;
    }
    return 0;
}

// "0x07" as before for the characters of one byte, "U+FFFF" above them.
AnsiString CharacterCode(unsigned character) {
    return character <= 0xFF ? Format("0x%02x", character) : Format("U+%04X", character);
}

// The text of each value of `node`, in order, once names and texts are known
// to be writable.
std::vector<AnsiString> WritableTexts(const TRegKey* node) {
    if (const unsigned c = FirstUnwritable(node->name))
        throw Exception(Format("TRegScanner, the name of key %s holds character %s, which XML cannot carry",
                               KeyPath(node).c_str(), CharacterCode(c).c_str()));
    std::vector<AnsiString> texts;
    texts.reserve(node->values.size());
    for (const TRegScanner::TValue& value : node->values) {
        texts.push_back(value_text(value));
        unsigned c = FirstUnwritable(value.name);
        if (!c) c = FirstUnwritable(texts.back());
        if (c)
            throw Exception(Format("TRegScanner, value \"%s\" of key %s holds character %s, which XML cannot carry",
                                   value.name.c_str(), KeyPath(node).c_str(), CharacterCode(c).c_str()));
    }
    return texts;
}

// Writes keys into one document. The element and attribute names are made
// once per document, not once per call; every key and value uses them.
class TKeyWriter {
public:
    void writeKey(IXMLDOMElementPtr parent, const TRegKey* node) const;

private:
    const WideString key_{"key"}, values_{"values"}, value_{"value"}, name_{"name"}, type_{"type"}, radix_{"radix"},
        decimal_{"decimal"};
};

// The reported texts of the checks below are fixed: they stay what they are
// whatever the calls look like.
void TKeyWriter::writeKey(IXMLDOMElementPtr parent, const TRegKey* node) const {
    const std::vector<AnsiString> texts = WritableTexts(node);
    IXMLDOMDocumentPtr owner = get_ownerDocument(parent);

    IXMLDOMElementPtr elem = createElement(owner, key_.c_bstr());
    HRCHECK_TEXT(elem->setAttribute(name_.c_bstr(), TVarShallow(node->name.c_str())),
                 "elem->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(node->name.c_str()))");
    appendChild(parent, elem);

    IXMLDOMElementPtr values = createElement(owner, values_.c_bstr());
    for (std::size_t i = 0; i < node->values.size(); ++i) {
        const TRegScanner::TValue* it = &node->values[i];
        IXMLDOMElementPtr item = createElement(owner, value_.c_bstr());
        HRCHECK_TEXT(item->setAttribute(name_.c_bstr(), TVarShallow(it->name.c_str())),
                     "item->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(it->name.c_str()))");
        HRCHECK_TEXT(item->setAttribute(type_.c_bstr(), TVarShallow(map_reg_type(it->type).c_str())),
                     "item->setAttribute(WideString(\"type\").c_bstr(), TVarShallow(map_reg_type(it->type).c_str()))");
        if (it->type == REG_DWORD)
            HRCHECK_TEXT(
                item->setAttribute(radix_.c_bstr(), TVarShallow(decimal_.c_bstr())),
                "item->setAttribute(WideString(\"radix\").c_bstr(), TVarShallow(WideString(\"decimal\").c_bstr()))");
        IXMLDOMTextPtr contents = createTextNode(owner, WideString(texts[i].c_str()).c_bstr());
        appendChild(item, contents);
        appendChild(values, item);
    }
    appendChild(elem, values);

    for (const TRegKey* child : node->subKeys) writeKey(elem, child);
}

}  // namespace

unsigned FirstUnwritableCharacter(const WCHAR* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned unit = text[i];
        if (unit < 0x20 && unit != '\t' && unit != '\n' && unit != '\r') return unit;
        if (unit == 0xFFFE || unit == 0xFFFF) return unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i;  // a pair: one character beyond U+FFFF
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
    }
    return 0;
}

IXMLDOMDocumentPtr BuildDocument(const TRegScanner& scanner) {
    IXMLDOMDocumentPtr doc;
    HRCHECK_TEXT(CoClassCreator::CoCreateInstance(Msxml2_tlb::CLSID_DOMDocument40, IID_IXMLDOMDocument, (LPVOID*)&doc),
                 "CoClassCreator::CoCreateInstance(Msxml2_tlb::CLSID_DOMDocument40, IID_IXMLDOMDocument, "
                 "(LPVOID *)&doc)");

    IXMLDOMElementPtr rootElem = createElement(doc, WideString("RegParams").c_bstr());
    // The report quotes the namespace itself, as the file carries it.
    HRCHECK_TEXT(rootElem->setAttribute(WideString("xlmns").c_bstr(), TVarShallow(kRegParamsNamespace)),
                 "rootElem->setAttribute(WideString(\"xlmns\").c_bstr(), "
                 "TVarShallow(\"http://www.calderine.com/regparams\"))");
    // Left unchecked, as the writer always had it: a document without its
    // element still ends the export, at the first hive's append (an empty
    // holder) or at the check of the saved file.
    doc->putref_documentElement(rootElem);

    const TKeyWriter writer;
    for (const TRegTreeNode& tree : scanner.trees) {
        if (tree.key == nullptr) continue;
        AnsiString hiveName = map_hive_name(tree.key->hive);
        IXMLDOMElementPtr elem = createElement(doc, WideString("hive").c_bstr());
        HRCHECK_TEXT(elem->setAttribute(WideString("name").c_bstr(), TVarShallow(hiveName)),
                     "elem->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(hiveName))");
        // Two statements: the document element is asked for before the
        // hive's conversion to a node, so their checks report in that order.
        IXMLDOMElementPtr documentElement = get_documentElement(doc);
        appendChild(documentElement, elem);
        writer.writeKey(elem, tree.key);
    }
    return doc;
}

void SaveDocument(const IXMLDOMDocumentPtr& doc, const AnsiString& path) {
    TTempFile temporary(path);
    SaveInto(doc, temporary.Path());
    RequireWholeFile(temporary, path);
    temporary.ReplaceDestination();
}

void TRegScanner::saveXml(AnsiString path) const {
    SaveDocument(BuildDocument(*this), path);
}
