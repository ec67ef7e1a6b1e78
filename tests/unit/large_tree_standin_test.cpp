// Trees at the registry's limits go through the scan and the writer whole: a
// key 512 levels deep and a key with 100,000 subkeys. The files are checked
// by their shape (element counts, nesting, first and last names), read back
// with libxml2's limits for huge documents.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/stand-in/control.h"
#include "regscan/RegExport.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

struct DocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

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

std::string attribute(xmlNodePtr node, const char* name) {
    std::unique_ptr<xmlChar, decltype(xmlFree)> value(xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)),
                                                      xmlFree);
    return value ? reinterpret_cast<const char*>(value.get()) : "";
}

bool named(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE && std::string(reinterpret_cast<const char*>(node->name)) == name;
}

// Walks without recursion, so a deep file cannot exhaust the test's stack.
Shape shapeOf(xmlNodePtr root) {
    Shape shape;
    xmlNodePtr node = root;
    std::size_t keyDepth = 0;
    while (node != nullptr) {
        if (named(node, "key")) {
            ++shape.keys;
            ++keyDepth;
            const std::string name = attribute(node, "name");
            if (shape.firstKey.empty()) shape.firstKey = name;
            shape.lastKey = name;
            if (keyDepth > shape.deepestKey) {
                shape.deepestKey = keyDepth;
                shape.deepestText.clear();
            }
        } else if (named(node, "values")) {
            ++shape.values;
        } else if (named(node, "value")) {
            ++shape.items;
            if (keyDepth == shape.deepestKey) {
                std::unique_ptr<xmlChar, decltype(xmlFree)> text(xmlNodeGetContent(node), xmlFree);
                shape.deepestText = text ? reinterpret_cast<const char*>(text.get()) : "";
            }
        }
        // Next in document order: the first child, else the next sibling of
        // this node or of the nearest ancestor that has one.
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != nullptr) {
            if (named(node, "key")) --keyDepth;
            if (node == root) {
                node = nullptr;
            } else if (node->next != nullptr) {
                node = node->next;
                break;
            } else {
                node = node->parent;
            }
        }
    }
    return shape;
}

class LargeTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::registry_reset();
        standin::com_reset();
        standin::dom_reset_faults();
        standin::message_boxes_clear();
        standin::message_box_script({}, IDYES);
        handlesBefore_ = standin::registry_open_handles();
    }
    void TearDown() override {
        EXPECT_EQ(standin::registry_open_handles(), handlesBefore_);
        EXPECT_EQ(standin::dom_live_objects(), 0u);
        EXPECT_TRUE(standin::message_boxes().empty());
        standin::registry_reset();
    }

    // Scans the software key and saves it; the saved file, read back.
    Doc exportSoftwareKey() {
        TRegScanner scanner;
        scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
        scanner.saveXml(path_);
        // Deeper than libxml2's default nesting limit (256): a huge document.
        return Doc(xmlReadFile(path_.c_str(), nullptr,
                               XML_PARSE_HUGE | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    }

    const TTempFolder folder_{"regscan-large"};
    const std::string path_ = folder_.file("settings.xml");
    std::size_t handlesBefore_ = 0;
};

TEST_F(LargeTreeTest, KeysNested512LevelsDeep) {
    constexpr int kLevels = 512;
    std::string path = kSoftwareKey;
    for (int level = 1; level <= kLevels; ++level) {
        char name[16];
        std::snprintf(name, sizeof name, "L%03d", level);
        path += std::string("\\") + name;
        const DWORD number = static_cast<DWORD>(level);
        standin::registry_set_value(HKEY_LOCAL_MACHINE, path, "level", REG_DWORD,
                                    std::string(reinterpret_cast<const char*>(&number), sizeof number));
    }

    const Doc doc = exportSoftwareKey();
    ASSERT_NE(doc, nullptr) << "the saved file does not parse";
    const Shape shape = shapeOf(xmlDocGetRootElement(doc.get()));
    EXPECT_EQ(shape.keys, kLevels + 1u);
    EXPECT_EQ(shape.values, kLevels + 1u);
    EXPECT_EQ(shape.items, std::size_t(kLevels));
    EXPECT_EQ(shape.deepestKey, kLevels + 1u);  // the scanned key and 512 levels below it
    EXPECT_EQ(shape.firstKey, kSoftwareKey);
    EXPECT_EQ(shape.lastKey, "L512");
    EXPECT_EQ(shape.deepestText, "512");
}

TEST_F(LargeTreeTest, KeyWith100000Subkeys) {
    constexpr int kSubkeys = 100000;
    standin::registry_set_value(HKEY_LOCAL_MACHINE, kSoftwareKey, "Version", REG_SZ, std::string("2.1\0", 4));
    for (int i = 0; i < kSubkeys; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s\\k%06d", kSoftwareKey, i);
        standin::registry_create_key(HKEY_LOCAL_MACHINE, name);
    }

    const Doc doc = exportSoftwareKey();
    ASSERT_NE(doc, nullptr) << "the saved file does not parse";
    const Shape shape = shapeOf(xmlDocGetRootElement(doc.get()));
    EXPECT_EQ(shape.keys, kSubkeys + 1u);
    EXPECT_EQ(shape.values, kSubkeys + 1u);
    EXPECT_EQ(shape.items, 1u);
    EXPECT_EQ(shape.deepestKey, 2u);
    EXPECT_EQ(shape.firstKey, kSoftwareKey);
    EXPECT_EQ(shape.lastKey, "k099999");
}

}  // namespace
