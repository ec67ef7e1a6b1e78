// Benchmark program of the stand-in build. Each run first fills the stand-in
// registry with the generated subtree (not timed), then:
//   regscan_standin_bench export <keys> <file>
//                                   scan + saveXml; then the writer's build and save timed apart
//   regscan_standin_bench libxml2 <keys> <file>
//                                   scan, then libxml2's own tree calls and save
//   regscan_standin_bench domfloor <keys> <file>
//                                   scan, then the same document through the bare DOM calls
//   regscan_standin_bench floor <keys>
//                                   the bare walk
// Prints one record line; exit code 1 with a message on failure.
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/export_modes.h"
#include "bench/generated_tree.h"
#include "bench/libxml2_direct.h"
#include "bench/process_memory.h"
#include "bench/record.h"
#include "bench/stopwatch.h"
#include "platform/stand-in/control.h"

namespace {

void fillRegistry(unsigned keyCount) {
    const std::string root = bench::generatedTreePath(keyCount);
    const std::vector<std::string> paths = bench::generatedKeyPaths(keyCount);
    for (unsigned i = 0; i < paths.size(); ++i) {
        const std::string path = paths[i].empty() ? root : root + "\\" + paths[i];
        standin::registry_create_key(HKEY_LOCAL_MACHINE, path);
        for (const bench::TGeneratedValue& value : bench::generatedValues(i))
            standin::registry_set_value(HKEY_LOCAL_MACHINE, path, value.name, value.type, value.data);
    }
}

std::string runLibxml2(unsigned keyCount, const std::string& outPath) {
    bench::TRecord record("libxml2");
    TRegScanner scanner;
    bench::TStopwatch total;
    scanner.scan(HKEY_LOCAL_MACHINE, bench::generatedTreePath(keyCount).c_str());
    record.add("scan_ms", total.elapsedMs());
    bench::TStopwatch buildTime;
    bench::TXmlDoc doc = bench::buildWithLibxml2(scanner);
    record.add("dom_ms", buildTime.elapsedMs());
    bench::TStopwatch saveTime;
    bench::saveWithLibxml2(doc, outPath);
    record.add("save_ms", saveTime.elapsedMs());
    bench::TStopwatch releaseTime;
    doc.reset();
    record.add("release_ms", releaseTime.elapsedMs()).add("export_ms", total.elapsedMs());
    record.add("peak_ws_bytes", bench::processMemory().peakWorkingSet);
    return record.text();
}

std::string run(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool withFile = mode == "export" || mode == "libxml2" || mode == "domfloor";
    if (!(withFile && argc == 4) && !(mode == "floor" && argc == 3))
        throw std::runtime_error("usage: regscan_standin_bench export|libxml2|domfloor <keys> <file> | floor <keys>");
    const unsigned keyCount = bench::keyCountArgument(argv[2]);

    bench::TStopwatch fillTime;
    fillRegistry(keyCount);
    // What the filled registry holds, so the run's own peak can be told apart.
    const std::string fill = " fill_ms=" + std::to_string(fillTime.elapsedMs()) +
                             " filled_ws_bytes=" + std::to_string(bench::processMemory().workingSet);
    if (mode == "floor") return bench::runFloor(keyCount) + fill;
    if (mode == "export") return bench::runExport(keyCount, argv[3]) + fill;
    if (mode == "domfloor") return bench::runDomFloor(keyCount, argv[3]) + fill;
    return runLibxml2(keyCount, argv[3]) + fill;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::printf("%s\n", run(argc, argv).c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "regscan_standin_bench: %s\n", e.what());
        return 1;
    }
}
