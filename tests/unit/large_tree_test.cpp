// Trees at the registry's limits go through the scan and the writer whole: a
// key as deep as the registry allows (512 levels from the root) and a key
// with 100,000 subkeys. The snapshot and the saved file are checked by their
// shape (element counts, nesting, first and last names).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "framework/Owner.h"
#include "regscan/RegExport.h"
#include "support/files.h"
#include "support/left_behind.h"
#include "support/scratch_key.h"

namespace {

// The shape of a saved file: how many elements of each kind, how deep the
// "key" elements nest, and the names of the first and last "key" met.
struct Shape {
    std::size_t keys = 0;
    std::size_t values = 0;  // "values" elements
    std::size_t items = 0;   // "value" elements
    std::size_t deepestKey = 0;
    std::string firstKey, lastKey;
    std::string deepestText;  // text of the last "value" at the deepest key
};

// Read from the tags of the file's text, so that both builds read it alike;
// the names and texts here hold nothing XML would escape.
Shape shapeOf(const std::string& xml) {
    Shape shape;
    std::size_t keyDepth = 0;
    for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        const std::size_t end = xml.find('>', at);
        if (end == std::string::npos) break;
        const std::string tag = xml.substr(at + 1, end - at - 1);
        const bool closing = tag.front() == '/', empty = tag.back() == '/';
        const std::string name = tag.substr(closing, tag.find_first_of(" />", closing) - closing);
        if (name == "key") {
            if (closing) {
                --keyDepth;
                continue;
            }
            ++shape.keys;
            const std::size_t quote = tag.find("name=\"") + 6;
            shape.lastKey = tag.substr(quote, tag.find('"', quote) - quote);
            if (shape.firstKey.empty()) shape.firstKey = shape.lastKey;
            if (!empty && ++keyDepth > shape.deepestKey) {
                shape.deepestKey = keyDepth;
                shape.deepestText.clear();
            }
        } else if (name == "values" && !closing) {
            ++shape.values;
        } else if (name == "value" && !closing) {
            ++shape.items;
            if (keyDepth == shape.deepestKey)
                shape.deepestText = empty ? "" : xml.substr(end + 1, xml.find('<', end) - end - 1);
        }
    }
    return shape;
}

class LargeTree : public ::testing::Test {
protected:
    // Scans the scratch key and saves it; the saved file's shape.
    Shape exportScratchKey() {
        TRegScanner scanner;
        scanner.scan(scratch_.root(), scratch_.path());
        scanner.saveXml(path_);
        return shapeOf(readFile(path_));
    }
    void TearDown() override { EXPECT_EQ(leftBehind_.What(), ""); }

    // Two levels below the root.
    const TScratchKey scratch_{HKEY_CURRENT_USER, "Software\\RegScanLargeTree"};
    const TTempFolder folder_{"regscan-large"};
    const std::string path_ = folder_.file("settings.xml");
    const TLeftBehind leftBehind_;
};

TEST_F(LargeTree, KeysNestedAsDeepAsTheRegistryAllows) {
    constexpr int kLevels = 510;  // below the scratch key: 512 from the root
    {
        // Each level is created below the one before by its own name (the
        // whole path is longer than the calls take); a level's key is closed
        // once its child is open.
        TKeyHandle levels[2];
        ASSERT_EQ(RegOpenKeyExA(scratch_.root(), scratch_.path().c_str(), 0, KEY_ALL_ACCESS, levels[0].put()),
                  ERROR_SUCCESS);
        for (int level = 1; level <= kLevels; ++level) {
            char name[16];
            std::snprintf(name, sizeof name, "L%03d", level);
            TKeyHandle& child = levels[level % 2];
            ASSERT_EQ(RegCreateKeyExA(levels[(level + 1) % 2].get(), name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                      child.put(), nullptr),
                      ERROR_SUCCESS)
                << name;
            const DWORD number = static_cast<DWORD>(level);
            ASSERT_EQ(RegSetValueExA(child.get(), "level", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                     sizeof number),
                      ERROR_SUCCESS);
        }
    }

    const Shape shape = exportScratchKey();
    EXPECT_EQ(shape.keys, kLevels + 1u);
    EXPECT_EQ(shape.values, kLevels + 1u);
    EXPECT_EQ(shape.items, std::size_t(kLevels));
    EXPECT_EQ(shape.deepestKey, kLevels + 1u);  // the scanned key and every level below it
    EXPECT_EQ(shape.firstKey, scratch_.path());
    EXPECT_EQ(shape.lastKey, "L510");
    EXPECT_EQ(shape.deepestText, "510");
}

TEST_F(LargeTree, KeyWith100000Subkeys) {
    constexpr int kSubkeys = 100000;
    scratch_.set("", "Version", REG_SZ, std::string("2.1\0", 4));
    for (int i = 0; i < kSubkeys; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "k%06d", i);
        scratch_.create(name);
    }

    const Shape shape = exportScratchKey();
    EXPECT_EQ(shape.keys, kSubkeys + 1u);
    EXPECT_EQ(shape.values, kSubkeys + 1u);
    EXPECT_EQ(shape.items, 1u);
    EXPECT_EQ(shape.deepestKey, 2u);
    EXPECT_EQ(shape.firstKey, scratch_.path());
    EXPECT_EQ(shape.lastKey, "k099999");
}

}  // namespace
