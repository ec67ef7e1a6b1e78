// The COM runtime: apartment initialisation and a class table that knows the
// XML 4.0 DOM document, with the faults tests can ask for.
#include <optional>
#include <vector>

#include "platform/stand-in/control.h"
#include "platform/stand-in/dom_factory.h"
#include "platform/stand-in/msxml.h"
#include "platform/stand-in/win_functions.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IXMLDOMNode = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID IID_IXMLDOMDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID IID_IXMLDOMElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID IID_IXMLDOMText = {0x2933BF87, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

namespace {

const CLSID kDomDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};

constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x800401F0L);  // CO_E_NOTINITIALIZED

struct ComState {
    HRESULT create_fault = S_OK;
    unsigned create_faults_left = 0;
    std::vector<DWORD> contexts;
    unsigned initialize_calls = 0;
    unsigned uninitialize_calls = 0;
    std::optional<HRESULT> initialize_result;
};

ComState state;
// Successful CoInitialize calls not yet balanced; it outlives com_reset, as
// the apartment outlives any one test in a process.
unsigned apartment_depth = 0;

}  // namespace

HRESULT CoInitialize(LPVOID) {
    ++state.initialize_calls;
    const HRESULT result = state.initialize_result.value_or(apartment_depth == 0 ? S_OK : S_FALSE);
    if (SUCCEEDED(result)) ++apartment_depth;
    return result;
}

void CoUninitialize() {
    ++state.uninitialize_calls;
    if (apartment_depth > 0) --apartment_depth;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN /*pUnkOuter*/, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    *ppv = nullptr;
    state.contexts.push_back(dwClsContext);
    if (state.create_faults_left > 0) {
        --state.create_faults_left;
        return state.create_fault;
    }
    if (apartment_depth == 0) return kNotInitialized;
    if (rclsid != kDomDocument40) return REGDB_E_CLASSNOTREG;
    return standin::create_dom_document(riid, ppv);
}

namespace standin {

void com_reset() {
    state = ComState{};
}

void com_fail_create(HRESULT code, unsigned count) {
    state.create_fault = code;
    state.create_faults_left = count;
}

const std::vector<DWORD>& com_create_contexts() {
    return state.contexts;
}

unsigned com_initialize_calls() {
    return state.initialize_calls;
}

unsigned com_uninitialize_calls() {
    return state.uninitialize_calls;
}

void com_initialize_result(HRESULT hr) {
    state.initialize_result = hr;
}

bool com_initialized() {
    return apartment_depth > 0;
}

}  // namespace standin
