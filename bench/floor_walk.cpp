// The bare walk: RegOpenKeyExA, RegQueryInfoKeyA, RegEnumValueA,
// RegEnumKeyExA and RegCloseKey, with buffers sized once per key.
#include "bench/floor_walk.h"

#include <cstring>
#include <stdexcept>
#include <vector>

namespace bench {

namespace {

class TOpenKey {
public:
    TOpenKey(HKEY parent, const char* name) {
        const LONG result = RegOpenKeyExA(parent, name, 0, KEY_READ, &handle_);
        if (result != ERROR_SUCCESS) fail("RegOpenKeyExA", result);
    }
    TOpenKey(const TOpenKey&) = delete;
    TOpenKey& operator=(const TOpenKey&) = delete;
    ~TOpenKey() {
        if (handle_) RegCloseKey(handle_);
    }
    HKEY get() const { return handle_; }

    [[noreturn]] static void fail(const char* call, LONG result) {
        throw std::runtime_error(std::string(call) + " failed with " + std::to_string(result));
    }

private:
    HKEY handle_ = nullptr;
};

void walkKey(HKEY handle, TWalkCounts& counts) {
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
    LONG result = RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                                   &maxValueName, &maxData, nullptr, nullptr);
    if (result != ERROR_SUCCESS) TOpenKey::fail("RegQueryInfoKeyA", result);
    ++counts.keys;

    std::vector<char> name(maxValueName + 1);
    std::vector<unsigned char> data(maxData ? maxData : 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = maxData, type = 0;
        result = RegEnumValueA(handle, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (result != ERROR_SUCCESS) TOpenKey::fail("RegEnumValueA", result);
        ++counts.values;
        counts.rawBytes += nameLength + dataLength;
    }

    std::vector<char> subKeyName(maxSubKey + 1);
    for (DWORD j = 0; j < subKeys; ++j) {
        DWORD length = static_cast<DWORD>(subKeyName.size());
        FILETIME lastWrite;
        result = RegEnumKeyExA(handle, j, subKeyName.data(), &length, nullptr, nullptr, nullptr, &lastWrite);
        if (result != ERROR_SUCCESS) TOpenKey::fail("RegEnumKeyExA", result);
        counts.rawBytes += length;
        TOpenKey child(handle, subKeyName.data());
        walkKey(child.get(), counts);
    }
}

}  // namespace

TWalkCounts floorWalk(HKEY root, const std::string& path) {
    TWalkCounts counts;
    TOpenKey key(root, path.c_str());
    walkKey(key.get(), counts);
    return counts;
}

}  // namespace bench
