// The stand-in registry's in-memory keys, shared by the registry functions and
// the .reg import. Stand-in build only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/stand-in/win_types.h"

namespace standin::reg {

// Names are held as Windows holds them, in UTF-16, and string data as UTF-16
// bytes: the A functions convert on the way in and out.

// Orders names as Windows orders subkeys: without regard to case, each
// character folded to upper case and compared by its UTF-16 value ("A" < "_").
struct FoldedLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const;
};
bool names_equal(const std::u16string& a, const std::u16string& b);

struct Value {
    std::u16string name;
    DWORD type;
    std::string data;  // as stored: UTF-16 bytes for the string types
};

// Whether the A functions convert this type's data (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ).
bool is_text(DWORD type);
// Data given in the ANSI code page as it is stored, and back.
std::string stored_data(DWORD type, const std::string& ansi);
std::string ansi_data(const Value& value);

struct Key {
    // Keys are shared with the open handles to them; a key removed from the
    // tree is marked, so its handles fail instead of dangling.
    std::map<std::u16string, std::shared_ptr<Key>, FoldedLess> subkeys;
    std::vector<Value> values;  // creation order
    bool denied = false;
    bool deleted = false;
};

// Changes whenever a key is added or removed anywhere, so that positions
// remembered between enumeration calls can be trusted only while it stays.
std::uint64_t tree_generation();

// The tree under a predefined root handle; null for any other handle.
std::shared_ptr<Key> root_key(HKEY root);
// Empties every root; keys still held by handles are marked deleted.
void reset_roots();
// Backslash-separated; empty components are skipped. Null when missing.
std::shared_ptr<Key> find_key(std::shared_ptr<Key> from, const std::u16string& path);
std::shared_ptr<Key> create_key(std::shared_ptr<Key> from, const std::u16string& path);
// Removes the key with everything below it; a missing key is no error.
void delete_key(HKEY root, const std::u16string& path);
// `data` as stored.
void set_value(Key& key, const std::u16string& name, DWORD type, const std::string& data);
void delete_value(Key& key, const std::u16string& name);

}  // namespace standin::reg
