#include "support/ansi_utf8.h"

#include <cstring>

#include "platform/winapi.h"

// Written out here rather than through iconv, which the stand-in converts
// with: the expectations stay independent of what they check.
std::string utf16ToUtf8(const std::u16string& text) {
    static const unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        const int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        out += static_cast<char>(kLead[tail] | (c >> (6 * tail)));
        for (int k = tail - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    return out;
}

std::string ansiToUtf8(const std::string& ansi) {
    const std::size_t length = std::strlen(ansi.c_str());
    if (length == 0) return std::string();
    std::u16string wide(length, u'\0');
    const int converted = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(length),
                                              reinterpret_cast<LPWSTR>(wide.data()), static_cast<int>(length));
    wide.resize(converted > 0 ? static_cast<std::size_t>(converted) : 0);
    return utf16ToUtf8(wide);
}
