// The bare walk: RegOpenKeyExA, RegQueryInfoKeyA, RegEnumValueA,
// RegEnumKeyExA and RegCloseKey, with buffers sized once per key.
#include "bench/floor_walk.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "framework/Owner.h"

namespace bench {

namespace {

[[noreturn]] void fail(const char* call, LONG result) {
    throw std::runtime_error(std::string(call) + " failed with " + std::to_string(result));
}

void openKey(TKeyHandle& key, HKEY parent, const char* name) {
    const LONG result = RegOpenKeyExA(parent, name, 0, KEY_READ, key.put());
    if (result != ERROR_SUCCESS) fail("RegOpenKeyExA", result);
}

void walkKey(HKEY handle, TWalkCounts& counts) {
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
    LONG result = RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                                   &maxValueName, &maxData, nullptr, nullptr);
    if (result != ERROR_SUCCESS) fail("RegQueryInfoKeyA", result);
    ++counts.keys;

    std::vector<char> name(maxValueName + 1);
    std::vector<unsigned char> data(maxData ? maxData : 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = maxData, type = 0;
        result = RegEnumValueA(handle, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (result != ERROR_SUCCESS) fail("RegEnumValueA", result);
        ++counts.values;
        counts.rawBytes += nameLength + dataLength;
    }

    std::vector<char> subKeyName(maxSubKey + 1);
    for (DWORD j = 0; j < subKeys; ++j) {
        DWORD length = static_cast<DWORD>(subKeyName.size());
        FILETIME lastWrite;
        result = RegEnumKeyExA(handle, j, subKeyName.data(), &length, nullptr, nullptr, nullptr, &lastWrite);
        if (result != ERROR_SUCCESS) fail("RegEnumKeyExA", result);
        counts.rawBytes += length;
        TKeyHandle child;
        openKey(child, handle, subKeyName.data());
        walkKey(child.get(), counts);
    }
}

}  // namespace

TWalkCounts floorWalk(HKEY root, const std::string& path) {
    TWalkCounts counts;
    TKeyHandle key;
    openKey(key, root, path.c_str());
    walkKey(key.get(), counts);
    return counts;
}

}  // namespace bench
