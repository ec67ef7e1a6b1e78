#include "support/ansi_utf8.h"

#include <cstring>

#include "platform/winapi.h"

namespace {

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::string utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHigh(unit) && i + 1 < text.size() && isLow(text[i + 1])) {
            appendUtf8(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00), out);
            ++i;
        } else if (isHigh(unit) || isLow(unit)) {
            appendUtf8(0xFFFD, out);
        } else {
            appendUtf8(unit, out);
        }
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

std::string ansiOf(const std::u16string& text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    std::string ansi(text.size() * 4, '\0');
    ansi.resize(
        static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(text.data()), length,
                                                     ansi.data(), static_cast<int>(ansi.size()), nullptr, nullptr)));
    return ansi;
}
