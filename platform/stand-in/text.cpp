// The code-page functions of the stand-in: conversions, the code page's
// facts and stepping over its characters.
#include <cstring>
#include <string_view>

#include "platform/stand-in/code_page.h"
#include "platform/stand-in/win_functions.h"

namespace {

constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorInvalidFlags = 1004;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;

int fail(DWORD code) {
    SetLastError(code);
    return 0;
}

// Copies `count` units into a caller's buffer of `capacity` units, or
// measures when the capacity is 0.
template <class Char>
int hand_out(const Char* text, std::size_t count, Char* buffer, int capacity) {
    if (capacity == 0) return static_cast<int>(count);
    if (count > std::size_t(capacity)) return fail(kErrorInsufficientBuffer);
    std::memcpy(buffer, text, count * sizeof(Char));
    return static_cast<int>(count);
}

}  // namespace

UINT GetACP() {
    return standin::cp::resolve(CP_ACP);
}

// The program asks for the longest character only.
BOOL GetCPInfo(UINT CodePage, LPCPINFO lpCPInfo) {
    *lpCPInfo = CPINFO{};
    lpCPInfo->MaxCharSize = standin::cp::max_char_size(CodePage);
    return TRUE;
}

BOOL IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar) {
    return standin::cp::is_lead_byte(CodePage, TestChar) ? TRUE : FALSE;
}

LPSTR CharNextExA(WORD CodePage, LPCSTR lpCurrentChar, DWORD /*dwFlags*/) {
    if (*lpCurrentChar == '\0') return const_cast<LPSTR>(lpCurrentChar);
    const bool pair = IsDBCSLeadByteEx(CodePage, static_cast<BYTE>(*lpCurrentChar)) && lpCurrentChar[1] != '\0';
    return const_cast<LPSTR>(lpCurrentChar + (pair ? 2 : 1));
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
    if (!standin::cp::supported(CodePage) || lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 ||
        cchWideChar < 0 || (lpWideCharStr == nullptr && cchWideChar != 0))
        return fail(ERROR_INVALID_PARAMETER);
    // Windows documents that UTF-8 takes no other flag (Wine is more
    // lenient).
    const UINT resolved = standin::cp::resolve(CodePage);
    if (resolved == 65001 && dwFlags != 0) return fail(kErrorInvalidFlags);
    const std::size_t count = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : std::size_t(cbMultiByte);
    const std::u16string wide = standin::cp::to_utf16(CodePage, std::string_view(lpMultiByteStr, count));
    return hand_out(reinterpret_cast<const WCHAR*>(wide.data()), wide.size(), lpWideCharStr, cchWideChar);
}

// No best fit: a character the code page lacks always becomes the default
// character, as WC_NO_BEST_FIT_CHARS asks (without it Windows may pick a
// look-alike, Ω as O in 1252).
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar) {
    if (!standin::cp::supported(CodePage) || lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 ||
        cbMultiByte < 0 || (lpMultiByteStr == nullptr && cbMultiByte != 0))
        return fail(ERROR_INVALID_PARAMETER);
    // UTF-8 has no default character to ask for, and Windows documents that
    // it takes no flag but WC_ERR_INVALID_CHARS (Wine is more lenient).
    const bool utf8 = standin::cp::resolve(CodePage) == 65001;
    if (utf8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)) return fail(ERROR_INVALID_PARAMETER);
    if (utf8 && (dwFlags & ~DWORD{WC_ERR_INVALID_CHARS}) != 0) return fail(kErrorInvalidFlags);
    const auto* wide = reinterpret_cast<const char16_t*>(lpWideCharStr);
    // With -1 the NUL is converted too.
    const std::size_t count = cchWideChar == -1 ? std::u16string_view(wide).size() + 1 : std::size_t(cchWideChar);
    bool used_default = false;
    const std::string ansi = standin::cp::from_utf16(CodePage, std::u16string_view(wide, count),
                                                     lpDefaultChar != nullptr ? lpDefaultChar[0] : '?', &used_default);
    // In UTF-8 only a lone surrogate uses a replacement.
    if (utf8 && used_default && (dwFlags & WC_ERR_INVALID_CHARS) != 0) return fail(kErrorNoUnicodeTranslation);
    const int written = hand_out(ansi.data(), ansi.size(), lpMultiByteStr, cbMultiByte);
    if (written != 0 && lpUsedDefaultChar != nullptr) *lpUsedDefaultChar = used_default ? TRUE : FALSE;
    return written;
}
