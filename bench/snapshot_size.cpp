// Counting a snapshot's memory from its structures.
#include "bench/snapshot_size.h"

namespace bench {

namespace {

// Bytes a string keeps outside itself: none while it fits the inline buffer.
std::uint64_t outOfLine(const AnsiString& text) {
    static const std::size_t inlineCapacity = AnsiString().capacity();
    return text.capacity() > inlineCapacity ? text.capacity() + 1 : 0;
}

void addKey(const TRegKey* key, bool isRoot, TSnapshotSize& size) {
    ++size.keys;
    // The root's name is the path passed to the scan, not a name it read.
    if (!isRoot) size.rawBytes += key->name.size();
    size.heldBytes += sizeof(TRegKey) + outOfLine(key->name) + key->subKeys.capacity() * sizeof(TRegKey*) +
                      key->values.capacity() * sizeof(TRegScanner::TValue);
    for (const TRegScanner::TValue& value : key->values) {
        ++size.values;
        const bool isString = value.type == REG_SZ || value.type == REG_EXPAND_SZ;
        size.rawBytes += value.name.size() + (value.type == REG_DWORD ? 4 : value.data.size() + (isString ? 1 : 0));
        size.heldBytes += outOfLine(value.name) + outOfLine(value.data);
    }
    for (const TRegKey* child : key->subKeys) addKey(child, false, size);
}

}  // namespace

TSnapshotSize snapshotSize(const TRegScanner& scanner) {
    TSnapshotSize size;
    for (const TRegTreeNode& tree : scanner.trees) {
        size.heldBytes += sizeof(TRegTreeNode) + outOfLine(tree.path);
        if (tree.key) addKey(tree.key, true, size);
    }
    size.heldBytes += scanner.trees.capacity() * sizeof(TRegTreeNode) - scanner.trees.size() * sizeof(TRegTreeNode);
    return size;
}

}  // namespace bench
