// Benchmark program of the Windows build, run under Wine by scripts/bench.sh.
//   regscan_bench generate <keys>        (re)creates the generated subtree
//   regscan_bench export <keys> <file>   scan + saveXml, the program's export,
//                                        step by step
//   regscan_bench domfloor <keys> <file> the same scan, then the same
//                                        document through the bare DOM calls
//   regscan_bench floor <keys>           the bare walk
//   regscan_bench noop                   start-up cost of a process
// Prints one record line; exit code 1 with a message on failure.
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/export_modes.h"
#include "bench/generated_tree.h"
#include "bench/record.h"
#include "bench/stopwatch.h"
#include "framework/Owner.h"
#include "platform/winapi.h"

namespace {

void createKey(TKeyHandle& key, HKEY parent, const std::string& path) {
    const LONG result =
        RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("RegCreateKeyExA " + path + " failed with " + std::to_string(result));
}

// Written by a 32-bit process, the subtree lands in the 32-bit view
// (Wow6432Node) of a WoW64 prefix, which is what the program reads.
std::string generate(unsigned keyCount) {
    bench::TStopwatch time;
    const std::string root = bench::generatedTreePath(keyCount);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, root.c_str());
    const std::vector<std::string> paths = bench::generatedKeyPaths(keyCount);
    std::uint64_t values = 0;
    for (unsigned i = 0; i < paths.size(); ++i) {
        TKeyHandle key;
        createKey(key, HKEY_LOCAL_MACHINE, paths[i].empty() ? root : root + "\\" + paths[i]);
        for (const bench::TGeneratedValue& value : bench::generatedValues(i)) {
            const LONG result =
                RegSetValueExA(key.get(), value.name.c_str(), 0, value.type,
                               reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
            if (result != ERROR_SUCCESS)
                throw std::runtime_error("RegSetValueExA failed with " + std::to_string(result));
            ++values;
        }
    }
    return bench::TRecord("generate")
        .add("keys", static_cast<std::uint64_t>(paths.size()))
        .add("values", values)
        .add("raw_bytes", bench::generatedRawBytes(keyCount))
        .add("generate_ms", time.elapsedMs())
        .text();
}

std::string run(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "noop" && argc == 2) return bench::TRecord("noop").text();
    if (mode == "generate" && argc == 3) return generate(bench::keyCountArgument(argv[2]));
    if (mode == "floor" && argc == 3) return bench::runFloor(bench::keyCountArgument(argv[2]));
    if (mode == "export" && argc == 4) return bench::runExport(bench::keyCountArgument(argv[2]), argv[3]);
    if (mode == "domfloor" && argc == 4) return bench::runDomFloor(bench::keyCountArgument(argv[2]), argv[3]);
    throw std::runtime_error(
        "usage: regscan_bench noop | generate <keys> | floor <keys> | export <keys> <file> | domfloor <keys> <file>");
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::printf("%s\n", run(argc, argv).c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "regscan_bench: %s\n", e.what());
        return 1;
    }
}
