// Saving the document: its bytes as the DOM writes them, and the file.
#include <libxml/xmlsave.h>

#include <cstdio>
#include <memory>

#include "platform/stand-in/code_page.h"
#include "platform/stand-in/dom_objects.h"

namespace standin::dom {

namespace {

struct BufferFree {
    void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};
struct SaveClose {
    void operator()(xmlSaveCtxtPtr context) const { xmlSaveClose(context); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Writes `bytes` to `path`: E_FAIL when the file cannot be opened (nothing is
// created then), S_FALSE when a write fails part-way, as Wine reports it.
HRESULT write_file(const std::string& path, const char* bytes, std::size_t size) {
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "wb"));
    if (file == nullptr) return E_FAIL;
    const bool written = std::fwrite(bytes, 1, size, file.get()) == size;
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed ? S_OK : S_FALSE;
}

}  // namespace

// The document as MSXML under Wine writes it: no declaration, UTF-8 without
// BOM, no indentation, one LF after the document element; nothing at all for
// a document without one.
std::optional<std::string> DomDocument::serialise() const {
    if (xmlDocGetRootElement(doc_) == nullptr) return std::string();
    std::unique_ptr<xmlBuffer, BufferFree> buffer(xmlBufferCreate());
    if (buffer == nullptr) return std::nullopt;
    {
        std::unique_ptr<xmlSaveCtxt, SaveClose> context(xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL));
        if (context == nullptr || xmlSaveDoc(context.get(), doc_) < 0) return std::nullopt;
    }  // closing the context flushes into the buffer
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

HRESULT DomDocument::save(VARIANT destination) {
    const std::optional<HRESULT> fault = faults.enter(DomOp::Save);
    if (fault && *fault < 0) return *fault;
    const std::string path = cp::to_utf8(destination.bstrVal);
    const std::optional<std::string> bytes = serialise();
    if (!bytes) return E_FAIL;
    if (fault) {
        // A write that fails part-way: half the file, then the injected status.
        write_file(path, bytes->data(), bytes->size() / 2);
        return *fault;
    }
    return write_file(path, bytes->data(), bytes->size());
}

}  // namespace standin::dom
