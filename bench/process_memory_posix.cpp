// Memory counters from getrusage and /proc/self/statm (stand-in build): the
// resident set and its peak; no private-commit figure.
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

#include "bench/bench.h"

namespace bench {

TProcessMemory processMemory() {
    TProcessMemory memory;
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) memory.peakWorkingSet = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0;
    if (statm >> size >> resident) memory.workingSet = resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    return memory;
}

}  // namespace bench
