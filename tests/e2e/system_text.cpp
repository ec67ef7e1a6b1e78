#include "system_text.h"

#include "framework/Owner.h"

std::string SystemTextAsReturned(DWORD code) {
    TLocalText buffer;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(buffer.put()), 0, nullptr);
    if (length == 0 || !buffer.get()) return std::string();
    return std::string(buffer.get(), length);
}

std::string SystemText(DWORD code) {
    std::string text = SystemTextAsReturned(code);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}
