// The scan under the stand-in's faults: every registry call failing at the
// root and at depth, a denied key, and that nothing is left open or
// half-appended.
#include <gtest/gtest.h>

#include "framework/SysUtils.h"
#include "platform/stand-in/control.h"
#include "regscan/RegExport.h"
#include "support/reg_import.h"
#include "support/snapshot_text.h"

namespace {

using standin::RegCall;

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::registry_reset();
        handlesBefore_ = standin::registry_open_handles();
    }
    void TearDown() override { EXPECT_EQ(standin::registry_open_handles(), handlesBefore_) << "handles left open"; }

    // Five keys, opened in this order: the root, A, b, inner, _u.
    void importTree() {
        importRegText(
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Calderine]\n"
            "@=\"default text\"\n"
            "\"Version\"=\"2.1\"\n"
            "\"Flags\"=dword:ffffffff\n"
            "\"DetID\"=hex(7):41,00,00,00\n"
            "\"Path\"=hex(2):25,54,4d,50,25,00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Calderine\\b]\n"
            "\"Table\"=hex:00,10\n"
            "\"Empty\"=hex:\n"
            "\"detid\"=\"kept: other letter case\"\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Calderine\\b\\inner]\n"
            "\"DetID\"=dword:00000001\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Calderine\\A]\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Calderine\\_u]\n"
            "\"Zero\"=dword:00000000\n");
    }

    std::size_t handlesBefore_ = 0;
};

// Every registry call of a scan made to fail in turn, at the root and deeper,
// a denied subkey (named by its own name) and a value of a type the snapshot
// does not hold: the message names the call and code, nothing is appended,
// nothing stays open.
TEST_F(ScanTest, EachFailingCallEndsTheScanCleanly) {
    const struct {
        RegCall call;
        unsigned nth;
        LONG code;
        std::string message;
    } cases[] = {
        {RegCall::OpenKeyEx, 1, 5, "TRegScanner, opening of registry key Software\\Calderine failed (5): "},
        {RegCall::OpenKeyEx, 2, 2, "TRegScanner, opening of registry key A failed (2): "},
        {RegCall::OpenKeyEx, 4, 6, "TRegScanner, opening of registry key inner failed (6): "},
        {RegCall::OpenKeyEx, 0, 5, "TRegScanner, opening of registry key inner failed (5): "},  // denied
        {RegCall::QueryInfoKey, 1, 6, "TRegScanner, error in RegQueryInfoKey (0x6): "},
        {RegCall::QueryInfoKey, 4, 5, "TRegScanner, error in RegQueryInfoKey (0x5): "},
        {RegCall::EnumValue, 1, 259, "TRegScanner, failure in RegEnumValue (0x103): "},
        {RegCall::EnumValue, 3, 234, "TRegScanner, failure in RegEnumValue (0xea): "},
        {RegCall::EnumValue, 6, 5, "TRegScanner, failure in RegEnumValue (0x5): "},
        {RegCall::EnumKeyEx, 1, 259, "TRegScanner, failure in RegEnumKeyEx (0x103): "},
        {RegCall::EnumKeyEx, 3, 234, "TRegScanner, failure in RegEnumKeyEx (0xea): "},
        {RegCall::EnumKeyEx, 4, 6, "TRegScanner, failure in RegEnumKeyEx (0x6): "},
        {RegCall::CloseKey, 0, 0, "TRegScanner::TValue, unrecognized registry type: 0xb"},  // no fault
    };
    for (const auto& c : cases) {
        standin::registry_reset();
        importTree();
        TRegScanner scanner;
        scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);  // an earlier tree stays as it was
        const std::string before = describe(scanner);
        if (c.nth != 0)
            standin::registry_fail_call(c.call, c.nth, c.code);
        else if (c.code != 0)
            standin::registry_deny(HKEY_LOCAL_MACHINE, "Software\\Calderine\\b\\inner");
        else
            standin::registry_set_value(HKEY_LOCAL_MACHINE, "Software\\Calderine\\b\\inner", "q", REG_QWORD,
                                        std::string(8, '\0'));
        const std::string message = scanFailure(scanner, HKEY_LOCAL_MACHINE, kSoftwareKey);
        EXPECT_EQ(message, c.code != 0 ? c.message + SysErrorMessage(c.code) : c.message)
            << static_cast<int>(c.call) << " #" << c.nth;
        EXPECT_EQ(describe(scanner), before);
        EXPECT_EQ(standin::registry_open_handles(), handlesBefore_);
    }
}

}  // namespace
