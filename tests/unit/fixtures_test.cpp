// The shared fixtures exported in either build: each file must hold the
// fixture's expected element tree (and, in the stand-in build, be valid
// against the schema).
#include <gtest/gtest.h>

#include "regscan/RegExport.h"
#include "support/build_view.h"
#include "support/files.h"
#include "support/scratch_key.h"

namespace {

TEST(FixtureExport, EachHoldsTheExpectedTree) {
    for (const char* name : {"example", "mixed"}) {
        SCOPED_TRACE(name);
        const std::string fixture = std::string(REGSCAN_SOURCE_DIR) + "/tests/fixtures/" + name;
        TScratchKey keys(HKEY_LOCAL_MACHINE, kSoftwareKey);
        keys.take(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Orvexdrv");
        keys.import(readFile(fixture + ".reg"));
        TRegScanner scanner;
        ScanBoth(scanner);
        const TTempFolder folder("regscan-fixture");
        const std::string path = folder.file("export.xml");
        scanner.saveXml(path);
        EXPECT_EQ(savedFileTree(path), readFile(fixture + ".tree"));
        EXPECT_EQ(filesBeside(path), 0u) << "a file was left beside the export";
    }
}

}  // namespace
