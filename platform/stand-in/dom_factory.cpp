// Creation of DOM documents, and the call counts, faults and live objects of
// the DOM as tests see them.
#include "platform/stand-in/dom_factory.h"

#include <new>

#include "platform/stand-in/dom_objects.h"

namespace standin {

namespace dom {

FaultSchedule<DomOp, DomOp::QueryInterface, HRESULT> faults;
std::size_t live_objects = 0;

}  // namespace dom

HRESULT create_dom_document(REFIID riid, void** ppv) {
    auto* document = new (std::nothrow) dom::DomDocument;
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
    dom::faults.arm(op, nth, code);
}

void dom_reset_faults() {
    dom::faults.reset();
}

unsigned dom_call_count(DomOp op) {
    return dom::faults.count(op);
}

std::size_t dom_live_objects() {
    return dom::live_objects;
}

}  // namespace standin
