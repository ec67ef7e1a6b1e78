// The least any export must do: open every key of a subtree and read every
// value and subkey name with the same five registry calls, keeping nothing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/winapi.h"

namespace bench {

struct TWalkCounts {
    std::uint64_t keys = 0;
    std::uint64_t values = 0;
    // Every key's own name and every value's name and data, as returned.
    std::uint64_t rawBytes = 0;
};

// Throws std::runtime_error naming the call and its code on any failure.
TWalkCounts floorWalk(HKEY root, const std::string& path);

}  // namespace bench
