// What the benchmark's modes share: the record each prints (one line of
// "name=value" pairs, read by bench/tables.sh), a stopwatch, the process's
// memory, and the modes. Each mode reads or writes the generated subtree of
// `keyCount` keys below HKEY_LOCAL_MACHINE.
#pragma once

#include <chrono>
#include <cstdint>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <string>

namespace bench {

struct TRecord {
    explicit TRecord(const std::string& kind) : line("kind=" + kind) {}
    template <class T>
    TRecord& add(const char* name, T value) {
        std::ostringstream text;
        text << std::setprecision(12) << ' ' << name << '=' << value;
        line += text.str();
        return *this;
    }
    std::string line;
};

class TStopwatch {
public:
    double elapsedMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Runs `step` and returns how long it took, in milliseconds.
template <class F>
double timedMs(F&& step) {
    const TStopwatch time;
    step();
    return time.elapsedMs();
}

// In bytes, as the operating system counts them; a figure it does not give is 0.
struct TProcessMemory {
    std::uint64_t workingSet = 0, peakWorkingSet = 0;
    std::uint64_t pagefileUsage = 0;  // private memory
};
TProcessMemory processMemory();  // process_memory_*.cpp

// Throws naming the registry call unless it returned ERROR_SUCCESS (0).
inline void checkCall(const char* call, long result) {
    if (result != 0) throw std::runtime_error(std::string(call) + " failed with " + std::to_string(result));
}

// Where the subtree lives below HKEY_LOCAL_MACHINE; runGenerate (re)creates
// it (generated_tree.cpp).
std::string generatedTreePath(unsigned keyCount);
TRecord runGenerate(unsigned keyCount);
// The program's own export to `outPath`: TRegScanner::scan, saveXml's two
// steps, the release of the document, and the snapshot's memory (export_mode.cpp).
TRecord runExport(unsigned keyCount, const std::string& outPath);
// The same scan, then the same document through the bare DOM calls (dom_floor.cpp).
TRecord runDomFloor(unsigned keyCount, const std::string& outPath);
// The bare walk with the five registry calls (floor_walk.cpp).
TRecord runFloor(unsigned keyCount);

}  // namespace bench
