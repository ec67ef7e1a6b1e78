// The snapshot's values and keys, and the text forms of values, type codes
// and root keys.
#include <cstring>

#include "framework/Exception.h"
#include "regscan/RegScanner.h"

namespace {

[[noreturn]] void ThrowUnrecognizedType(DWORD type) {
    throw Exception(Format("TRegScanner::TValue, unrecognized registry type: 0x%x", static_cast<unsigned>(type)));
}

// String data ends at its first NUL, or at the end of what was returned when
// the registry stored none.
AnsiString StringData(const BYTE* data, DWORD size) {
    const char* text = reinterpret_cast<const char*>(data);
    const void* nul = size ? std::memchr(text, '\0', size) : nullptr;
    const std::size_t length = nul ? static_cast<const char*>(nul) - text : size;
    return AnsiString(text, length);
}

// Little-endian number from at most four returned bytes; a short value is
// built from the bytes there are.
DWORD DwordData(const BYTE* data, DWORD size) {
    DWORD number = 0;
    const DWORD count = size < 4 ? size : 4;
    for (DWORD i = 0; i < count; ++i) number |= static_cast<DWORD>(data[i]) << (8 * i);
    return number;
}

}  // namespace

TRegScanner::TValue::TValue(const char* valueName, TRegKey* ownerKey, DWORD valueType, const BYTE* bytes, DWORD size)
    : name(valueName), type(valueType), owner(ownerKey) {
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            data = StringData(bytes, size);
            break;
        case REG_BINARY:
            data.assign(reinterpret_cast<const char*>(bytes), size);
            break;
        case REG_DWORD:
            dword = DwordData(bytes, size);
            break;
        default:
            ThrowUnrecognizedType(type);
    }
}

TRegKey::~TRegKey() {
    for (TRegKey* child : subKeys) delete child;
}

TRegScanner::~TRegScanner() {
    clear();
}

void TRegScanner::clear() {
    for (TRegTreeNode& tree : trees) delete tree.key;
    trees.clear();
}

AnsiString value_text(const TRegScanner::TValue& value) {
    switch (value.type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return value.data;
        case REG_BINARY:
            return bytes_to_hex(value.data);
        case REG_DWORD:
            return Format("%lu", static_cast<unsigned long>(value.dword));
        default:
            ThrowUnrecognizedType(value.type);
    }
}

AnsiString bytes_to_hex(const AnsiString& bytes) {
    static const char digits[] = "0123456789abcdef";
    AnsiString text;
    text.reserve(bytes.size() * 3);
    for (unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
        text += ' ';
    }
    return text;
}

AnsiString map_reg_type(DWORD type) {
    static const char* const names[] = {"REG_NONE",
                                        "REG_SZ",
                                        "REG_EXPAND_SZ",
                                        "REG_BINARY",
                                        "REG_DWORD",
                                        "REG_DWORD_BIG_ENDIAN",
                                        "REG_LINK",
                                        "REG_MULTI_SZ",
                                        "REG_RESOURCE_LIST",
                                        "REG_FULL_RESOURCE_DESCRIPTOR",
                                        "REG_RESOURCE_REQUIREMENTS_LIST"};
    if (type < sizeof names / sizeof names[0]) return names[type];
    return "UNRECOGNIZED_REG_TYPE";
}

AnsiString map_hive_name(HKEY hive) {
    if (hive == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (hive == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (hive == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (hive == HKEY_USERS) return "HKEY_USERS";
    if (hive == HKEY_PERFORMANCE_DATA) return "HKEY_PERFORMANCE_DATA";
    if (hive == HKEY_CURRENT_CONFIG) return "HKEY_CURRENT_CONFIG";
    return AnsiString();
}
