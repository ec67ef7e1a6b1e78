#include "platform/stand-in/dom_objects.h"

#include <new>

#include "platform/stand-in/utf8.h"

namespace standin::dom {

namespace {

const xmlChar* xml_text(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

// An XML name; anything else would make the saved file unreadable.
bool valid_name(const std::string& name) {
    return !name.empty() && xmlValidateName(xml_text(name), 0) == 0;
}

// The element's COM object with one reference more, made if it has none.
DomElement* element_object(DomDocument* document, xmlNodePtr node) {
    if (node->_private != nullptr) {
        auto* existing = static_cast<DomElement*>(static_cast<DomNode<IXMLDOMElement>*>(node->_private));
        existing->AddRef();
        return existing;
    }
    return new (std::nothrow) DomElement(document, node);
}

}  // namespace

// ---- Node operations ------------------------------------------------------

template <class Interface>
HRESULT DomObject<Interface>::appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) {
    if (outNewChild != nullptr) *outNewChild = nullptr;
    if (auto fault = faults.enter(DomOp::AppendChild)) return *fault;
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
    if (auto fault = faults.enter(DomOp::GetOwnerDocument)) return *fault;
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

template class DomObject<IXMLDOMDocument>;
template class DomObject<IXMLDOMElement>;
template class DomObject<IXMLDOMText>;

HRESULT DomElement::setAttribute(BSTR name, VARIANT value) {
    if (auto fault = faults.enter(DomOp::SetAttribute)) return *fault;
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
    if (auto fault = faults.enter(DomOp::GetDocumentElement)) return *fault;
    if (DOMElement == nullptr) return E_INVALIDARG;
    const xmlNodePtr root = xmlDocGetRootElement(doc_);
    if (root == nullptr) return S_FALSE;
    DomElement* element = element_object(this, root);
    if (element == nullptr) return E_OUTOFMEMORY;
    *DOMElement = element;
    return S_OK;
}

HRESULT DomDocument::putref_documentElement(IXMLDOMElement* DOMElement) {
    if (auto fault = faults.enter(DomOp::PutrefDocumentElement)) return *fault;
    auto* access = dynamic_cast<NodeAccess*>(DOMElement);
    if (access == nullptr || access->owner() != this) return E_INVALIDARG;
    const xmlNodePtr child = access->xml_node();
    if (child->type != XML_ELEMENT_NODE) return E_INVALIDARG;
    if (child == xmlDocGetRootElement(doc_)) return S_OK;
    return set_root(child);
}

HRESULT DomDocument::createElement(BSTR tagName, IXMLDOMElement** element) {
    if (element != nullptr) *element = nullptr;
    if (auto fault = faults.enter(DomOp::CreateElement)) return *fault;
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
    if (auto fault = faults.enter(DomOp::CreateTextNode)) return *fault;
    if (text == nullptr) return E_INVALIDARG;
    NodeOwner node(xmlNewDocText(doc_, xml_text(to_utf8(data))));
    if (node == nullptr) return E_OUTOFMEMORY;
    auto* created = new (std::nothrow) DomText(this, node.get());
    if (created == nullptr) return E_OUTOFMEMORY;
    node.release();
    *text = created;
    return S_OK;
}

}  // namespace standin::dom
