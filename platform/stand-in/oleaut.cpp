// BSTR and VARIANT as OLE Automation lays them out: a 4-byte byte count in
// front of the characters, the characters, then a NUL that the count leaves
// out.
#include <cstdlib>
#include <cstring>

#include "platform/stand-in/control.h"
#include "platform/stand-in/win_functions.h"

namespace {

std::size_t live_bstrs = 0;

constexpr std::size_t kPrefixBytes = sizeof(uint32_t);

BSTR allocate(const OLECHAR* source, UINT chars) {
    const std::size_t bytes = std::size_t{chars} * sizeof(OLECHAR);
    auto* block = static_cast<unsigned char*>(std::malloc(kPrefixBytes + bytes + sizeof(OLECHAR)));
    if (block == nullptr) return nullptr;
    const auto prefix = static_cast<uint32_t>(bytes);
    std::memcpy(block, &prefix, kPrefixBytes);
    auto* text = reinterpret_cast<OLECHAR*>(block + kPrefixBytes);
    if (source != nullptr)
        std::memcpy(text, source, bytes);
    else
        std::memset(text, 0, bytes);
    text[chars] = u'\0';
    ++live_bstrs;
    return text;
}

unsigned char* block_of(BSTR s) {
    return reinterpret_cast<unsigned char*>(s) - kPrefixBytes;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) return nullptr;
    std::size_t chars = 0;
    while (psz[chars] != u'\0') ++chars;
    return allocate(psz, static_cast<UINT>(chars));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    return allocate(strIn, ui);
}

void SysFreeString(BSTR bstrString) {
    if (bstrString == nullptr) return;
    --live_bstrs;
    std::free(block_of(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
    if (pbstr == nullptr) return 0;
    uint32_t bytes = 0;
    std::memcpy(&bytes, block_of(pbstr), kPrefixBytes);
    return bytes / sizeof(OLECHAR);
}

void VariantInit(VARIANTARG* pvarg) {
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    pvarg->ullVal = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg->vt == VT_BSTR) SysFreeString(pvarg->bstrVal);
    pvarg->vt = VT_EMPTY;
    pvarg->ullVal = 0;
    return S_OK;
}

namespace standin {

std::size_t bstr_live() {
    return live_bstrs;
}

}  // namespace standin
