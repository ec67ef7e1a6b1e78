// How the stand-in's COM runtime reaches the XML DOM document class.
#pragma once

#include "platform/stand-in/win_types.h"

namespace standin {

// Creates a new, empty document and hands out the interface `riid` with one
// reference (E_NOINTERFACE and null when the document has no such interface).
// A creation is not a DOM call: it is neither counted nor subject to faults.
HRESULT create_dom_document(REFIID riid, void** ppv);

}  // namespace standin
