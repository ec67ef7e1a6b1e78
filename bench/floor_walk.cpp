// The least any export must do: open every key of the subtree and read every
// value and subkey name with RegOpenKeyExA, RegQueryInfoKeyA, RegEnumValueA,
// RegEnumKeyExA and RegCloseKey, buffers sized once per key, keeping nothing.
#include <cstdint>
#include <vector>

#include "bench/bench.h"
#include "framework/Owner.h"
#include "platform/winapi.h"

namespace bench {

namespace {

struct TWalkCounts {
    std::uint64_t keys = 0, values = 0;
    // Every key's own name and every value's name and data, as returned.
    std::uint64_t rawBytes = 0;
};

void walkKey(HKEY parent, const char* path, TWalkCounts& counts) {
    TKeyHandle key;
    checkCall("RegOpenKeyExA", RegOpenKeyExA(parent, path, 0, KEY_READ, key.put()));
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
    checkCall("RegQueryInfoKeyA", RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr,
                                                   &values, &maxValueName, &maxData, nullptr, nullptr));
    ++counts.keys;

    std::vector<char> name(maxValueName + 1);
    std::vector<unsigned char> data(maxData ? maxData : 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = maxData, type = 0;
        checkCall("RegEnumValueA",
                  RegEnumValueA(key.get(), i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength));
        ++counts.values;
        counts.rawBytes += nameLength + dataLength;
    }

    std::vector<char> subKeyName(maxSubKey + 1);
    for (DWORD j = 0; j < subKeys; ++j) {
        DWORD length = static_cast<DWORD>(subKeyName.size());
        FILETIME lastWrite;
        checkCall("RegEnumKeyExA",
                  RegEnumKeyExA(key.get(), j, subKeyName.data(), &length, nullptr, nullptr, nullptr, &lastWrite));
        counts.rawBytes += length;
        walkKey(key.get(), subKeyName.data(), counts);
    }
}

}  // namespace

TRecord runFloor(unsigned keyCount) {
    TWalkCounts counts;
    const double ms = timedMs([&] { walkKey(HKEY_LOCAL_MACHINE, generatedTreePath(keyCount).c_str(), counts); });
    return TRecord("floor")
        .add("floor_ms", ms)
        .add("keys", counts.keys)
        .add("values", counts.values)
        .add("raw_bytes", counts.rawBytes);
}

}  // namespace bench
