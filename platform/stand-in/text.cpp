// MultiByteToWideChar / WideCharToMultiByte for the one ANSI code page the
// stand-in knows, Windows-1252.
#include <cstring>
#include <optional>

#include "platform/stand-in/control.h"
#include "platform/stand-in/win_functions.h"

namespace standin {

namespace {

constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr UINT kCodePage1252 = 1252;

// 0x80..0x9F; the rest of the bytes are Latin-1.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool is_ansi_code_page(UINT code_page) {
    return code_page == CP_ACP || code_page == kCodePage1252;
}

// The byte for a UTF-16 code unit, or nothing when 1252 lacks the character.
std::optional<unsigned char> unicode_to_cp1252(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<unsigned char>(ch);
    for (unsigned i = 0; i < 32; ++i)
        if (kHighControls[i] == ch) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

}  // namespace

char16_t cp1252_to_unicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

}  // namespace standin

int MultiByteToWideChar(UINT CodePage, DWORD /*dwFlags*/, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
    if (!standin::is_ansi_code_page(CodePage) || lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 ||
        cchWideChar < 0 || (lpWideCharStr == nullptr && cchWideChar != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // One byte is always one UTF-16 unit in 1252.
    const std::size_t count = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : std::size_t(cbMultiByte);
    if (cchWideChar == 0) return static_cast<int>(count);
    if (count > std::size_t(cchWideChar)) {
        SetLastError(standin::kErrorInsufficientBuffer);
        return 0;
    }
    for (std::size_t i = 0; i < count; ++i)
        lpWideCharStr[i] = standin::cp1252_to_unicode(static_cast<unsigned char>(lpMultiByteStr[i]));
    return static_cast<int>(count);
}

int WideCharToMultiByte(UINT CodePage, DWORD /*dwFlags*/, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar) {
    if (!standin::is_ansi_code_page(CodePage) || lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 ||
        cbMultiByte < 0 || (lpMultiByteStr == nullptr && cbMultiByte != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t count = 0;
    if (cchWideChar == -1) {
        while (lpWideCharStr[count] != 0) ++count;
        ++count;  // the NUL is converted too
    } else {
        count = std::size_t(cchWideChar);
    }
    const char fallback = lpDefaultChar != nullptr ? lpDefaultChar[0] : '?';
    const bool measuring = cbMultiByte == 0;
    bool used_default = false;
    std::size_t written = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char out = fallback;
        if (auto byte = standin::unicode_to_cp1252(lpWideCharStr[i])) {
            out = static_cast<char>(*byte);
        } else {
            // Each half of a surrogate pair gets a default byte, as Wine
            // converts it.
            used_default = true;
        }
        if (!measuring) {
            if (written == std::size_t(cbMultiByte)) {
                SetLastError(standin::kErrorInsufficientBuffer);
                return 0;
            }
            lpMultiByteStr[written] = out;
        }
        ++written;
    }
    if (lpUsedDefaultChar != nullptr) *lpUsedDefaultChar = used_default ? TRUE : FALSE;
    return static_cast<int>(written);
}
