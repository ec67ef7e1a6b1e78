// The scan against the stand-in registry: order, rules, every failure at the
// root and at depth, and that nothing is left open or half-appended.
#include <gtest/gtest.h>

#include "framework/Exception.h"
#include "framework/SysUtils.h"
#include "platform/stand-in/control.h"
#include "regscan/RegExport.h"
#include "support/ansi_utf8.h"
#include "support/reg_import.h"

namespace {

using standin::RegCall;

// One line per key ("+name") and per value ("  name type text"), depth first:
// the whole snapshot in one comparable text.
void describeKey(const TRegKey* key, int depth, std::string& out) {
    out += std::string(depth * 2, ' ') + "+" + key->name + "\n";
    for (const TRegScanner::TValue& value : key->values)
        out += std::string(depth * 2 + 2, ' ') + value.name + " " + map_reg_type(value.type) + " [" +
               value_text(value) + "]\n";
    for (const TRegKey* child : key->subKeys) describeKey(child, depth + 1, out);
}

std::string describe(const TRegScanner& scanner) {
    std::string out;
    for (const TRegTreeNode& tree : scanner.trees) {
        out += map_hive_name(tree.hive) + " " + tree.path + "\n";
        describeKey(tree.key, 0, out);
    }
    return out;
}

std::string scanFailure(TRegScanner& scanner, HKEY root, const char* path) {
    try {
        scanner.scan(root, path);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::registry_reset();
        handlesBefore_ = standin::registry_open_handles();
    }
    void TearDown() override { EXPECT_EQ(standin::registry_open_handles(), handlesBefore_) << "handles left open"; }

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

TEST_F(ScanTest, ReadsValuesBeforeSubkeysDepthFirstInEnumerationOrder) {
    importTree();
    TRegScanner scanner;
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    EXPECT_EQ(describe(scanner),
              "HKEY_LOCAL_MACHINE Software\\Calderine\n"
              "+Software\\Calderine\n"
              "   REG_SZ [default text]\n"
              "  Version REG_SZ [2.1]\n"
              "  Flags REG_DWORD [4294967295]\n"
              "  Path REG_EXPAND_SZ [%TMP%]\n"
              "  +A\n"
              "  +b\n"
              "    Table REG_BINARY [00 10 ]\n"
              "    Empty REG_BINARY []\n"
              "    detid REG_SZ [kept: other letter case]\n"
              "    +inner\n"
              "  +_u\n"
              "    Zero REG_DWORD [0]\n");
}

TEST_F(ScanTest, NodesCarryHiveParentsAndOwners) {
    importTree();
    TRegScanner scanner;
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    ASSERT_EQ(scanner.trees.size(), 1u);
    const TRegTreeNode& tree = scanner.trees[0];
    EXPECT_EQ(tree.hive, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(tree.path, kSoftwareKey);
    const TRegKey* root = tree.key;
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->parent, nullptr);
    EXPECT_EQ(root->hive, HKEY_LOCAL_MACHINE);
    for (const TRegKey* child : root->subKeys) {
        EXPECT_EQ(child->parent, root);
        EXPECT_EQ(child->hive, HKEY_LOCAL_MACHINE);
        for (const TRegScanner::TValue& value : child->values) EXPECT_EQ(value.owner, child);
    }
    for (const TRegScanner::TValue& value : root->values) EXPECT_EQ(value.owner, root);
}

TEST_F(ScanTest, EmptyKeyGivesEmptyLists) {
    standin::registry_create_key(HKEY_LOCAL_MACHINE, kSoftwareKey);
    TRegScanner scanner;
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    ASSERT_EQ(scanner.trees.size(), 1u);
    EXPECT_TRUE(scanner.trees[0].key->values.empty());
    EXPECT_TRUE(scanner.trees[0].key->subKeys.empty());
}

TEST_F(ScanTest, TwoScansKeepCallOrderAndDuplicates) {
    importTree();
    standin::registry_create_key(HKEY_LOCAL_MACHINE, kDriverKey);
    TRegScanner scanner;
    scanner.scan(HKEY_LOCAL_MACHINE, kDriverKey);
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    ASSERT_EQ(scanner.trees.size(), 3u);
    EXPECT_EQ(scanner.trees[0].key->name, kDriverKey);
    EXPECT_EQ(scanner.trees[1].key->name, kSoftwareKey);
    EXPECT_NE(scanner.trees[1].key, scanner.trees[2].key);
}

TEST_F(ScanTest, DetIdOfAnyTypeIsLeftOutAtEveryDepth) {
    standin::registry_set_value(HKEY_LOCAL_MACHINE, kSoftwareKey, "DetID", REG_MULTI_SZ, std::string("a\0\0", 3));
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "Software\\Calderine\\x\\y", "DetID", REG_NONE, "");
    standin::registry_set_value(HKEY_LOCAL_MACHINE, "Software\\Calderine\\x\\y", "kept", REG_SZ, std::string("k\0", 2));
    TRegScanner scanner;
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    EXPECT_EQ(describe(scanner),
              "HKEY_LOCAL_MACHINE Software\\Calderine\n"
              "+Software\\Calderine\n"
              "  +x\n"
              "    +y\n"
              "      kept REG_SZ [k]\n");
}

TEST_F(ScanTest, UnsupportedTypesEndTheScanAnywhere) {
    const struct {
        const char* key;
        const char* name;
        DWORD type;
        const char* message;
    } cases[] = {
        {"Software\\Calderine", "list", REG_MULTI_SZ, "TRegScanner::TValue, unrecognized registry type: 0x7"},
        {"Software\\Calderine\\deep\\deeper", "none", REG_NONE, "TRegScanner::TValue, unrecognized registry type: 0x0"},
        {"Software\\Calderine\\deep", "DETID", REG_MULTI_SZ, "TRegScanner::TValue, unrecognized registry type: 0x7"},
        {"Software\\Calderine\\deep", "q", REG_QWORD, "TRegScanner::TValue, unrecognized registry type: 0xb"},
    };
    for (const auto& c : cases) {
        standin::registry_reset();
        standin::registry_set_value(HKEY_LOCAL_MACHINE, "Software\\Calderine\\deep\\deeper", "ok", REG_DWORD,
                                    std::string("\1\0\0\0", 4));
        standin::registry_set_value(HKEY_LOCAL_MACHINE, c.key, c.name, c.type, std::string("a\0\0", 3));
        TRegScanner scanner;
        EXPECT_EQ(scanFailure(scanner, HKEY_LOCAL_MACHINE, kSoftwareKey), c.message) << c.key << " " << c.name;
        EXPECT_TRUE(scanner.trees.empty());
        EXPECT_EQ(standin::registry_open_handles(), handlesBefore_);
    }
}

TEST_F(ScanTest, MissingRootNamesThePathAndCode2) {
    TRegScanner scanner;
    EXPECT_EQ(scanFailure(scanner, HKEY_LOCAL_MACHINE, kSoftwareKey),
              "TRegScanner, opening of registry key Software\\Calderine failed (2): " + SysErrorMessage(2));
    EXPECT_TRUE(scanner.trees.empty());
}

TEST_F(ScanTest, DeniedSubkeyEndsTheScanWithItsOwnNameAndCode5) {
    importTree();
    standin::registry_deny(HKEY_LOCAL_MACHINE, "Software\\Calderine\\b\\inner");
    TRegScanner scanner;
    EXPECT_EQ(scanFailure(scanner, HKEY_LOCAL_MACHINE, kSoftwareKey),
              "TRegScanner, opening of registry key inner failed (5): " + SysErrorMessage(5));
    EXPECT_TRUE(scanner.trees.empty());
}

// Every registry call of a scan made to fail in turn, at the root and deeper:
// the message names the call and code, nothing is appended, nothing stays open.
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
        {RegCall::QueryInfoKey, 1, 6, "TRegScanner, error in RegQueryInfoKey (0x6): "},
        {RegCall::QueryInfoKey, 4, 5, "TRegScanner, error in RegQueryInfoKey (0x5): "},
        {RegCall::EnumValue, 1, 259, "TRegScanner, failure in RegEnumValue (0x103): "},
        {RegCall::EnumValue, 3, 234, "TRegScanner, failure in RegEnumValue (0xea): "},
        {RegCall::EnumValue, 6, 5, "TRegScanner, failure in RegEnumValue (0x5): "},
        {RegCall::EnumKeyEx, 1, 259, "TRegScanner, failure in RegEnumKeyEx (0x103): "},
        {RegCall::EnumKeyEx, 3, 234, "TRegScanner, failure in RegEnumKeyEx (0xea): "},
        {RegCall::EnumKeyEx, 4, 6, "TRegScanner, failure in RegEnumKeyEx (0x6): "},
    };
    for (const auto& c : cases) {
        standin::registry_reset();
        importTree();
        TRegScanner scanner;
        scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);  // an earlier tree stays as it was
        const std::string before = describe(scanner);
        standin::registry_fail_call(c.call, c.nth, c.code);
        const std::string message = scanFailure(scanner, HKEY_LOCAL_MACHINE, kSoftwareKey);
        EXPECT_EQ(message, c.message + SysErrorMessage(c.code)) << static_cast<int>(c.call) << " #" << c.nth;
        EXPECT_EQ(describe(scanner), before);
        EXPECT_EQ(standin::registry_open_handles(), handlesBefore_);
    }
}

