// The XML DOM operations the program uses, each checked: the class and
// interface identifiers, the holder types, and wrappers of the methods that
// yield an interface.
#pragma once

#include "com/utilcls.h"

// The holder of interface I asks for IID_I.
#define DEFINE_INTERFACE_ID(I)                        \
    template <>                                       \
    struct InterfaceId<I> {                           \
        static const IID& value() { return IID_##I; } \
    }

DEFINE_INTERFACE_ID(IXMLDOMDocument);
DEFINE_INTERFACE_ID(IXMLDOMElement);
DEFINE_INTERFACE_ID(IXMLDOMNode);
DEFINE_INTERFACE_ID(IXMLDOMText);

namespace Msxml2_tlb {

// The XML 4.0 document class; declared by the SDK, defined by no library.
extern const CLSID CLSID_DOMDocument40;

typedef TComInterface<IXMLDOMDocument> IXMLDOMDocumentPtr;
typedef TComInterface<IXMLDOMElement> IXMLDOMElementPtr;
typedef TComInterface<IXMLDOMNode> IXMLDOMNodePtr;
typedef TComInterface<IXMLDOMText> IXMLDOMTextPtr;

IXMLDOMElementPtr createElement(const IXMLDOMDocumentPtr& doc, BSTR tagName);
IXMLDOMTextPtr createTextNode(const IXMLDOMDocumentPtr& doc, BSTR data);
IXMLDOMElementPtr get_documentElement(const IXMLDOMDocumentPtr& doc);

template <class T>
IXMLDOMDocumentPtr get_ownerDocument(const TComInterface<T>& node) {
    IXMLDOMDocumentPtr DOMDocument;
    HRCHECK_TEXT(node->get_ownerDocument(&DOMDocument),
                 "this->get_ownerDocument((Msxml2_tlb::IXMLDOMDocumentPtr*)&DOMDocument)");
    return DOMDocument;
}

// Appends `newChild` as the last child of `parent`; the node the call
// returns is released at once.
template <class T>
void appendChild(const TComInterface<T>& parent, const IXMLDOMNodePtr& newChild) {
    IXMLDOMNodePtr outNewChild;
    HRCHECK_TEXT(parent->appendChild(newChild, &outNewChild),
                 "this->appendChild(newChild, (Msxml2_tlb::IXMLDOMNodePtr*)&outNewChild)");
}

}  // namespace Msxml2_tlb

using Msxml2_tlb::IXMLDOMDocumentPtr;
using Msxml2_tlb::IXMLDOMElementPtr;
using Msxml2_tlb::IXMLDOMNodePtr;
using Msxml2_tlb::IXMLDOMTextPtr;
