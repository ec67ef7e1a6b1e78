// The XML DOM document, element and text node as COM objects over a libxml2
// tree. Each libxml2 node has at most one COM object, found through the
// node's _private field; every element and text object holds a reference on
// its document, so the libxml2 document outlives all of them.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/stand-in/control.h"
#include "platform/stand-in/fault_schedule.h"
#include "platform/stand-in/msxml.h"
#include "platform/stand-in/xml_nodes.h"

namespace standin::dom {

// Kept by the factory, where tests read and steer them.
extern FaultSchedule<DomOp, DomOp::QueryInterface, HRESULT> faults;
extern std::size_t live_objects;

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
        *ppvObject = nullptr;
        if (auto fault = faults.enter(DomOp::QueryInterface)) return *fault;
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

}  // namespace standin::dom
