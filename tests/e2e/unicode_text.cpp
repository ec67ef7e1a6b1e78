#include "unicode_text.h"

namespace {

std::wstring Widened(UINT codePage, const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// `usedDefault` is only asked for where the code page takes the question,
// and then without a look-alike: Ω is no O.
std::string Narrowed(UINT codePage, const std::wstring& wide, BOOL* usedDefault) {
    if (wide.empty()) return std::string();
    const int length = static_cast<int>(wide.size());
    const DWORD flags = usedDefault ? WC_NO_BEST_FIT_CHARS : 0;
    const int size = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, usedDefault);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), length, text.data(), size, nullptr, usedDefault);
    return text;
}

}  // namespace

std::wstring Utf16Of(const std::string& utf8) {
    return Widened(CP_UTF8, utf8);
}

std::string Utf8Of(const std::wstring& utf16) {
    return Narrowed(CP_UTF8, utf16, nullptr);
}

std::string AnsiOf(const std::string& utf8) {
    return AnsiOf(Utf16Of(utf8));
}

std::string AnsiOf(const std::wstring& utf16) {
    BOOL usedDefault = FALSE;
    std::string ansi = Narrowed(CP_ACP, utf16, &usedDefault);
    return usedDefault ? std::string() : ansi;
}

std::string Utf8OfAnsi(const std::string& ansi) {
    return Utf8Of(Widened(CP_ACP, ansi));
}