TEST_F(ScanTest, CallsAndBufferSizesFollowTheKeyMaxima) {
    importTree();
    TRegScanner scanner;
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    // Five keys: one open and one query each; values and subkeys read once each.
    EXPECT_EQ(standin::registry_call_count(RegCall::OpenKeyEx), 5u);
    EXPECT_EQ(standin::registry_call_count(RegCall::QueryInfoKey), 5u);
    EXPECT_EQ(standin::registry_call_count(RegCall::EnumValue), 10u);
    EXPECT_EQ(standin::registry_call_count(RegCall::EnumKeyEx), 4u);
    EXPECT_EQ(standin::registry_call_count(RegCall::CloseKey), 5u);
}

TEST_F(ScanTest, LongNamesAndDataFitExactly) {
    const std::string longName(255, 'N');
    const std::string bigData(65536, '\x5a');
    standin::registry_set_value(HKEY_LOCAL_MACHINE, kSoftwareKey, longName, REG_BINARY, bigData);
    standin::registry_set_value(HKEY_LOCAL_MACHINE, kSoftwareKey, "short", REG_SZ, std::string("s\0", 2));
    standin::registry_create_key(HKEY_LOCAL_MACHINE, "Software\\Calderine\\" + std::string(255, 'K'));
    TRegScanner scanner;
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    const TRegKey* root = scanner.trees.at(0).key;
    ASSERT_EQ(root->values.size(), 2u);
    EXPECT_EQ(root->values[0].name, longName);
    EXPECT_EQ(root->values[0].data, bigData);
    EXPECT_EQ(root->values[1].data, "s");
    ASSERT_EQ(root->subKeys.size(), 1u);
    EXPECT_EQ(root->subKeys[0]->name, std::string(255, 'K'));
}

