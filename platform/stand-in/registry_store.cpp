// The in-memory key tree behind the stand-in registry.
#include "platform/stand-in/registry_store.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/stand-in/code_page.h"

namespace standin::reg {

namespace {

constexpr std::size_t kRootCount = 6;

std::uint64_t generation = 0;

// Upper case of the letters of the Latin and Cyrillic code pages, as UTF-16.
char16_t folded(char16_t ch) {
    if (ch >= u'a' && ch <= u'z') return ch - 0x20;
    if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7) return ch - 0x20;
    if (ch >= 0x430 && ch <= 0x44F) return ch - 0x20;  // а..я
    if (ch >= 0x450 && ch <= 0x45F) return ch - 0x50;  // ѐ..џ
    switch (ch) {
        case 0xFF:
            return 0x178;
        case 0x161:
            return 0x160;
        case 0x153:
            return 0x152;
        case 0x17E:
            return 0x17D;
        default:
            return ch;
    }
}

std::array<std::shared_ptr<Key>, kRootCount>& roots() {
    static std::array<std::shared_ptr<Key>, kRootCount> trees = [] {
        std::array<std::shared_ptr<Key>, kRootCount> made;
        for (auto& tree : made) tree = std::make_shared<Key>();
        return made;
    }();
    return trees;
}

void mark_deleted(Key& key) {
    key.deleted = true;
    for (auto& [name, child] : key.subkeys) mark_deleted(*child);
}

std::vector<std::u16string> split_path(const std::u16string& path) {
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(u'\\', start), path.size());
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

bool FoldedLess::operator()(const std::u16string& a, const std::u16string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char16_t x, char16_t y) { return folded(x) < folded(y); });
}

bool names_equal(const std::u16string& a, const std::u16string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return folded(x) == folded(y); });
}

bool is_text(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::string stored_data(DWORD type, const std::string& ansi) {
    if (!is_text(type)) return ansi;
    const std::u16string wide = cp::ansi_to_utf16(ansi);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
}

std::string ansi_data(const Value& value) {
    if (!is_text(value.type)) return value.data;
    std::u16string wide(value.data.size() / sizeof(char16_t), u'\0');
    std::memcpy(wide.data(), value.data.data(), wide.size() * sizeof(char16_t));
    return cp::utf16_to_ansi(wide);
}

std::shared_ptr<Key> root_key(HKEY root) {
    static const HKEY kRoots[kRootCount] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,     HKEY_LOCAL_MACHINE,
                                            HKEY_USERS,        HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG};
    for (std::size_t i = 0; i < kRootCount; ++i)
        if (kRoots[i] == root) return roots()[i];
    return nullptr;
}

std::uint64_t tree_generation() {
    return generation;
}

void reset_roots() {
    ++generation;
    for (auto& tree : roots()) {
        mark_deleted(*tree);
        tree = std::make_shared<Key>();
    }
}

std::shared_ptr<Key> find_key(std::shared_ptr<Key> from, const std::u16string& path) {
    for (const auto& part : split_path(path)) {
        auto child = from->subkeys.find(part);
        if (child == from->subkeys.end()) return nullptr;
        from = child->second;
    }
    return from;
}

std::shared_ptr<Key> create_key(std::shared_ptr<Key> from, const std::u16string& path) {
    for (const auto& part : split_path(path)) {
        auto& child = from->subkeys[part];  // keeps the spelling of the first creation
        if (!child) {
            child = std::make_shared<Key>();
            ++generation;
        }
        from = child;
    }
    return from;
}

void delete_key(HKEY root, const std::u16string& path) {
    auto parts = split_path(path);
    if (parts.empty()) return;  // a root cannot be deleted
    const std::u16string last = parts.back();
    parts.pop_back();
    std::shared_ptr<Key> parent = root_key(root);
    if (!parent) return;
    for (const auto& part : parts) {
        auto child = parent->subkeys.find(part);
        if (child == parent->subkeys.end()) return;
        parent = child->second;
    }
    auto doomed = parent->subkeys.find(last);
    if (doomed == parent->subkeys.end()) return;
    mark_deleted(*doomed->second);
    parent->subkeys.erase(doomed);
    ++generation;
}

void set_value(Key& key, const std::u16string& name, DWORD type, const std::string& data) {
    for (auto& value : key.values) {
        if (names_equal(value.name, name)) {
            value.type = type;
            value.data = data;
            return;
        }
    }
    key.values.push_back({name, type, data});
}

void delete_value(Key& key, const std::u16string& name) {
    std::erase_if(key.values, [&name](const Value& value) { return names_equal(value.name, name); });
}

}  // namespace standin::reg
