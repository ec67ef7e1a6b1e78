#include "support/xml_tree_reader.h"

#include <msxml2.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "unicode_text.h"

namespace {

// The XML 4.0 document class, as the program uses it; mingw declares it
// without defining it.
const CLSID kDomDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};

struct TRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class T>
using TRef = std::unique_ptr<T, TRelease>;

class TBstr {
public:
    explicit TBstr(const std::wstring& text = std::wstring())
        : text_(text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    ~TBstr() { SysFreeString(text_); }
    BSTR* put() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }
    BSTR get() const { return text_; }
    std::string Utf8() const { return text_ ? Utf8Of(std::wstring(text_, SysStringLen(text_))) : std::string(); }

private:
    BSTR text_;
};

class TComApartment {
public:
    TComApartment() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;
    ~TComApartment() {
        if (started_) CoUninitialize();
    }

private:
    bool started_;
};

std::string NameOf(IXMLDOMNode* node) {
    TBstr name;
    node->get_nodeName(name.put());
    return name.Utf8();
}

// The exact value of a text node or an attribute (the `text` property may
// trim blanks).
std::string ValueOf(IXMLDOMNode* node) {
    VARIANT value;
    VariantInit(&value);
    std::string text;
    if (SUCCEEDED(node->get_nodeValue(&value)) && value.vt == VT_BSTR && value.bstrVal)
        text = Utf8Of(std::wstring(value.bstrVal, SysStringLen(value.bstrVal)));
    VariantClear(&value);
    return text;
}

void Describe(IXMLDOMNode* element, int depth, std::string& out) {
    out += std::string(depth * 2, ' ') + NameOf(element);
    IXMLDOMNamedNodeMap* rawAttributes = nullptr;
    element->get_attributes(&rawAttributes);
    const TRef<IXMLDOMNamedNodeMap> attributes(rawAttributes);
    long count = 0;
    if (attributes) attributes->get_length(&count);
    for (long i = 0; i < count; ++i) {
        IXMLDOMNode* rawAttribute = nullptr;
        attributes->get_item(i, &rawAttribute);
        const TRef<IXMLDOMNode> attribute(rawAttribute);
        if (!attribute) continue;
        // Appended piece by piece: GCC 12 warns wrongly about "literal" + std::string at -O3.
        out += " ";
        out += NameOf(attribute.get());
        out += "=\"";
        out += ValueOf(attribute.get());
        out += "\"";
    }

    IXMLDOMNodeList* rawChildren = nullptr;
    element->get_childNodes(&rawChildren);
    const TRef<IXMLDOMNodeList> children(rawChildren);
    count = 0;
    if (children) children->get_length(&count);
    std::vector<TRef<IXMLDOMNode>> elements;
    std::string text;
    bool hasText = false;
    for (long i = 0; i < count; ++i) {
        IXMLDOMNode* rawChild = nullptr;
        children->get_item(i, &rawChild);
        TRef<IXMLDOMNode> child(rawChild);
        DOMNodeType type = NODE_INVALID;
        if (!child || FAILED(child->get_nodeType(&type))) continue;
        if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
            hasText = true;
            text += ValueOf(child.get());
        } else if (type == NODE_ELEMENT) {
            elements.push_back(std::move(child));
        }
    }
    if (hasText) {
        out += " [";
        out += text;
        out += "]";
    }
    out += "\n";
    for (const TRef<IXMLDOMNode>& child : elements) Describe(child.get(), depth + 1, out);
}

}  // namespace

std::string XmlTreeOfText(const std::string& utf8Xml) {
    TComApartment apartment;
    IXMLDOMDocument* rawDocument = nullptr;
    CoCreateInstance(kDomDocument40, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                     reinterpret_cast<void**>(&rawDocument));
    const TRef<IXMLDOMDocument> document(rawDocument);
    if (!document) return "(unreadable: no XML DOM document)";
    document->put_async(VARIANT_FALSE);
    // Every character of the file counts, blanks included.
    document->put_preserveWhiteSpace(VARIANT_TRUE);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const TBstr xml(Utf16Of(utf8Xml));
    if (FAILED(document->loadXML(xml.get(), &loaded)) || loaded != VARIANT_TRUE) {
        IXMLDOMParseError* rawError = nullptr;
        document->get_parseError(&rawError);
        const TRef<IXMLDOMParseError> error(rawError);
        TBstr reason;
        if (error) error->get_reason(reason.put());
        std::string unreadable = "(unreadable: ";
        unreadable += reason.Utf8();
        return unreadable + ")";
    }
    IXMLDOMElement* rawRoot = nullptr;
    document->get_documentElement(&rawRoot);
    const TRef<IXMLDOMElement> root(rawRoot);
    std::string out;
    if (root) Describe(root.get(), 0, out);
    return out;
}
