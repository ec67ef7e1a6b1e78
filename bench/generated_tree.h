// The registry subtrees the benchmarks read: a fixed, reproducible shape and
// content, so the Windows build under Wine and the stand-in build read the
// same keys and values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace bench {

// A key count from the command line; throws std::runtime_error unless it is
// between 1 and 1,000,000.
unsigned keyCountArgument(const char* text);

// Where the subtree of `keyCount` keys lives below HKEY_LOCAL_MACHINE.
std::string generatedTreePath(unsigned keyCount);

// Paths of the subtree's keys below its root, parents before children; the
// root itself is the first entry, "". Keys fill up to four levels below the
// root breadth first, with the smallest fan-out that reaches `keyCount`.
std::vector<std::string> generatedKeyPaths(unsigned keyCount);

struct TGeneratedValue {
    std::string name;
    DWORD type;
    std::string data;  // as the ANSI calls take and return it: strings end in their NUL
};

// The ten values of the key at `keyIndex` (its place in generatedKeyPaths):
// four REG_SZ, one REG_EXPAND_SZ, three REG_DWORD, two REG_BINARY, of
// varying lengths.
std::vector<TGeneratedValue> generatedValues(unsigned keyIndex);

// Bytes of registry data in the subtree: every key's own name and every
// value's name and data, as the ANSI calls return them.
std::uint64_t generatedRawBytes(unsigned keyCount);

}  // namespace bench
