// The scan in the registry of either build: registry text below the maker's
// keys and the snapshot it gives or the message that ends the scan. Names
// are chosen to enumerate alike under Windows and Wine (values in sorted
// order, no characters between "Z" and "a").
#include <gtest/gtest.h>

#include "framework/SysUtils.h"
#include "regscan/RegExport.h"
#include "support/build_view.h"
#include "support/scratch_key.h"
#include "support/snapshot_text.h"

namespace {

const std::string kHeading = "HKEY_LOCAL_MACHINE Software\\Calderine\n+Software\\Calderine\n";

// "[~" in a case's text stands for "[HKEY_LOCAL_MACHINE\Software\Calderine".
std::string regText(const std::string& body) {
    std::string text = "REGEDIT4\n\n" + body;
    for (std::size_t at = text.find("[~"); at != std::string::npos; at = text.find("[~", at))
        text.replace(at, 2, "[HKEY_LOCAL_MACHINE\\Software\\Calderine");
    return text;
}

TEST(Scan, EachRegistryGivesItsSnapshotOrMessage) {
    const std::string longName(255, 'N'), longKey(255, 'K');
    std::string bigData, bigText;
    for (int i = 0; i < 65536; ++i) bigData += i ? ",5a" : "5a", bigText += "5a ";
    const std::string unsupported = "[~\\deep\\deeper]\n\"ok\"=dword:00000001\n";
    const struct {
        const char* label;
        std::string text;
        std::string snapshot;  // below the heading; empty when `message` is given
        std::string message;
    } cases[] = {
        {"values before subkeys, depth first",
         "[~]\n@=\"default text\"\n\"DetID\"=hex(7):41,00,00,00\n\"Flags\"=dword:ffffffff\n"
         "\"Path\"=hex(2):25,54,4d,50,25,00\n\"Version\"=\"2.1\"\n"
         "[~\\A]\n[~\\b]\n\"detid\"=\"kept: other letter case\"\n\"Empty\"=hex:\n\"Table\"=hex:00,10,ff\n"
         "[~\\b\\inner]\n\"DetID\"=dword:00000001\n[~\\c]\n\"Zero\"=dword:00000000\n",
         "   REG_SZ [default text]\n  Flags REG_DWORD [4294967295]\n  Path REG_EXPAND_SZ [%TMP%]\n"
         "  Version REG_SZ [2.1]\n  +A\n  +b\n    detid REG_SZ [kept: other letter case]\n"
         "    Empty REG_BINARY []\n    Table REG_BINARY [00 10 ff ]\n    +inner\n  +c\n    Zero REG_DWORD [0]\n",
         ""},
        {"empty key", "[~]\n", "", ""},
        {"the registry's subkey order", "[~\\b]\n[~\\A]\n[~\\c]\n[~\\a1]\n[~\\Z]\n[~\\B1]\n",
         "  +A\n  +a1\n  +b\n  +B1\n  +c\n  +Z\n", ""},
        {"DetID of any type at any depth",
         "[~]\n\"DetID\"=hex(7):61,00,00\n[~\\x\\y]\n\"DetID\"=hex(0):\n\"kept\"=\"k\"\n",
         "  +x\n    +y\n      kept REG_SZ [k]\n", ""},
        {"longest names and large data",
         "[~]\n\"" + longName + "\"=hex:" + bigData + "\n\"short\"=\"s\"\n[~\\" + longKey + "]\n",
         "  " + longName + " REG_BINARY [" + bigText + "]\n  short REG_SZ [s]\n  +" + longKey + "\n", ""},
        {"list at the root", unsupported + "[~]\n\"list\"=hex(7):61,00,00\n", "",
         "TRegScanner::TValue, unrecognized registry type: 0x7"},
        {"none at depth", unsupported + "\"none\"=hex(0):61\n", "",
         "TRegScanner::TValue, unrecognized registry type: 0x0"},
        {"DETID is no DetID", unsupported + "[~\\deep]\n\"DETID\"=hex(7):61,00,00\n", "",
         "TRegScanner::TValue, unrecognized registry type: 0x7"},
        {"qword", unsupported + "[~\\deep]\n\"q\"=hex(b):01,00,00,00,00,00,00,00\n", "",
         "TRegScanner::TValue, unrecognized registry type: 0xb"},
        {"missing root", "[-HKEY_LOCAL_MACHINE\\Software\\Calderine]\n", "",
         "TRegScanner, opening of registry key Software\\Calderine failed (2): " + SysErrorMessage(2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TScratchKey keys(HKEY_LOCAL_MACHINE, kSoftwareKey);
        keys.import(regText(c.text));
        TRegScanner scanner;
        const std::string message = scanFailure(scanner, HKEY_LOCAL_MACHINE, kSoftwareKey);
        if (c.message.empty()) {
            EXPECT_EQ(message, "(no exception)");
            EXPECT_EQ(describe(scanner), kHeading + c.snapshot);
        } else {
            EXPECT_EQ(message, c.message);
            EXPECT_TRUE(scanner.trees.empty());
        }
    }
}

// Each scan appends its tree, the same key again as a tree of its own; each
// node knows its hive and parent.
TEST(Scan, ScansAppendInCallOrderWithRepeatsAndNodesCarryHiveAndParent) {
    TScratchKey keys(HKEY_LOCAL_MACHINE, kSoftwareKey);
    keys.take(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Orvexdrv");
    keys.import(regText("[~\\a\\b]\n[~\\c]\n[HKEY_LOCAL_MACHINE\\" + std::string(kDriverKey) + "]\n"));
    TRegScanner scanner;
    scanner.scan(HKEY_LOCAL_MACHINE, kDriverKey);
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    EXPECT_EQ(describe(scanner), "HKEY_LOCAL_MACHINE " + std::string(kDriverKey) + "\n+" + kDriverKey + "\n" +
                                     kHeading + "  +a\n    +b\n  +c\n" + kHeading + "  +a\n    +b\n  +c\n");
    ASSERT_EQ(scanner.trees.size(), 3u);
    EXPECT_NE(scanner.trees[1].key, scanner.trees[2].key);
    EXPECT_EQ(scanner.trees[1].hive, HKEY_LOCAL_MACHINE);
    const TRegKey* root = scanner.trees[1].key;
    EXPECT_EQ(root->parent, nullptr);
    EXPECT_EQ(root->hive, HKEY_LOCAL_MACHINE);
    ASSERT_EQ(root->subKeys.size(), 2u);
    for (const TRegKey* child : {root->subKeys[0], root->subKeys[1], root->subKeys[0]->subKeys.at(0)}) {
        EXPECT_EQ(child->parent, child->name == "b" ? root->subKeys[0] : root) << child->name;
        EXPECT_EQ(child->hive, HKEY_LOCAL_MACHINE) << child->name;
    }
}

// Names and text in every ANSI code page the program meets: the ANSI form of
// a name or a string can take more bytes than RegQueryInfoKeyA counts
// (characters; UTF-16 bytes for data), and a second byte can be "\\" (0x5C)
// or "|" (0x7C). Each code page reads its own characters back exactly.
TEST(Scan, EveryCodePageReadsNamesAndTextExactly) {
    const struct {
        unsigned codePage;
        std::u16string key, subKey, valueName, text;
    } cases[] = {
        {1252, u"Gr\u00FC\u00DFe", u"Caf\u00E9", u"\u20ACuro", u"na\u00EFve \u00E9t\u00E9 \u20AC 5"},
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
        const TCaseCodePage codePage(c.codePage);
        if (!codePage.active()) continue;
        const std::string key = textIn(CP_ACP, c.key), nested = key + "\\" + textIn(CP_ACP, c.subKey);
        const std::string longName = textIn(CP_ACP, std::u16string(255, c.subKey[0]));
        const std::string name = textIn(CP_ACP, c.valueName), text = textIn(CP_ACP, c.text);
        TScratchKey keys(HKEY_LOCAL_MACHINE, kSoftwareKey);
        keys.set(key, name, REG_SZ, text + '\0');
        keys.set(nested, longName, REG_EXPAND_SZ, text + text + '\0');
        keys.create(nested + "\\" + longName);
        TRegScanner scanner;
        scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
        EXPECT_EQ(describe(scanner), kHeading + "  +" + key + "\n    " + name + " REG_SZ [" + text + "]\n    +" +
                                         textIn(CP_ACP, c.subKey) + "\n      " + longName + " REG_EXPAND_SZ [" + text +
                                         text + "]\n      +" + longName + "\n")
            << c.codePage;
    }
}

}  // namespace
