// The registry snapshot: scanned subtrees of keys and typed values, their
// text forms, the read-only scan that fills it and the writer of the
// registry parameter file.
#pragma once

#include <vector>

#include "framework/AnsiString.h"
#include "platform/winapi.h"

class TRegKey;

struct TRegTreeNode {
    TRegKey* key = nullptr;  // owned by the TRegScanner that holds the entry
    HKEY hive = nullptr;
    AnsiString path;
};

class TRegScanner {
public:
    class TValue {
    public:
        // Builds a value from what the registry enumeration returned; throws
        // Exception for a type the snapshot does not hold.
        TValue(const char* valueName, TRegKey* ownerKey, DWORD valueType, const BYTE* bytes, DWORD size);

        AnsiString name;
        DWORD type = REG_NONE;
        AnsiString data;
        DWORD dword = 0;
        TRegKey* owner = nullptr;
    };

    TRegScanner() = default;
    TRegScanner(const TRegScanner&) = delete;
    TRegScanner& operator=(const TRegScanner&) = delete;
    ~TRegScanner();

    void clear();
    // Reads the subtree `path` below the predefined root `hive` and appends
    // it to `trees`; all or nothing.
    void scan(HKEY hive, const AnsiString& path);
    // Writes the snapshot as one registry parameter file at `path`.
    void saveXml(AnsiString path) const;

    std::vector<TRegTreeNode> trees;
};

class TRegKey {
public:
    TRegKey() = default;
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    ~TRegKey();

    HKEY hive = nullptr;
    AnsiString name;
    TRegKey* parent = nullptr;
    std::vector<TRegKey*> subKeys;  // owned
    std::vector<TRegScanner::TValue> values;
};

// The fixed namespace text of the file's root element.
extern const char* const kRegParamsNamespace;

AnsiString value_text(const TRegScanner::TValue& value);
AnsiString bytes_to_hex(const AnsiString& bytes);
AnsiString map_reg_type(DWORD type);
AnsiString map_hive_name(HKEY hive);
