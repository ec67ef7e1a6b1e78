// Memory counters from GetProcessMemoryInfo (Windows build).
#include "bench/bench.h"
#include "platform/winapi.h"
// psapi.h needs the Windows types first: a block of its own keeps the order.
#include <psapi.h>

namespace bench {

TProcessMemory processMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    TProcessMemory memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return memory;
    memory.workingSet = counters.WorkingSetSize;
    memory.peakWorkingSet = counters.PeakWorkingSetSize;
    memory.pagefileUsage = counters.PagefileUsage;
    return memory;
}

}  // namespace bench
