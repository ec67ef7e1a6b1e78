// The stand-in's ANSI code page: chosen from the locale as Wine chooses it,
// or by a test; conversions through glibc's iconv.
#include "platform/stand-in/code_page.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <utility>

#include "platform/stand-in/control.h"

namespace standin::cp {

namespace {

constexpr UINT kUtf8 = 65001;

struct CodePageInfo {
    UINT number;
    const char* iconv_name;
    UINT max_char_size;
};

constexpr CodePageInfo kCodePages[] = {
    {1252, "CP1252", 1}, {1251, "CP1251", 1}, {932, "CP932", 2}, {950, "CP950", 2}, {kUtf8, "UTF-8", 4}};

const CodePageInfo* find(UINT number) {
    for (const auto& info : kCodePages)
        if (info.number == number) return &info;
    return nullptr;
}

// Wine takes the ANSI code page from the locale of the process; these are
// the locales the tests use, with the ones Windows has no ANSI code page for
// giving UTF-8.
UINT code_page_of_locale() {
    const char* locale = std::getenv("LC_ALL");
    if (locale == nullptr || *locale == '\0') locale = std::getenv("LC_CTYPE");
    if (locale == nullptr || *locale == '\0') locale = std::getenv("LANG");
    if (locale == nullptr) return 1252;
    static const std::pair<const char*, UINT> kLocales[] = {
        {"ja_JP", 932}, {"zh_TW", 950}, {"ru_RU", 1251}, {"ka_GE", kUtf8}};
    for (const auto& [prefix, number] : kLocales)
        if (std::strncmp(locale, prefix, std::strlen(prefix)) == 0) return number;
    return 1252;
}

UINT& current() {
    static UINT code_page = code_page_of_locale();
    return code_page;
}

const CodePageInfo& info_of(UINT code_page) {
    const CodePageInfo* info = find(resolve(code_page));
    if (info == nullptr) throw std::invalid_argument("code page not known to the stand-in");
    return *info;
}

// An open iconv descriptor, closed with its owner.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert this code page");
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { iconv_close(cd_); }
    // Reset to the initial state for a new text.
    iconv_t fresh() const {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

// One descriptor per code page and direction, opened once.
iconv_t converter(UINT code_page, bool to_unicode) {
    static std::map<std::pair<UINT, bool>, Converter> open;
    auto found = open.find({code_page, to_unicode});
    if (found == open.end()) {
        const char* name = info_of(code_page).iconv_name;
        found =
            open.try_emplace({code_page, to_unicode}, to_unicode ? "UTF-16LE" : name, to_unicode ? name : "UTF-16LE")
                .first;
    }
    return found->second.fresh();
}

enum class ByteKind { Character, Lead, Undefined };

// What one byte alone is in a code page, asked of iconv once.
const std::array<ByteKind, 256>& byte_kinds(UINT code_page) {
    static std::map<UINT, std::array<ByteKind, 256>> kinds;
    auto [entry, added] = kinds.try_emplace(code_page);
    if (added) {
        for (unsigned b = 0; b < 256; ++b) {
            iconv_t cd = converter(code_page, true);
            char byte = static_cast<char>(b);
            char* in = &byte;
            std::size_t in_left = 1;
            char16_t unit[4];
            char* out = reinterpret_cast<char*>(unit);
            std::size_t out_left = sizeof unit;
            const bool failed = iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1);
            entry->second[b] = !failed ? ByteKind::Character : errno == EINVAL ? ByteKind::Lead : ByteKind::Undefined;
        }
    }
    return entry->second;
}

bool single_byte(UINT code_page) {
    return info_of(code_page).max_char_size == 1;
}

}  // namespace

bool supported(UINT code_page) {
    return find(resolve(code_page)) != nullptr;
}

UINT resolve(UINT code_page) {
    return code_page == CP_ACP ? current() : code_page;
}

UINT max_char_size(UINT code_page) {
    return info_of(code_page).max_char_size;
}

bool is_lead_byte(UINT code_page, unsigned char byte) {
    const UINT resolved = resolve(code_page);
    if (info_of(resolved).max_char_size != 2) return false;
    return byte_kinds(resolved)[byte] == ByteKind::Lead;
}

std::u16string to_utf16(UINT code_page, std::string_view text) {
    const UINT resolved = resolve(code_page);
    iconv_t cd = converter(resolved, true);
    std::u16string result;
    result.reserve(text.size());
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char16_t buffer[256];
    while (in_left > 0) {
        char* out = reinterpret_cast<char*>(buffer);
        std::size_t out_left = sizeof buffer;
        const bool failed = iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1);
        const int error = errno;
        result.append(buffer, (sizeof buffer - out_left) / sizeof(char16_t));
        if (!failed || error == E2BIG) continue;
        // One byte that starts no valid character.
        const auto byte = static_cast<unsigned char>(*in);
        result += single_byte(resolved) ? static_cast<char16_t>(byte) : resolved == kUtf8 ? u'\xFFFD' : u'?';
        ++in;
        --in_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return result;
}

std::string from_utf16(UINT code_page, std::u16string_view text, char fallback, bool* used_fallback) {
    const UINT resolved = resolve(code_page);
    iconv_t cd = converter(resolved, false);
    std::string result;
    result.reserve(text.size());
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    std::size_t in_left = text.size() * sizeof(char16_t);
    char buffer[512];
    while (in_left > 0) {
        char* out = buffer;
        std::size_t out_left = sizeof buffer;
        const bool failed = iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1);
        const int error = errno;
        result.append(buffer, sizeof buffer - out_left);
        if (!failed || error == E2BIG) continue;
        // One unit the code page lacks, or half a surrogate pair alone.
        char16_t unit;
        std::memcpy(&unit, in, sizeof unit);
        if (resolved == kUtf8) {
            result += "\xEF\xBF\xBD";
            if (used_fallback != nullptr) *used_fallback = true;
        } else if (single_byte(resolved) && unit >= 0x80 && unit <= 0xFF &&
                   byte_kinds(resolved)[unit] == ByteKind::Undefined) {
            result += static_cast<char>(unit);  // the reverse of the mapping above
        } else {
            result += fallback;
            if (used_fallback != nullptr) *used_fallback = true;
        }
        in += sizeof unit;
        in_left -= sizeof unit;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return result;
}

std::string host_path(const char* ansi) {
    return from_utf16(kUtf8, ansi_to_utf16(ansi));
}

std::string to_utf8(const OLECHAR* text) {
    return text == nullptr ? std::string() : from_utf16(kUtf8, text);
}

}  // namespace standin::cp

namespace standin {

UINT ansi_code_page(UINT code_page) {
    if (code_page == CP_ACP || cp::find(code_page) == nullptr)
        throw std::invalid_argument("code page not known to the stand-in");
    return std::exchange(cp::current(), code_page);
}

}  // namespace standin
