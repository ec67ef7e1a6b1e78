// The read-only scan of a registry subtree into the snapshot.
#include <cstring>
#include <memory>

#include "framework/Exception.h"
#include "framework/Owner.h"
#include "framework/SysUtils.h"
#include "regscan/RegScanner.h"

namespace {

// A block sized once from the key's maxima; `length` is the in/out size word
// of the enumeration calls.
template <class T>
class TBuffer {
public:
    explicit TBuffer(DWORD capacity) : storage_(new T[capacity ? capacity : 1]), capacity(capacity) {}
    TBuffer(const TBuffer&) = delete;
    TBuffer& operator=(const TBuffer&) = delete;

    T* data() { return storage_.get(); }
    DWORD* reset() {
        length = capacity;
        return &length;
    }

private:
    std::unique_ptr<T[]> storage_;

public:
    const DWORD capacity;
    DWORD length = 0;
};

// RegQueryInfoKeyA counts names in UTF-16 units and string data as UTF-16
// bytes; their ANSI form can take more bytes in a double-byte code page or
// UTF-8. The buffers hold the ANSI form, sized once per key, never retried.
class TAnsiSizes {
public:
    TAnsiSizes() : bytesPerUnit_(BytesPerUnit()) {}
    // A name of `units` UTF-16 units with its NUL.
    DWORD Name(DWORD units) const { return units * bytesPerUnit_ + 1; }
    // Data of `stored` bytes: binary data as it is, string data converted.
    DWORD Data(DWORD stored) const {
        const DWORD converted = (stored / 2 + stored % 2) * bytesPerUnit_;
        return converted > stored ? converted : stored;
    }

private:
    // Three bytes cover one UTF-16 unit in any code page (UTF-8's four-byte
    // characters are two units); assume that if not told.
    static DWORD BytesPerUnit() {
        CPINFO info = {};
        const UINT perUnit = GetCPInfo(CP_ACP, &info) ? info.MaxCharSize : 3;
        return perUnit < 1 ? 1 : perUnit > 3 ? 3 : perUnit;
    }

    const DWORD bytesPerUnit_;
};

[[noreturn]] void ThrowOpenFailure(const AnsiString& name, LONG result) {
    throw Exception(Format("TRegScanner, opening of registry key %s failed (%0x): %s", name.c_str(),
                           static_cast<unsigned>(result), SysErrorMessage(result).c_str()));
}

[[noreturn]] void ThrowCallFailure(const char* format, LONG result) {
    throw Exception(Format(format, static_cast<unsigned>(result), SysErrorMessage(result).c_str()));
}

HKEY OpenKey(HKEY parent, const AnsiString& name) {
    HKEY handle = nullptr;
    const LONG result = RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &handle);
    if (result != ERROR_SUCCESS) ThrowOpenFailure(name, result);
    return handle;
}

void scanKey(HKEY handle, TRegKey* node, const TAnsiSizes& sizes) {
    DWORD subKeyCount = 0, maxSubKeyLength = 0, valueCount = 0, maxValueNameLength = 0, maxValueLength = 0;
    LONG result = RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subKeyCount, &maxSubKeyLength, nullptr,
                                   &valueCount, &maxValueNameLength, &maxValueLength, nullptr, nullptr);
    if (result != ERROR_SUCCESS) ThrowCallFailure("TRegScanner, error in RegQueryInfoKey (0x%x): %s", result);

    // Grown once per key: repeated growth costs dearly in large keys.
    node->values.reserve(valueCount);
    node->subKeys.reserve(subKeyCount);

    TBuffer<char> valueName(sizes.Name(maxValueNameLength));
    TBuffer<unsigned char> valueData(sizes.Data(maxValueLength));
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD type = 0;
        DWORD* nameLength = valueName.reset();
        result =
            RegEnumValueA(handle, i, valueName.data(), nameLength, nullptr, &type, valueData.data(), valueData.reset());
        if (result != ERROR_SUCCESS) ThrowCallFailure("TRegScanner, failure in RegEnumValue (0x%x): %s", result);
        // The name the call wrote ends within the buffer; never trust a missing NUL.
        valueName.data()[valueName.length < valueName.capacity ? valueName.length : valueName.capacity - 1] = '\0';
        if (std::strcmp(valueName.data(), "DetID") == 0) continue;
        const DWORD size = valueData.length <= valueData.capacity ? valueData.length : valueData.capacity;
        TRegScanner::TValue value(valueName.data(), node, type, valueData.data(), size);
        node->values.push_back(value);
    }

    TBuffer<char> subKeyName(sizes.Name(maxSubKeyLength));
    for (DWORD j = 0; j < subKeyCount; ++j) {
        FILETIME lastWrite;
        result = RegEnumKeyExA(handle, j, subKeyName.data(), subKeyName.reset(), nullptr, nullptr, nullptr, &lastWrite);
        if (result != ERROR_SUCCESS) ThrowCallFailure("TRegScanner, failure in RegEnumKeyEx (0x%x): %s", result);
        subKeyName.data()[subKeyName.length < subKeyName.capacity ? subKeyName.length : subKeyName.capacity - 1] = '\0';
        auto child = std::make_unique<TRegKey>();
        child->parent = node;
        child->name = subKeyName.data();
        child->hive = node->hive;
        TKeyHandle childHandle(OpenKey(handle, child->name));
        // Attached before its contents are read; the tree owns it from here.
        node->subKeys.push_back(child.get());
        TRegKey* attached = child.release();
        scanKey(childHandle.get(), attached, sizes);
    }
}

}  // namespace

void TRegScanner::scan(HKEY hive, const AnsiString& path) {
    auto root = std::make_unique<TRegKey>();
    TKeyHandle handle(OpenKey(hive, path));
    root->hive = hive;
    root->name = path;
    scanKey(handle.get(), root.get(), TAnsiSizes());
    trees.push_back(TRegTreeNode{root.get(), hive, path});
    root.release();
}