// Names and text in every ANSI code page the program meets: the ANSI form of
// a name or a string can take more bytes than RegQueryInfoKeyA counts
// (characters; UTF-16 bytes for data), and a second byte can be "\\" (0x5C)
// or "|" (0x7C). Each code page reads its own characters back exactly.
TEST_F(ScanTest, EveryCodePageReadsNamesAndTextExactly) {
    const struct {
        unsigned codePage;
        std::u16string key, subKey, valueName, text;
    } cases[] = {
        {1252, u"Gr\u00FC\u00DFe", u"Caf\u00E9", u"\u20ACuro", u"na\u00EFve \u00E9t\u00E9"},
        {1251, u"\u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0438", u"\u041F\u0440\u0438\u0432\u043E\u0434",
         u"\u0418\u043C\u044F", u"\u0422\u0435\u043A\u0441\u0442 \u044F"},
        // ソフト設定, 表\能, ポ十: trail bytes 5C and 7C in 932.
        {932, u"\u30BD\u30D5\u30C8\u8A2D\u5B9A", u"\u8868\u80FD", u"\u30DD\u5341", u"\u80FD\u529B\u30BD\u8868"},
        // 許可, 功能, 四: trail bytes 5C and 7C in 950.
        {950, u"\u8A31\u53EF", u"\u529F\u80FD", u"\u56DB", u"\u8A31\u529F\u56DB\u84CB"},
        // Three bytes a character in UTF-8, four for a pair of surrogates.
        {65001, u"\u8A2D\u5B9A", u"\u8868", u"\u540D\U0001F600", u"\u8868\u8868\u8868\U0001F600"},
    };
    for (const auto& c : cases) {
        TAnsiCodePage codePage(c.codePage);
        standin::registry_reset();
        const std::string key = kSoftwareKey + std::string("\\") + ansiOf(c.key);
        const std::string nested = key + "\\" + ansiOf(c.subKey);
        const std::string longName = ansiOf(std::u16string(255, c.subKey[0]));
        standin::registry_set_value(HKEY_LOCAL_MACHINE, key, ansiOf(c.valueName), REG_SZ, ansiOf(c.text));
        standin::registry_set_value(HKEY_LOCAL_MACHINE, nested, longName, REG_EXPAND_SZ, ansiOf(c.text + c.text));
        standin::registry_create_key(HKEY_LOCAL_MACHINE, nested + "\\" + longName);
        TRegScanner scanner;
        scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
        EXPECT_EQ(describe(scanner),
                  "HKEY_LOCAL_MACHINE Software\\Calderine\n"
                  "+Software\\Calderine\n"
                  "  +" +
                      ansiOf(c.key) +
                      "\n"
                      "    " +
                      ansiOf(c.valueName) + " REG_SZ [" + ansiOf(c.text) +
                      "]\n"
                      "    +" +
                      ansiOf(c.subKey) +
                      "\n"
                      "      " +
                      longName + " REG_EXPAND_SZ [" + ansiOf(c.text + c.text) +
                      "]\n"
                      "      +" +
                      longName + "\n")
            << c.codePage;
    }
}

}  // namespace
