#include "support/reg_text.h"

#include <cctype>
#include <stdexcept>
#include <string_view>

namespace {

struct Line {
    unsigned number;  // of its first physical line, for messages
    std::string text;
};

[[noreturn]] void malformed(unsigned line, const std::string& why) {
    throw std::runtime_error("registry import, line " + std::to_string(line) + ": " + why);
}

bool space(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && (space(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool equal_nocase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && starts_with_nocase(a, b);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to max_digits hex digits and nothing else.
DWORD parse_hex_number(std::string_view text, std::size_t max_digits, unsigned line) {
    if (text.empty() || text.size() > max_digits) malformed(line, "bad hexadecimal number '" + std::string(text) + "'");
    DWORD number = 0;
    for (char c : text) {
        const int digit = hex_digit(c);
        if (digit < 0) malformed(line, "bad hexadecimal number '" + std::string(text) + "'");
        number = number * 16 + static_cast<DWORD>(digit);
    }
    return number;
}

// Comma-separated bytes; an empty list is no bytes.
std::string parse_hex_bytes(std::string_view text, unsigned line) {
    std::string bytes;
    text = trimmed(text);
    if (text.empty()) return bytes;
    while (true) {
        const std::size_t comma = text.find(',');
        bytes += static_cast<char>(parse_hex_number(trimmed(text.substr(0, comma)), 2, line));
        if (comma == std::string_view::npos) return bytes;
        text.remove_prefix(comma + 1);
    }
}

// UTF-16LE bytes to the ANSI bytes the program reads.
std::string utf16le_to_ansi(const std::string& bytes, unsigned line) {
    if (bytes.size() % 2 != 0) malformed(line, "UTF-16 data of odd length");
    if (bytes.empty()) return bytes;
    std::basic_string<WCHAR> wide(bytes.size() / 2, 0);
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<WCHAR>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    std::string ansi(wide.size(), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                        static_cast<int>(ansi.size()), nullptr, nullptr);
    return ansi;
}

// A quoted string starting at text[pos] == '"', with \\ and \" escapes;
// pos ends after the closing quote.
std::string parse_quoted(std::string_view text, std::size_t& pos, unsigned line) {
    std::string result;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return result;
        }
        if (c == '\\') {
            if (pos + 1 >= text.size() || (text[pos + 1] != '\\' && text[pos + 1] != '"'))
                malformed(line, "bad escape in a quoted string");
            result += text[++pos];
        } else {
            result += c;
        }
    }
    malformed(line, "unterminated quoted string");
}

HKEY parse_root(std::string_view name, unsigned line) {
    struct RootName {
        std::string_view long_name, short_name;
        HKEY root;
    };
    const RootName roots[] = {
        {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},         {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},       {"HKEY_USERS", "HKU", HKEY_USERS},
        {"HKEY_PERFORMANCE_DATA", "HKPD", HKEY_PERFORMANCE_DATA}, {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG}};
    for (const auto& root : roots)
        if (equal_nocase(name, root.long_name) || equal_nocase(name, root.short_name)) return root.root;
    malformed(line, "unknown registry root '" + std::string(name) + "'");
}

// Physical lines joined where one ends in a backslash; blank lines and
// comments dropped.
std::vector<Line> logical_lines(const std::string& text) {
    std::vector<Line> lines;
    bool continuing = false;
    unsigned number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line = trimmed(std::string_view(text).substr(start, end - start));
        start = end + 1;
        ++number;
        if (!continuing) {
            if (line.empty() || line.front() == ';') continue;
            lines.push_back({number, ""});
        }
        continuing = !line.empty() && line.back() == '\\' && line.front() != '[';
        if (continuing) line.remove_suffix(1);
        lines.back().text += line;
    }
    return lines;
}

class RegFileParser {
public:
    std::vector<RegTextOperation> parse(const std::string& text) {
        const auto lines = logical_lines(text);
        if (lines.empty()) malformed(1, "no header");
        if (lines.front().text == "Windows Registry Editor Version 5.00")
            unicode_ = true;
        else if (lines.front().text != "REGEDIT4")
            malformed(lines.front().number, "unknown header '" + lines.front().text + "'");
        for (std::size_t i = 1; i < lines.size(); ++i) parse_line(lines[i]);
        return std::move(operations_);
    }

private:
    void parse_line(const Line& line) {
        const std::string_view text = line.text;
        if (text.front() == '[')
            parse_key(text, line.number);
        else if (text.front() == '"' || text.front() == '@')
            parse_value(text, line.number);
        else
            malformed(line.number, "neither a key nor a value");
    }

