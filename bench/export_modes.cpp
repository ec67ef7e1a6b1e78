// The timed export, step by step, with memory figures; the DOM floor; and
// the floor walk.
#include "bench/export_modes.h"

#include "bench/dom_floor.h"
#include "bench/floor_walk.h"
#include "bench/generated_tree.h"
#include "bench/process_memory.h"
#include "bench/record.h"
#include "bench/snapshot_size.h"
#include "bench/stopwatch.h"
#include "regscan/RegWriter.h"

namespace bench {

namespace {

// A change that may be negative (the system may trim the working set).
double difference(std::uint64_t after, std::uint64_t before) {
    return static_cast<double>(after) - static_cast<double>(before);
}

}  // namespace

std::string runExport(unsigned keyCount, const std::string& outPath) {
    TRecord record("export");
    TRegScanner scanner;
    const TProcessMemory before = processMemory();
    TStopwatch total;
    scanner.scan(HKEY_LOCAL_MACHINE, generatedTreePath(keyCount).c_str());
    const double scanMs = total.elapsedMs();
    const TProcessMemory scanned = processMemory();

    // saveXml's own two steps, then the release of the document it ends with.
    TStopwatch buildTime;
    IXMLDOMDocumentPtr doc = buildDocument(scanner);
    const double domMs = buildTime.elapsedMs();
    TStopwatch saveTime;
    saveDocument(doc, outPath.c_str());
    const double saveMs = saveTime.elapsedMs();
    TStopwatch releaseTime;
    doc.Reset();
    const double releaseMs = releaseTime.elapsedMs();
    const double exportMs = total.elapsedMs();
    const TProcessMemory peak = processMemory();

    const TSnapshotSize size = snapshotSize(scanner);
    record.add("keys", size.keys)
        .add("values", size.values)
        .add("raw_bytes", size.rawBytes)
        .add("export_ms", exportMs)
        .add("scan_ms", scanMs)
        .add("savexml_ms", domMs + saveMs + releaseMs)
        .add("dom_ms", domMs)
        .add("save_ms", saveMs)
        .add("release_ms", releaseMs)
        .add("snapshot_held_bytes", size.heldBytes)
        .add("snapshot_ws_bytes", difference(scanned.workingSet, before.workingSet))
        .add("snapshot_private_bytes", difference(scanned.pagefileUsage, before.pagefileUsage))
        .add("peak_ws_bytes", peak.peakWorkingSet)
        .add("peak_private_bytes", peak.peakPagefileUsage);
    return record.text();
}

std::string runDomFloor(unsigned keyCount, const std::string& outPath) {
    TRecord record("domfloor");
    TRegScanner scanner;
    TStopwatch scanTime;
    scanner.scan(HKEY_LOCAL_MACHINE, generatedTreePath(keyCount).c_str());
    record.add("scan_ms", scanTime.elapsedMs());
    const TDomFloorTimes times = domFloor(scanner, outPath);
    record.add("dom_ms", times.buildMs)
        .add("save_ms", times.saveMs)
        .add("release_ms", times.releaseMs)
        .add("domfloor_ms", times.buildMs + times.saveMs + times.releaseMs)
        .add("peak_ws_bytes", processMemory().peakWorkingSet);
    return record.text();
}

std::string runFloor(unsigned keyCount) {
    TRecord record("floor");
    TStopwatch walkTime;
    const TWalkCounts counts = floorWalk(HKEY_LOCAL_MACHINE, generatedTreePath(keyCount));
    record.add("floor_ms", walkTime.elapsedMs())
        .add("keys", counts.keys)
        .add("values", counts.values)
        .add("raw_bytes", counts.rawBytes)
        .add("peak_ws_bytes", processMemory().peakWorkingSet);
    return record.text();
}

}  // namespace bench
