// The process's memory as the operating system counts it, in bytes. A figure
// the system does not give is 0.
#pragma once

#include <cstdint>

namespace bench {

struct TProcessMemory {
    std::uint64_t workingSet = 0;
    std::uint64_t peakWorkingSet = 0;
    std::uint64_t pagefileUsage = 0;  // private memory
    // Wine has no peak of its own here: it reports the current private figure.
    std::uint64_t peakPagefileUsage = 0;
};

TProcessMemory processMemory();

}  // namespace bench