    void parse_key(std::string_view text, unsigned line) {
        if (text.back() != ']') malformed(line, "key line without ']'");
        text = text.substr(1, text.size() - 2);
        const bool deletion = !text.empty() && text.front() == '-';
        if (deletion) text.remove_prefix(1);
        const std::size_t slash = text.find('\\');
        const HKEY root = parse_root(text.substr(0, slash), line);
        const std::string path(slash == std::string_view::npos ? std::string_view() : text.substr(slash + 1));
        operations_.push_back({deletion ? RegTextOperation::Kind::DeleteKey : RegTextOperation::Kind::CreateKey, root,
                               path, "", REG_NONE, ""});
        has_key_ = !deletion;
        root_ = root;
        path_ = path;
    }

    void parse_value(std::string_view text, unsigned line) {
        if (!has_key_) malformed(line, "value outside a key");
        std::size_t pos = 0;
        std::string name;
        if (text.front() == '@')
            pos = 1;
        else
            name = parse_quoted(text, pos, line);
        while (pos < text.size() && space(text[pos])) ++pos;
        if (pos >= text.size() || text[pos] != '=') malformed(line, "value without '='");
        std::string_view data = trimmed(text.substr(pos + 1));

        RegTextOperation value{RegTextOperation::Kind::SetValue, root_, path_, name, REG_SZ, ""};
        if (data == "-") {
            value.kind = RegTextOperation::Kind::DeleteValue;
        } else if (!data.empty() && data.front() == '"') {
            std::size_t end = 0;
            value.data = parse_quoted(data, end, line) + '\0';
            if (end != data.size()) malformed(line, "text after a quoted string");
        } else if (starts_with_nocase(data, "dword:")) {
            const DWORD number = parse_hex_number(data.substr(6), 8, line);
            value.type = REG_DWORD;
            for (int shift = 0; shift < 32; shift += 8) value.data += static_cast<char>((number >> shift) & 0xFF);
        } else if (starts_with_nocase(data, "hex:")) {
            value.type = REG_BINARY;
            value.data = parse_hex_bytes(data.substr(4), line);
        } else if (starts_with_nocase(data, "hex(")) {
            const std::size_t close = data.find("):");
            if (close == std::string_view::npos) malformed(line, "hex( without '):'");
            value.type = parse_hex_number(data.substr(4, close - 4), 8, line);
            value.data = parse_hex_bytes(data.substr(close + 2), line);
            // Version 5 files write the string types in UTF-16LE, REGEDIT4
            // files in ANSI.
            const bool string_type = value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
            if (unicode_ && string_type) value.data = utf16le_to_ansi(value.data, line);
        } else {
            malformed(line, "unknown value data '" + std::string(data) + "'");
        }
        operations_.push_back(std::move(value));
    }

    std::vector<RegTextOperation> operations_;
    bool unicode_ = false;
    bool has_key_ = false;
    HKEY root_ = nullptr;
    std::string path_;
};

// Exports of regedit version 5 are UTF-16LE with a byte-order mark.
std::string as_ansi_text(const std::string& reg_text) {
    if (reg_text.size() < 2 || reg_text[0] != '\xFF' || reg_text[1] != '\xFE') return reg_text;
    return utf16le_to_ansi(reg_text.substr(2), 1);
}

}  // namespace

std::vector<RegTextOperation> parseRegText(const std::string& text) {
    return RegFileParser().parse(as_ansi_text(text));
}
