#include "platform/stand-in/dom_objects.h"

#include <new>

#include "platform/stand-in/code_page.h"

namespace standin::dom {

namespace {

const xmlChar* xml_text(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
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
    // The result is optional: the benchmark's DOM floor passes none.
    if (outNewChild != nullptr) *outNewChild = nullptr;
    if (auto fault = faults.enter(DomOp::AppendChild)) return *fault;
    // The program appends new nodes of its one document under elements; only
    // an empty holder, left by a failed call the user went on after, arrives
    // here as a child that is none.
    auto* child_access = dynamic_cast<NodeAccess*>(newChild);
    if (child_access == nullptr) return E_INVALIDARG;
    // xmlAddChild would merge a text node into a text before it and free it;
    // a value holds one text only, so that never happens here.
    xmlAddChild(xml_node(), child_access->xml_node());
    if (outNewChild != nullptr) {
        newChild->AddRef();
        *outNewChild = newChild;
    }
    return S_OK;
}

template <class Interface>
HRESULT DomObject<Interface>::get_ownerDocument(IXMLDOMDocument** DOMDocument) {
    *DOMDocument = nullptr;
    if (auto fault = faults.enter(DomOp::GetOwnerDocument)) return *fault;
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
    // xmlSetProp keeps an existing attribute's place and takes the value as
    // literal text (no entity references).
    if (xmlSetProp(node_, xml_text(cp::to_utf8(name)), xml_text(cp::to_utf8(value.bstrVal))) == nullptr)
        return E_OUTOFMEMORY;
    return S_OK;
}

// ---- Document operations --------------------------------------------------

HRESULT DomDocument::get_documentElement(IXMLDOMElement** DOMElement) {
    *DOMElement = nullptr;
    if (auto fault = faults.enter(DomOp::GetDocumentElement)) return *fault;
    const xmlNodePtr root = xmlDocGetRootElement(doc_);
    if (root == nullptr) return S_FALSE;
    DomElement* element = element_object(this, root);
    if (element == nullptr) return E_OUTOFMEMORY;
    *DOMElement = element;
    return S_OK;
}

HRESULT DomDocument::putref_documentElement(IXMLDOMElement* DOMElement) {
    if (auto fault = faults.enter(DomOp::PutrefDocumentElement)) return *fault;
    // Called once, with a new element: nothing is replaced or moved.
    xmlDocSetRootElement(doc_, static_cast<DomElement*>(DOMElement)->xml_node());
    return S_OK;
}

HRESULT DomDocument::createElement(BSTR tagName, IXMLDOMElement** element) {
    *element = nullptr;
    if (auto fault = faults.enter(DomOp::CreateElement)) return *fault;
    NodeOwner node(xmlNewDocNode(doc_, nullptr, xml_text(cp::to_utf8(tagName)), nullptr));
    if (node == nullptr) return E_OUTOFMEMORY;
    auto* created = new (std::nothrow) DomElement(this, node.get());
    if (created == nullptr) return E_OUTOFMEMORY;
    node.release();  // the COM object frees it from now on
    *element = created;
    return S_OK;
}

HRESULT DomDocument::createTextNode(BSTR data, IXMLDOMText** text) {
    *text = nullptr;
    if (auto fault = faults.enter(DomOp::CreateTextNode)) return *fault;
    NodeOwner node(xmlNewDocText(doc_, xml_text(cp::to_utf8(data))));
    if (node == nullptr) return E_OUTOFMEMORY;
    auto* created = new (std::nothrow) DomText(this, node.get());
    if (created == nullptr) return E_OUTOFMEMORY;
    node.release();
    *text = created;
    return S_OK;
}

}  // namespace standin::dom
