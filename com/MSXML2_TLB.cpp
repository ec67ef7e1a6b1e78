// Checked wrappers of the DOM methods that yield an interface.
#include "com/MSXML2_TLB.h"

namespace Msxml2_tlb {

const CLSID CLSID_DOMDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};

IXMLDOMElementPtr createElement(const IXMLDOMDocumentPtr& doc, BSTR tagName) {
    IXMLDOMElementPtr element;
    HRCHECK_TEXT(doc->createElement(tagName, &element),
                 "this->createElement(tagName, (Msxml2_tlb::IXMLDOMElementPtr*)&element)");
    return element;
}

IXMLDOMTextPtr createTextNode(const IXMLDOMDocumentPtr& doc, BSTR data) {
    IXMLDOMTextPtr text;
    HRCHECK_TEXT(doc->createTextNode(data, &text), "this->createTextNode(data, (Msxml2_tlb::IXMLDOMTextPtr*)&text)");
    return text;
}

IXMLDOMElementPtr get_documentElement(const IXMLDOMDocumentPtr& doc) {
    IXMLDOMElementPtr DOMElement;
    HRCHECK_TEXT(doc->get_documentElement(&DOMElement),
                 "this->get_documentElement((Msxml2_tlb::IXMLDOMElementPtr*)&DOMElement)");
    return DOMElement;
}

}  // namespace Msxml2_tlb
