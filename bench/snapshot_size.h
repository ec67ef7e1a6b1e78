// What a snapshot holds in memory, counted from its own structures (the
// allocator's per-block overhead not included), and the registry data it was
// read from.
#pragma once

#include <cstdint>

#include "regscan/RegScanner.h"

namespace bench {

struct TSnapshotSize {
    std::uint64_t keys = 0;
    std::uint64_t values = 0;
    // Every key's own name and every value's name and data as the ANSI calls
    // return them (strings with their NUL), as floor_walk counts them.
    std::uint64_t rawBytes = 0;
    // Key objects, vector storage at its capacity, and string storage beyond
    // the strings' inline buffer.
    std::uint64_t heldBytes = 0;
};

TSnapshotSize snapshotSize(const TRegScanner& scanner);

}  // namespace bench
