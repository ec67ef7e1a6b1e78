// The least the writer's document costs through the DOM, to measure the
// writer against: the same document through IXMLDOMDocument, IXMLDOMElement
// and IXMLDOMNode directly. The interfaces are raw on purpose: TComInterface
// checks every call through it and every out-parameter use, which is part of
// what the floor leaves out. Each reference is still released by an owner of
// framework/Owner.h, so a throw leaks nothing. Only the creation and the save
// are checked, so that a failed run gives no figure.
#include <stdexcept>

#include "bench/bench.h"
#include "com/MSXML2_TLB.h"
#include "framework/Owner.h"
#include "framework/WideString.h"
#include "regscan/RegScanner.h"

namespace bench {

namespace {

template <class T>
void releaseRef(T* intf) {
    intf->Release();
}
template <class T>
using TRef = TOwner<T*, &releaseRef<T>>;
using TBstr = TOwner<BSTR, &SysFreeString>;

// A VT_BSTR variant borrowing `text`: the method copies what it keeps.
VARIANT bstrVariant(BSTR text) {
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_BSTR;
    var.bstrVal = text;
    return var;
}

// The element and attribute names, made once per document.
struct TNames {
    TBstr regParams{AnsiToBstr("RegParams")}, xlmns{AnsiToBstr("xlmns")}, hive{AnsiToBstr("hive")},
        key{AnsiToBstr("key")}, values{AnsiToBstr("values")}, value{AnsiToBstr("value")}, name{AnsiToBstr("name")},
        type{AnsiToBstr("type")}, radix{AnsiToBstr("radix")}, decimal{AnsiToBstr("decimal")};
};

class TFloorWriter {
public:
    explicit TFloorWriter(IXMLDOMDocument* doc) : doc_(doc) {}

    void setAttribute(IXMLDOMElement* element, BSTR name, const char* text) const {
        const TBstr value(AnsiToBstr(text));
        element->setAttribute(name, bstrVariant(value.get()));
    }

    // The writer's calls in the writer's order, less what the floor does not
    // need: the check for text XML cannot carry, the owner document asked of
    // each parent, the node each append returns.
    void writeKey(IXMLDOMNode* parent, const TRegKey* node) const {
        TRef<IXMLDOMElement> elem;
        doc_->createElement(names_.key.get(), elem.put());
        setAttribute(elem.get(), names_.name.get(), node->name.c_str());
        parent->appendChild(elem.get(), nullptr);

        TRef<IXMLDOMElement> values;
        doc_->createElement(names_.values.get(), values.put());
        for (const TRegScanner::TValue& value : node->values) {
            TRef<IXMLDOMElement> item;
            doc_->createElement(names_.value.get(), item.put());
            setAttribute(item.get(), names_.name.get(), value.name.c_str());
            setAttribute(item.get(), names_.type.get(), map_reg_type(value.type).c_str());
            if (value.type == REG_DWORD)
                item.get()->setAttribute(names_.radix.get(), bstrVariant(names_.decimal.get()));
            // As the writer's WideString: an empty text is a null BSTR.
            const WideString text(value_text(value).c_str());
            TRef<IXMLDOMText> contents;
            doc_->createTextNode(text.c_bstr(), contents.put());
            item.get()->appendChild(contents.get(), nullptr);
            values.get()->appendChild(item.get(), nullptr);
        }
        elem.get()->appendChild(values.get(), nullptr);

        for (const TRegKey* child : node->subKeys) writeKey(elem.get(), child);
    }

    void writeDocument(const TRegScanner& scanner) const {
        TRef<IXMLDOMElement> root;
        doc_->createElement(names_.regParams.get(), root.put());
        setAttribute(root.get(), names_.xlmns.get(), kRegParamsNamespace);
        doc_->putref_documentElement(root.get());
        for (const TRegTreeNode& tree : scanner.trees) {
            if (tree.key == nullptr) continue;
            TRef<IXMLDOMElement> hive;
            doc_->createElement(names_.hive.get(), hive.put());
            setAttribute(hive.get(), names_.name.get(), map_hive_name(tree.key->hive).c_str());
            root.get()->appendChild(hive.get(), nullptr);
            writeKey(hive.get(), tree.key);
        }
    }

private:
    IXMLDOMDocument* doc_;
    TNames names_;
};

}  // namespace

TRecord runDomFloor(unsigned keyCount, const std::string& path) {
    TRegScanner scanner;
    TRecord record("domfloor");
    record.add("scan_ms", timedMs([&] { scanner.scan(HKEY_LOCAL_MACHINE, generatedTreePath(keyCount).c_str()); }));

    TRef<IXMLDOMDocument> doc;
    const double buildMs = timedMs([&] {
        if (FAILED(CoClassCreator::CoCreateInstance(Msxml2_tlb::CLSID_DOMDocument40, IID_IXMLDOMDocument,
                                                    reinterpret_cast<LPVOID*>(doc.put()))))
            throw std::runtime_error("the DOM floor could not create a document");
        TFloorWriter(doc.get()).writeDocument(scanner);
    });
    const double saveMs = timedMs([&] {
        const TBstr file(AnsiToBstr(path.c_str()));
        if (doc.get()->save(bstrVariant(file.get())) != S_OK)
            throw std::runtime_error("the DOM floor could not save " + path);
    });
    const double releaseMs = timedMs([&] { doc.Reset(); });
    return record.add("dom_ms", buildMs)
        .add("save_ms", saveMs)
        .add("release_ms", releaseMs)
        .add("domfloor_ms", buildMs + saveMs + releaseMs);
}

}  // namespace bench
