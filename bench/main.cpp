// The benchmark program of both builds, run by scripts/bench.sh (kUsage).
// noop is an empty process, to time the start-up. --fill first generates the
// subtree in the same process, untimed: the stand-in's registry lives only as
// long as its process. Prints one record; exit code 1 with a message on failure.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <vector>

#include "bench/bench.h"

namespace {

const char kUsage[] =
    "usage: regscan_bench [--fill] noop | generate <keys> | floor <keys> | export|domfloor <keys> <file>";

unsigned keyCount(const std::string& text) {
    const unsigned long count = std::strtoul(text.c_str(), nullptr, 10);
    if (count == 0 || count > 1000000) throw std::runtime_error("bad key count: " + text);
    return static_cast<unsigned>(count);
}

bench::TRecord runMode(const std::vector<std::string>& args) {
    const std::string mode = args.empty() ? "" : args[0];
    if (mode == "noop" && args.size() == 1) return bench::TRecord("noop");
    if (args.size() != (mode == "export" || mode == "domfloor" ? 3u : 2u)) throw std::runtime_error(kUsage);
    if (mode == "generate") return bench::runGenerate(keyCount(args[1]));
    if (mode == "floor") return bench::runFloor(keyCount(args[1]));
    if (mode == "export") return bench::runExport(keyCount(args[1]), args[2]);
    if (mode == "domfloor") return bench::runDomFloor(keyCount(args[1]), args[2]);
    throw std::runtime_error(kUsage);
}

bench::TRecord run(std::vector<std::string> args) {
    if (args.size() < 3 || args[0] != "--fill") return runMode(args);
    args.erase(args.begin());
    const double fillMs = bench::timedMs([&] { bench::runGenerate(keyCount(args[1])); });
    // What the filled registry holds, so the mode's own peak can be told apart.
    const std::uint64_t filledBytes = bench::processMemory().workingSet;
    return runMode(args).add("fill_ms", fillMs).add("filled_ws_bytes", filledBytes);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::printf("%s\n", run(std::vector<std::string>(argv + 1, argv + argc)).line.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "regscan_bench: %s\n", e.what());
        return 1;
    }
}
