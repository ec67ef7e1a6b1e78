// The stand-in registry's in-memory keys, shared by the registry functions and
// the .reg import. Stand-in build only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/stand-in/control.h"

namespace standin::reg {

// Orders names as Windows orders subkeys: without regard to case, each
// character folded to upper case and compared by its UTF-16 value ("A" < "_").
struct FoldedLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
bool names_equal(const std::string& a, const std::string& b);

using Value = RegistryValue;

struct Key {
    // Keys are shared with the open handles to them; a key removed from the
    // tree is marked, so its handles fail instead of dangling.
    std::map<std::string, std::shared_ptr<Key>, FoldedLess> subkeys;
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
std::shared_ptr<Key> find_key(std::shared_ptr<Key> from, const std::string& path);
std::shared_ptr<Key> create_key(std::shared_ptr<Key> from, const std::string& path);
// Removes the key with everything below it; a missing key is no error.
void delete_key(HKEY root, const std::string& path);
void set_value(Key& key, const std::string& name, DWORD type, const std::string& data);
void delete_value(Key& key, const std::string& name);

}  // namespace standin::reg
