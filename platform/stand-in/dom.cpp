// The XML DOM document, element and text node as COM objects over a libxml2
// tree. Each libxml2 node has at most one COM object, found through the
// node's _private field; every element and text object holds a reference on
// its document, so the libxml2 document outlives all of them. A node that is
// not in the document's tree (created, not yet appended) belongs to nobody in
// libxml2: it is freed here when no COM object is left anywhere in its
// detached subtree.
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <array>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/stand-in/control.h"
#include "platform/stand-in/dom_factory.h"
#include "platform/stand-in/fault_schedule.h"
#include "platform/stand-in/msxml.h"

namespace {

using standin::DomOp;

// ---- Call counts and injected faults ---------------------------------------

standin::FaultSchedule<DomOp, DomOp::QueryInterface, HRESULT> faults;
std::size_t live_objects = 0;

std::optional<HRESULT> enter(DomOp op) {
    return faults.enter(op);
}

// ---- Text -----------------------------------------------------------------

// UTF-16 up to its NUL to UTF-8; a lone surrogate becomes U+FFFD. Reads up to
// the NUL rather than the BSTR prefix, so plain wide literals work as well.
std::string to_utf8(const OLECHAR* text) {
    std::string out;
    if (text == nullptr) return out;
    for (std::size_t i = 0; text[i] != u'\0'; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

const xmlChar* xml_text(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

// An XML name; anything else would make the saved file unreadable.
bool valid_name(const std::string& name) {
    return !name.empty() && xmlValidateName(xml_text(name), 0) == 0;
}

// ---- libxml2 owners -------------------------------------------------------

struct NodeFree {
    void operator()(xmlNodePtr node) const { xmlFreeNode(node); }
};
using NodeOwner = std::unique_ptr<xmlNode, NodeFree>;

struct BufferFree {
    void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};
struct SaveClose {
    void operator()(xmlSaveCtxtPtr context) const { xmlSaveClose(context); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// ---- Tree ownership -------------------------------------------------------

bool has_com_object(xmlNodePtr node) {
    if (node->_private != nullptr) return true;
    for (xmlNodePtr child = node->children; child != nullptr; child = child->next)
        if (has_com_object(child)) return true;
    return false;
}

xmlNodePtr top_of(xmlNodePtr node) {
    while (node->parent != nullptr) node = node->parent;
    return node;
}

// Frees a detached subtree that no COM object can reach any more.
void free_if_unreachable(xmlNodePtr top) {
    if (top->type == XML_DOCUMENT_NODE || top->parent != nullptr) return;
    if (!has_com_object(top)) xmlFreeNode(top);
}

bool is_ancestor_or_self(xmlNodePtr candidate, xmlNodePtr node) {
    for (; node != nullptr; node = node->parent)
        if (node == candidate) return true;
    return false;
}

// Links `child` (already unlinked) as the last child of `parent`. Done by hand
// because xmlAddChild merges adjacent text nodes and frees the one added,
// which would leave its COM object dangling.
void link_last_child(xmlNodePtr parent, xmlNodePtr child) {
    child->parent = parent;
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last != nullptr)
        parent->last->next = child;
    else
        parent->children = child;
    parent->last = child;
}

// ---- COM objects ----------------------------------------------------------

class DomDocument;

// What every DOM object tells about itself, whichever interface it is seen by.
class NodeAccess {
public:
    virtual xmlNodePtr xml_node() = 0;
    virtual DomDocument* owner() = 0;

protected:
    ~NodeAccess() = default;
};

template <class Interface>
class DomObject : public Interface, public NodeAccess {
public:
    DomObject() { ++live_objects; }
    DomObject(const DomObject&) = delete;
    DomObject& operator=(const DomObject&) = delete;
    virtual ~DomObject() { --live_objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject != nullptr) *ppvObject = nullptr;
        if (auto fault = enter(DomOp::QueryInterface)) return *fault;
        if (ppvObject == nullptr) return E_POINTER;
        return query(riid, ppvObject);
    }

    // The query itself, not counted and never failed on purpose.
    HRESULT query(REFIID riid, void** ppvObject) {
        *ppvObject = nullptr;
        if (riid != IID_IUnknown && riid != IID_IXMLDOMNode && riid != own_iid()) return E_NOINTERFACE;
        AddRef();
        *ppvObject = static_cast<Interface*>(this);
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) override;
    HRESULT STDMETHODCALLTYPE get_ownerDocument(IXMLDOMDocument** DOMDocument) override;

private:
    static const IID& own_iid() {
        if constexpr (std::is_same_v<Interface, IXMLDOMDocument>)
            return IID_IXMLDOMDocument;
        else if constexpr (std::is_same_v<Interface, IXMLDOMElement>)
            return IID_IXMLDOMElement;
        else
            return IID_IXMLDOMText;
    }

    ULONG references_ = 1;
};

class DomDocument final : public DomObject<IXMLDOMDocument> {
public:
    DomDocument() : doc_(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"))) {}
    ~DomDocument() override { xmlFreeDoc(doc_); }

    bool usable() const { return doc_ != nullptr; }
    xmlNodePtr xml_node() override { return reinterpret_cast<xmlNodePtr>(doc_); }
    DomDocument* owner() override { return this; }

    HRESULT STDMETHODCALLTYPE get_documentElement(IXMLDOMElement** DOMElement) override;
    HRESULT STDMETHODCALLTYPE putref_documentElement(IXMLDOMElement* DOMElement) override;
    HRESULT STDMETHODCALLTYPE createElement(BSTR tagName, IXMLDOMElement** element) override;
    HRESULT STDMETHODCALLTYPE createTextNode(BSTR data, IXMLDOMText** text) override;
    HRESULT STDMETHODCALLTYPE save(VARIANT destination) override;

    // Makes `child` (a node of this document) the document element.
    HRESULT set_root(xmlNodePtr child);

private:
    std::optional<std::string> serialise() const;

    xmlDocPtr doc_;
};

// An element or text node: holds its libxml2 node and a reference on the
// document.
template <class Interface>
class DomNode : public DomObject<Interface> {
public:
    DomNode(DomDocument* document, xmlNodePtr node) : document_(document), node_(node) {
        document_->AddRef();
        node_->_private = this;
    }
    ~DomNode() override {
        node_->_private = nullptr;
        free_if_unreachable(top_of(node_));
        document_->Release();
    }

    xmlNodePtr xml_node() override { return node_; }
    DomDocument* owner() override { return document_; }

protected:
    DomDocument* document_;
    xmlNodePtr node_;
};

class DomElement final : public DomNode<IXMLDOMElement> {
public:
    using DomNode::DomNode;
    HRESULT STDMETHODCALLTYPE setAttribute(BSTR name, VARIANT value) override;
};

class DomText final : public DomNode<IXMLDOMText> {
public:
    using DomNode::DomNode;
};

// The element's COM object with one reference more, made if it has none.
DomElement* element_object(DomDocument* document, xmlNodePtr node) {
    if (node->_private != nullptr) {
        auto* existing = static_cast<DomElement*>(static_cast<DomNode<IXMLDOMElement>*>(node->_private));
        existing->AddRef();
        return existing;
    }
    return new (std::nothrow) DomElement(document, node);
}

// ---- Node operations ------------------------------------------------------

template <class Interface>
HRESULT DomObject<Interface>::appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) {
    if (outNewChild != nullptr) *outNewChild = nullptr;
    if (auto fault = enter(DomOp::AppendChild)) return *fault;
    auto* child_access = dynamic_cast<NodeAccess*>(newChild);
    if (child_access == nullptr || child_access->owner() != owner()) return E_INVALIDARG;

    const xmlNodePtr parent = xml_node();
    const xmlNodePtr child = child_access->xml_node();
    if (child->type == XML_DOCUMENT_NODE || parent->type == XML_TEXT_NODE) return E_FAIL;
    if (is_ancestor_or_self(child, parent)) return E_FAIL;

    if (parent->type == XML_DOCUMENT_NODE) {
        // A document holds one element and nothing else we create.
        if (child->type != XML_ELEMENT_NODE || xmlDocGetRootElement(parent->doc) != nullptr) return E_FAIL;
        const HRESULT hr = owner()->set_root(child);
        if (FAILED(hr)) return hr;
    } else {
        const xmlNodePtr old_top = top_of(child);
        xmlUnlinkNode(child);
        link_last_child(parent, child);
        if (old_top != child) free_if_unreachable(old_top);
    }
    if (outNewChild != nullptr) {
        newChild->AddRef();
        *outNewChild = newChild;
    }
    return S_OK;
}

template <class Interface>
HRESULT DomObject<Interface>::get_ownerDocument(IXMLDOMDocument** DOMDocument) {
    if (DOMDocument != nullptr) *DOMDocument = nullptr;
    if (auto fault = enter(DomOp::GetOwnerDocument)) return *fault;
    if (DOMDocument == nullptr) return E_INVALIDARG;
    // A document has no owner.
    if constexpr (std::is_same_v<Interface, IXMLDOMDocument>) {
        return S_FALSE;
    } else {
        DomDocument* document = owner();
        document->AddRef();
        *DOMDocument = document;
        return S_OK;
    }
}

HRESULT DomElement::setAttribute(BSTR name, VARIANT value) {
    if (auto fault = enter(DomOp::SetAttribute)) return *fault;
    if (name == nullptr || value.vt != VT_BSTR) return E_INVALIDARG;
    const std::string attribute = to_utf8(name);
    if (!valid_name(attribute)) return E_FAIL;
    // xmlSetProp keeps an existing attribute's place and takes the value as
    // literal text (no entity references).
    if (xmlSetProp(node_, xml_text(attribute), xml_text(to_utf8(value.bstrVal))) == nullptr) return E_OUTOFMEMORY;
    return S_OK;
}

// ---- Document operations --------------------------------------------------

HRESULT DomDocument::set_root(xmlNodePtr child) {
    const xmlNodePtr old_top = top_of(child);
    xmlUnlinkNode(child);
    const xmlNodePtr old_root = xmlDocSetRootElement(doc_, child);
    if (old_root != nullptr) free_if_unreachable(old_root);
    if (old_top != child) free_if_unreachable(old_top);
    return S_OK;
}

HRESULT DomDocument::get_documentElement(IXMLDOMElement** DOMElement) {
    if (DOMElement != nullptr) *DOMElement = nullptr;
    if (auto fault = enter(DomOp::GetDocumentElement)) return *fault;
    if (DOMElement == nullptr) return E_INVALIDARG;
    const xmlNodePtr root = xmlDocGetRootElement(doc_);
    if (root == nullptr) return S_FALSE;
    DomElement* element = element_object(this, root);
    if (element == nullptr) return E_OUTOFMEMORY;
    *DOMElement = element;
    return S_OK;
}

HRESULT DomDocument::putref_documentElement(IXMLDOMElement* DOMElement) {
    if (auto fault = enter(DomOp::PutrefDocumentElement)) return *fault;
    auto* access = dynamic_cast<NodeAccess*>(DOMElement);
    if (access == nullptr || access->owner() != this) return E_INVALIDARG;
    const xmlNodePtr child = access->xml_node();
    if (child->type != XML_ELEMENT_NODE) return E_INVALIDARG;
    if (child == xmlDocGetRootElement(doc_)) return S_OK;
    return set_root(child);
}

HRESULT DomDocument::createElement(BSTR tagName, IXMLDOMElement** element) {
    if (element != nullptr) *element = nullptr;
    if (auto fault = enter(DomOp::CreateElement)) return *fault;
    if (element == nullptr || tagName == nullptr) return E_INVALIDARG;
    const std::string name = to_utf8(tagName);
    if (!valid_name(name)) return E_FAIL;
    NodeOwner node(xmlNewDocNode(doc_, nullptr, xml_text(name), nullptr));
    if (node == nullptr) return E_OUTOFMEMORY;
    auto* created = new (std::nothrow) DomElement(this, node.get());
    if (created == nullptr) return E_OUTOFMEMORY;
    node.release();  // the COM object frees it from now on
    *element = created;
    return S_OK;
}

HRESULT DomDocument::createTextNode(BSTR data, IXMLDOMText** text) {
    if (text != nullptr) *text = nullptr;
    if (auto fault = enter(DomOp::CreateTextNode)) return *fault;
    if (text == nullptr) return E_INVALIDARG;
    NodeOwner node(xmlNewDocText(doc_, xml_text(to_utf8(data))));
    if (node == nullptr) return E_OUTOFMEMORY;
    auto* created = new (std::nothrow) DomText(this, node.get());
    if (created == nullptr) return E_OUTOFMEMORY;
    node.release();
    *text = created;
    return S_OK;
}

// The document as MSXML under Wine writes it: no declaration, UTF-8 without
// BOM, no indentation, one LF after the document element; nothing at all for
// a document without one.
std::optional<std::string> DomDocument::serialise() const {
    if (xmlDocGetRootElement(doc_) == nullptr) return std::string();
    std::unique_ptr<xmlBuffer, BufferFree> buffer(xmlBufferCreate());
    if (buffer == nullptr) return std::nullopt;
    {
        std::unique_ptr<xmlSaveCtxt, SaveClose> context(xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL));
        if (context == nullptr || xmlSaveDoc(context.get(), doc_) < 0) return std::nullopt;
    }  // closing the context flushes into the buffer
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

// Writes `bytes` to `path`: E_FAIL when the file cannot be opened (nothing is
// created then), S_FALSE when a write fails part-way, as Wine reports it.
HRESULT write_file(const std::string& path, const char* bytes, std::size_t size) {
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "wb"));
    if (file == nullptr) return E_FAIL;
    const bool written = std::fwrite(bytes, 1, size, file.get()) == size;
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed ? S_OK : S_FALSE;
}

HRESULT DomDocument::save(VARIANT destination) {
    const std::optional<HRESULT> fault = enter(DomOp::Save);
    if (fault && *fault < 0) return *fault;
    if (destination.vt != VT_BSTR) return E_INVALIDARG;
    const std::string path = to_utf8(destination.bstrVal);
    if (path.empty()) return E_FAIL;
    const std::optional<std::string> bytes = serialise();
    if (!bytes) return E_FAIL;
    if (fault) {
        // A write that fails part-way: half the file, then the injected status.
        write_file(path, bytes->data(), bytes->size() / 2);
        return *fault;
    }
    return write_file(path, bytes->data(), bytes->size());
}

}  // namespace

namespace standin {

HRESULT create_dom_document(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    auto* document = new (std::nothrow) DomDocument;
    if (document == nullptr) return E_OUTOFMEMORY;
    if (!document->usable()) {
        document->Release();
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = document->query(riid, ppv);
    document->Release();  // the creation's own reference
    return hr;
}

void dom_fail(DomOp op, unsigned nth, HRESULT code) {
    faults.arm(op, nth, code);
}

void dom_reset_faults() {
    faults.reset();
}

unsigned dom_call_count(DomOp op) {
    return faults.count(op);
}

std::size_t dom_live_objects() {
    return live_objects;
}

}  // namespace standin
