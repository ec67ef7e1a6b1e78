// The snapshot as one comparable text, for tests of the scan in both builds.
#pragma once

#include <string>

#include "framework/Exception.h"
#include "regscan/RegScanner.h"

// One line per key ("+name") and per value ("  name type [text]"), depth
// first, each tree headed by its hive and path.
inline void describeKey(const TRegKey* key, int depth, std::string& out) {
    out += std::string(depth * 2, ' ') + "+" + key->name + "\n";
    for (const TRegScanner::TValue& value : key->values)
        out += std::string(depth * 2 + 2, ' ') + value.name + " " + map_reg_type(value.type) + " [" +
               value_text(value) + "]\n";
    for (const TRegKey* child : key->subKeys) describeKey(child, depth + 1, out);
}

inline std::string describe(const TRegScanner& scanner) {
    std::string out;
    for (const TRegTreeNode& tree : scanner.trees) {
        out += map_hive_name(tree.hive) + " " + tree.path + "\n";
        describeKey(tree.key, 0, out);
    }
    return out;
}

// The message of the exception the scan ends with.
inline std::string scanFailure(TRegScanner& scanner, HKEY root, const std::string& path) {
    try {
        scanner.scan(root, path);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

// Keys and values built by hand, as the scan would build them.
inline TRegKey* addKey(TRegKey* parent, const std::string& name) {
    auto* key = new TRegKey;
    key->name = name;
    key->parent = parent;
    if (parent) {
        key->hive = parent->hive;
        parent->subKeys.push_back(key);
    }
    return key;
}

inline void addValue(TRegKey* key, const std::string& name, DWORD type, const std::string& bytes) {
    key->values.push_back(TRegScanner::TValue(name.c_str(), key, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                              static_cast<DWORD>(bytes.size())));
}

inline TRegKey* addTree(TRegScanner& scanner, HKEY hive, const std::string& path) {
    TRegKey* root = addKey(nullptr, path);
    root->hive = hive;
    scanner.trees.push_back(TRegTreeNode{root, hive, path});
    return root;
}

// The snapshot of the documented example: a string, a number and a nested
// binary value in the software key; an empty driver key.
inline void buildExample(TRegScanner& scanner) {
    TRegKey* software = addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine");
    addValue(software, "Version", REG_SZ, std::string("2.1\0", 4));
    addValue(software, "Flags", REG_DWORD, "\xff\xff\xff\xff");
    addValue(addKey(software, "Options"), "Table", REG_BINARY, "\x01\xab");
    addTree(scanner, HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0");
}

inline constexpr char kExampleTree[] =
    "RegParams xlmns=\"http://www.calderine.com/regparams\"\n"
    "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
    "    key name=\"Software\\Calderine\"\n"
    "      values\n"
    "        value name=\"Version\" type=\"REG_SZ\" [2.1]\n"
    "        value name=\"Flags\" type=\"REG_DWORD\" radix=\"decimal\" [4294967295]\n"
    "      key name=\"Options\"\n"
    "        values\n"
    "          value name=\"Table\" type=\"REG_BINARY\" [01 ab ]\n"
    "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
    "    key name=\"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0\"\n"
    "      values\n";
