// The benchmark subtrees' shape and content.
#include "bench/generated_tree.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace bench {

namespace {

constexpr unsigned kLevels = 4;

// Names of keys at each level below the root, so paths read like settings.
const char* const kLevelNames[kLevels] = {"Group", "Device", "Channel", "Setting"};

// The smallest fan-out whose full tree of kLevels levels below the root holds
// `keyCount` keys, the root included.
unsigned fanOutFor(unsigned keyCount) {
    for (unsigned fanOut = 1;; ++fanOut) {
        std::uint64_t total = 1, level = 1;
        for (unsigned depth = 0; depth < kLevels; ++depth) {
            level *= fanOut;
            total += level;
        }
        if (total >= keyCount) return fanOut;
    }
}

// A cheap, fixed mix so lengths vary from key to key without randomness.
unsigned mix(unsigned a, unsigned b) {
    std::uint32_t x = a * 2654435761u ^ (b + 0x9e3779b9u);
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    return x;
}

std::string withNul(std::string text) {
    text.push_back('\0');
    return text;
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
    return text;
}

std::string formatted(const char* format, unsigned a, unsigned b = 0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

unsigned keyCountArgument(const char* text) {
    const unsigned long count = std::strtoul(text, nullptr, 10);
    if (count == 0 || count > 1000000) throw std::runtime_error(std::string("bad key count: ") + text);
    return static_cast<unsigned>(count);
}

std::string generatedTreePath(unsigned keyCount) {
    return "Software\\RegScanBench\\Keys" + std::to_string(keyCount);
}

std::vector<std::string> generatedKeyPaths(unsigned keyCount) {
    const unsigned fanOut = fanOutFor(keyCount);
    std::vector<std::string> paths{""};
    std::vector<unsigned> depths{0};
    paths.reserve(keyCount);
    for (std::size_t parent = 0; paths.size() < keyCount; ++parent) {
        for (unsigned child = 0; child < fanOut && paths.size() < keyCount; ++child) {
            const unsigned depth = depths[parent] + 1;
            std::string name = kLevelNames[depth - 1] + std::to_string(child);
            paths.push_back(paths[parent].empty() ? name : paths[parent] + "\\" + name);
            depths.push_back(depth);
        }
    }
    return paths;
}

std::vector<TGeneratedValue> generatedValues(unsigned keyIndex) {
    // In name order: Wine enumerates values sorted, the stand-in in creation
    // order, and so both builds write the same file.
    return {
        {"Calibration", REG_BINARY, binaryBytes(keyIndex, 8, 8 + mix(keyIndex, 9) % 57)},
        {"Description", REG_SZ, withNul(words(keyIndex, 6, 20, 40))},
        {"Flags", REG_DWORD, dwordBytes(mix(keyIndex, 3))},
        {"InstallPath", REG_EXPAND_SZ, withNul(formatted("%%ProgramFiles%%\\Bench\\Module%05u\\bin", keyIndex))},
        {"LastUser", REG_SZ, withNul(formatted("operator%u", mix(keyIndex, 10) % 1000))},
        {"Name", REG_SZ, withNul(formatted("Unit %u", keyIndex))},
        {"Port", REG_DWORD, dwordBytes(1024 + mix(keyIndex, 7) % 50000)},
        {"Signature", REG_BINARY, binaryBytes(keyIndex, 5, 16)},
        {"Timeout", REG_DWORD, dwordBytes(mix(keyIndex, 4) % 60000)},
        {"Version", REG_SZ, withNul(formatted("2.%u.%u", mix(keyIndex, 1) % 10, mix(keyIndex, 2) % 100))},
    };
}

std::uint64_t generatedRawBytes(unsigned keyCount) {
    const std::vector<std::string> paths = generatedKeyPaths(keyCount);
    std::uint64_t bytes = 0;
    for (unsigned i = 0; i < paths.size(); ++i) {
        const std::size_t slash = paths[i].rfind('\\');
        bytes += slash == std::string::npos ? paths[i].size() : paths[i].size() - slash - 1;
        for (const TGeneratedValue& value : generatedValues(i)) bytes += value.name.size() + value.data.size();
    }
    return bytes;
}

}  // namespace bench
