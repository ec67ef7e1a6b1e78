// The benchmark subtrees: a fixed, reproducible shape and content, written
// through the registry API, so the Windows build under Wine and the
// stand-in build read the same keys and values.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bench/bench.h"
#include "framework/Owner.h"
#include "platform/winapi.h"

namespace bench {

namespace {

// Names of keys at each of the four levels below the root, so paths read
// like settings.
const char* const kLevelNames[] = {"Group", "Device", "Channel", "Setting"};

// The smallest fan-out whose full tree of four levels below the root holds
// `keyCount` keys, the root included.
unsigned fanOutFor(unsigned keyCount) {
    std::uint64_t n = 1;
    while (1 + n + n * n + n * n * n + n * n * n * n < keyCount) ++n;
    return static_cast<unsigned>(n);
}

// Paths of the keys, parents before children, breadth first from the root.
std::vector<std::string> keyPaths(unsigned keyCount) {
    const unsigned fanOut = fanOutFor(keyCount);
    std::vector<std::string> paths{generatedTreePath(keyCount)};
    std::vector<unsigned> depths{0};
    paths.reserve(keyCount);
    for (std::size_t parent = 0; paths.size() < keyCount; ++parent) {
        for (unsigned child = 0; child < fanOut && paths.size() < keyCount; ++child) {
            depths.push_back(depths[parent] + 1);
            paths.push_back(paths[parent] + "\\" + kLevelNames[depths.back() - 1] + std::to_string(child));
        }
    }
    return paths;
}

// A cheap, fixed mix so lengths vary from key to key without randomness.
unsigned mix(unsigned a, unsigned b) {
    std::uint32_t x = a * 2654435761u ^ (b + 0x9e3779b9u);
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    return x;
}

std::string dwordBytes(std::uint32_t number) {
    std::string bytes(4, '\0');
    for (unsigned i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return bytes;
}

std::string binaryBytes(unsigned keyIndex, unsigned salt, unsigned length) {
    std::string bytes(length, '\0');
    for (unsigned i = 0; i < length; ++i) bytes[i] = static_cast<char>(mix(keyIndex + i, salt) & 0xFF);
    return bytes;
}

// Strings end in their NUL, as the ANSI calls take and return them.
std::string words(unsigned keyIndex, unsigned salt, unsigned minLength, unsigned spread) {
    static const char* const kWords[] = {"sensor", "gain",  "offset",  "channel", "mode",  "auto",   "level", "input",
                                         "output", "scale", "default", "device",  "range", "filter", "rate"};
    const unsigned length = minLength + mix(keyIndex, salt) % (spread + 1);
    std::string text;
    for (unsigned i = 0; text.size() < length; ++i) {
        if (!text.empty()) text += ' ';
        text += kWords[mix(keyIndex + i, salt + 1) % (sizeof kWords / sizeof kWords[0])];
    }
    text.resize(length);
    return text + '\0';
}

std::string formatted(const char* format, unsigned a, unsigned b = 0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return std::string(text) + '\0';
}

void setValue(HKEY key, const char* name, DWORD type, const std::string& data) {
    checkCall("RegSetValueExA", RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                               static_cast<DWORD>(data.size())));
}

// The ten values of the key at `keyIndex` (its place in keyPaths): four
// REG_SZ, one REG_EXPAND_SZ, three REG_DWORD, two REG_BINARY, of varying
// lengths. In name order: Wine enumerates values sorted, the stand-in in
// creation order, and so both builds write the same file.
void setValues(HKEY key, unsigned keyIndex) {
    setValue(key, "Calibration", REG_BINARY, binaryBytes(keyIndex, 8, 8 + mix(keyIndex, 9) % 57));
    setValue(key, "Description", REG_SZ, words(keyIndex, 6, 20, 40));
    setValue(key, "Flags", REG_DWORD, dwordBytes(mix(keyIndex, 3)));
    setValue(key, "InstallPath", REG_EXPAND_SZ, formatted("%%ProgramFiles%%\\Bench\\Module%05u\\bin", keyIndex));
    setValue(key, "LastUser", REG_SZ, formatted("operator%u", mix(keyIndex, 10) % 1000));
    setValue(key, "Name", REG_SZ, formatted("Unit %u", keyIndex));
    setValue(key, "Port", REG_DWORD, dwordBytes(1024 + mix(keyIndex, 7) % 50000));
    setValue(key, "Signature", REG_BINARY, binaryBytes(keyIndex, 5, 16));
    setValue(key, "Timeout", REG_DWORD, dwordBytes(mix(keyIndex, 4) % 60000));
    setValue(key, "Version", REG_SZ, formatted("2.%u.%u", mix(keyIndex, 1) % 10, mix(keyIndex, 2) % 100));
}

}  // namespace

std::string generatedTreePath(unsigned keyCount) {
    return "Software\\RegScanBench\\Keys" + std::to_string(keyCount);
}

// Written by a 32-bit process, the subtree lands in the 32-bit view
// (Wow6432Node) of a WoW64 prefix, which is what the program reads.
TRecord runGenerate(unsigned keyCount) {
    TStopwatch time;
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, generatedTreePath(keyCount).c_str());  // absent the first time
    const std::vector<std::string> paths = keyPaths(keyCount);
    for (unsigned i = 0; i < paths.size(); ++i) {
        TKeyHandle key;
        checkCall("RegCreateKeyExA", RegCreateKeyExA(HKEY_LOCAL_MACHINE, paths[i].c_str(), 0, nullptr, 0,
                                                     KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
        setValues(key.get(), i);
    }
    return TRecord("generate").add("keys", paths.size()).add("generate_ms", time.elapsedMs());
}

}  // namespace bench
