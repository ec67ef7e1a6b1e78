// The XML DOM interfaces, cut down to the methods the program calls. The
// method signatures and the inheritance (document, element and text are all
// nodes) follow the SDK's msxml2.h.
#pragma once

#include "win_types.h"

struct IXMLDOMDocument;

struct IXMLDOMNode : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE appendChild(IXMLDOMNode* newChild, IXMLDOMNode** outNewChild) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ownerDocument(IXMLDOMDocument** DOMDocument) = 0;

protected:
    ~IXMLDOMNode() = default;
};

struct IXMLDOMElement : IXMLDOMNode {
    virtual HRESULT STDMETHODCALLTYPE setAttribute(BSTR name, VARIANT value) = 0;

protected:
    ~IXMLDOMElement() = default;
};

struct IXMLDOMText : IXMLDOMNode {
protected:
    ~IXMLDOMText() = default;
};

struct IXMLDOMDocument : IXMLDOMNode {
    virtual HRESULT STDMETHODCALLTYPE get_documentElement(IXMLDOMElement** DOMElement) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_documentElement(IXMLDOMElement* DOMElement) = 0;
    virtual HRESULT STDMETHODCALLTYPE createElement(BSTR tagName, IXMLDOMElement** element) = 0;
    virtual HRESULT STDMETHODCALLTYPE createTextNode(BSTR data, IXMLDOMText** text) = 0;
    virtual HRESULT STDMETHODCALLTYPE save(VARIANT destination) = 0;

protected:
    ~IXMLDOMDocument() = default;
};

extern const IID IID_IXMLDOMNode;
extern const IID IID_IXMLDOMElement;
extern const IID IID_IXMLDOMText;
extern const IID IID_IXMLDOMDocument;
