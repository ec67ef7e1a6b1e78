// The program's own export, step by step, with what its snapshot holds.
#include "bench/bench.h"
#include "regscan/RegWriter.h"

namespace bench {

namespace {

// What a snapshot holds, counted from its own structures.
struct TSnapshotSize {
    std::uint64_t keys = 0, values = 0;
    // Every key's own name and every value's name and data as the ANSI calls
    // return them (strings with their NUL), as the walk floor counts them.
    std::uint64_t rawBytes = 0;
    // Key objects, vector storage at its capacity, and string storage beyond
    // the strings' inline buffer; not the allocator's per-block overhead.
    std::uint64_t heldBytes = 0;
};

// Bytes a string keeps outside itself: none while it fits the inline buffer.
std::uint64_t outOfLine(const AnsiString& text) {
    static const std::size_t inlineCapacity = AnsiString().capacity();
    return text.capacity() > inlineCapacity ? text.capacity() + 1 : 0;
}

void addKey(const TRegKey* key, TSnapshotSize& size) {
    ++size.keys;
    // The top key's name is the path passed to the scan, not a name it read.
    if (key->parent) size.rawBytes += key->name.size();
    size.heldBytes += sizeof(TRegKey) + outOfLine(key->name) + key->subKeys.capacity() * sizeof(TRegKey*) +
                      key->values.capacity() * sizeof(TRegScanner::TValue);
    for (const TRegScanner::TValue& value : key->values) {
        ++size.values;
        const bool isString = value.type == REG_SZ || value.type == REG_EXPAND_SZ;
        size.rawBytes += value.name.size() + (value.type == REG_DWORD ? 4 : value.data.size() + (isString ? 1 : 0));
        size.heldBytes += outOfLine(value.name) + outOfLine(value.data);
    }
    for (const TRegKey* child : key->subKeys) addKey(child, size);
}

TSnapshotSize snapshotSize(const TRegScanner& scanner) {
    TSnapshotSize size;
    for (const TRegTreeNode& tree : scanner.trees) {
        size.heldBytes += sizeof(TRegTreeNode) + outOfLine(tree.path);
        if (tree.key) addKey(tree.key, size);
    }
    size.heldBytes += (scanner.trees.capacity() - scanner.trees.size()) * sizeof(TRegTreeNode);
    return size;
}

}  // namespace

TRecord runExport(unsigned keyCount, const std::string& outPath) {
    TRegScanner scanner;
    const TProcessMemory before = processMemory();
    const TStopwatch total;
    const double scanMs = timedMs([&] { scanner.scan(HKEY_LOCAL_MACHINE, generatedTreePath(keyCount).c_str()); });
    const TProcessMemory scanned = processMemory();

    // saveXml's own two steps, then the release of the document it ends with.
    const TStopwatch buildTime;
    IXMLDOMDocumentPtr doc = BuildDocument(scanner);
    const double buildMs = buildTime.elapsedMs();
    const double saveMs = timedMs([&] { SaveDocument(doc, outPath.c_str()); });
    const double releaseMs = timedMs([&] { doc.Reset(); });
    const double exportMs = total.elapsedMs();

    const TSnapshotSize size = snapshotSize(scanner);
    return TRecord("export")
        .add("keys", size.keys)
        .add("values", size.values)
        .add("raw_bytes", size.rawBytes)
        .add("export_ms", exportMs)
        .add("scan_ms", scanMs)
        .add("savexml_ms", buildMs + saveMs + releaseMs)
        .add("dom_ms", buildMs)
        .add("save_ms", saveMs)
        .add("release_ms", releaseMs)
        .add("snapshot_held_bytes", size.heldBytes)
        // As a signed figure: the system may give memory back during the scan.
        .add("snapshot_private_bytes", static_cast<double>(scanned.pagefileUsage) - before.pagefileUsage)
        .add("peak_ws_bytes", processMemory().peakWorkingSet);
}

}  // namespace bench
