// The shared fixtures exported through the stand-in: each file must hold the
// expected element tree and be valid against the schema. The exports are
// kept in the build folder, where the Windows build's exports of the same
// fixtures are compared with them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/stand-in/control.h"
#include "regscan/RegExport.h"
#include "support/files.h"
#include "support/reg_import.h"
#include "support/xml_tree.h"

namespace {

class FixtureExport : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureExport, HoldsTheExpectedTree) {
    const std::string name = GetParam();
    const std::string fixtures = std::string(REGSCAN_SOURCE_DIR) + "/tests/fixtures/";
    standin::registry_reset();
    standin::com_reset();
    importRegText(readFile(fixtures + name + ".reg"));

    TRegScanner scanner;
    scanBoth(scanner);
    mkdir(REGSCAN_EXPORT_DIR, 0755);
    const std::string path = std::string(REGSCAN_EXPORT_DIR) + "/" + name + ".xml";
    scanner.saveXml(path);

    EXPECT_EQ(xmlTreeOfFile(path), readFile(fixtures + name + ".tree"));
    EXPECT_EQ(schemaErrors(path), "");
    EXPECT_EQ(standin::registry_open_handles(), 0u);
    EXPECT_EQ(standin::dom_live_objects(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureExport, ::testing::Values("example", "mixed"));

}  // namespace
