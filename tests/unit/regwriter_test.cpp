// The parameter file writer in either build (the stand-in DOM, MSXML 4.0
// under Wine): each snapshot and the tree its file holds, or the message that
// ends the export with the file at the destination kept, no temporary file
// left and no question box.
#include "regscan/RegWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "framework/SysUtils.h"
#include "support/build_view.h"
#include "support/files.h"
#include "support/snapshot_text.h"

namespace {

const std::string kRoot = "RegParams xlmns=\"http://www.calderine.com/regparams\"\n";
const char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

std::string saveFailure(const TRegScanner& scanner, const std::string& path) {
    try {
        scanner.saveXml(path);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

// One value in a key below the software key.
std::function<void(TRegScanner&)> oneValue(const char* key, const char* name, const std::string& data,
                                           DWORD type = REG_SZ) {
    return [=](TRegScanner& scanner) {
        addValue(addKey(addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine"), key), name, type, data);
    };
}

std::string cannotCarry(const std::string& what, const std::string& key, const char* character) {
    return "TRegScanner, " + what + " of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\" + key + " holds character " +
           character + ", which XML cannot carry";
}

TEST(Writer, EachSnapshotGivesItsTreeOrMessage) {
    const struct {
        const char* label;
        UINT codePage;  // 0: any
        std::function<void(TRegScanner&)> build;
        std::string tree;  // empty when `message` is given
        std::string message;
    } cases[] = {
        {"the documented example over an earlier file", 0, buildExample, kExampleTree, ""},
        {"empty snapshot", 0, [](TRegScanner&) {}, kRoot, ""},
        {"entries without root key or known hive", 0,
         [](TRegScanner& scanner) {
             scanner.trees.push_back(TRegTreeNode{nullptr, HKEY_LOCAL_MACHINE, "no root key"});
             addTree(scanner, reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000006))), "odd");
         },
         kRoot + "  hive name=\"\"\n    key name=\"odd\"\n      values\n", ""},
        {"every type and character", 1252,
         [](TRegScanner& scanner) {
             TRegKey* root = addTree(scanner, HKEY_CURRENT_USER, "Software\\<Test> & \"Co\"");
             addValue(root, "", REG_SZ, std::string("default\0", 8));
             addValue(root, "empty", REG_SZ, std::string("\0", 1));
             addValue(root, "markup <&>\"'", REG_SZ, std::string("a<b&c>d\"e'f\0", 12));
             addValue(root, "white", REG_SZ, std::string("\tx\ny \0", 7));  // CR: the stand-in's test
             addValue(root, "expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
             addValue(root, "nobytes", REG_BINARY, "");
             addValue(root, "bytes", REG_BINARY, std::string("\0\xff", 2));
             addValue(root, "raw", REG_BINARY, std::string("\x01\x07\x1f", 3));  // control bytes as hex text
             addValue(root, "zero", REG_DWORD, std::string("\0\0\0\0", 4));
             addValue(root, "cp1252", REG_SZ, std::string("Gr\xfc\xdf \x80\0", 7));
             addKey(root, "k\xe9y");
         },
         kRoot + "  hive name=\"HKEY_CURRENT_USER\"\n"
                 "    key name=\"Software\\<Test> & \"Co\"\"\n"
                 "      values\n"
                 "        value name=\"\" type=\"REG_SZ\" [default]\n"
                 "        value name=\"empty\" type=\"REG_SZ\"\n"
                 "        value name=\"markup <&>\"'\" type=\"REG_SZ\" [a<b&c>d\"e'f]\n"
                 "        value name=\"white\" type=\"REG_SZ\" [\tx\ny ]\n"
                 "        value name=\"expand\" type=\"REG_EXPAND_SZ\" [%TEMP%\\x]\n"
                 "        value name=\"nobytes\" type=\"REG_BINARY\"\n"
                 "        value name=\"bytes\" type=\"REG_BINARY\" [00 ff ]\n"
                 "        value name=\"raw\" type=\"REG_BINARY\" [01 07 1f ]\n"
                 "        value name=\"zero\" type=\"REG_DWORD\" radix=\"decimal\" [0]\n"
                 "        value name=\"cp1252\" type=\"REG_SZ\" [Gr\xc3\xbc\xc3\x9f \xe2\x82\xac]\n"
                 "      key name=\"k\xc3\xa9y\"\n"
                 "        values\n",
         ""},
        {"a value without a text form", 0,
         [](TRegScanner& scanner) {
             TRegKey* root = addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine");
             addValue(root, "ok", REG_SZ, std::string("x\0", 2));
             addValue(addKey(root, "deep"), "broken", REG_SZ, std::string("x\0", 2));
             root->subKeys[0]->values[0].type = REG_MULTI_SZ;
         },
         "", "TRegScanner::TValue, unrecognized registry type: 0x7"},
        // Control characters other than tab, CR and LF, U+FFFE and U+FFFF
        // have no form in XML 1.0: judged on the text the DOM gets.
        {"0x07", 1252, oneValue("Options", "Bell", std::string("a\x07z\0", 4)), "",
         cannotCarry("value \"Bell\"", "Options", "0x07")},
        {"0x01 in a name", 1252, oneValue("Options", "x\x01y", std::string("ok\0", 3)), "",
         cannotCarry("value \"x\x01y\"", "Options", "0x01")},
        {"0x1f in a key", 1252, oneValue("Opt\x1fions", "fine", std::string("ok\0", 3)), "",
         cannotCarry("the name", "Opt\x1fions", "0x1f")},
        // After a character of two bytes (表, é): found in the UTF-16 text.
        {"0x07 after a 932 character", 932, oneValue("Options", "Bell", std::string("\x95\x5C\x07\0", 4)), "",
         cannotCarry("value \"Bell\"", "Options", "0x07")},
        {"0x01 after a UTF-8 character", 65001, oneValue("Options", "Bell", std::string("\xC3\xA9\x01\0", 4)), "",
         cannotCarry("value \"Bell\"", "Options", "0x01")},
        // UTF-8 carries U+FFFE and U+FFFF through the ANSI functions.
        {"U+FFFF", 65001, oneValue("Options", "Text", std::string("a\xEF\xBF\xBFz\0", 6)), "",
         cannotCarry("value \"Text\"", "Options", "U+FFFF")},
        {"U+FFFE in a name", 65001, oneValue("Options", "\xEF\xBF\xBE", std::string("ok\0", 3)), "",
         cannotCarry("value \"\xEF\xBF\xBE\"", "Options", "U+FFFE")},
        {"U+FFFF in a key", 65001, oneValue("Opt\xEF\xBF\xBF", "fine", std::string("ok\0", 3)), "",
         cannotCarry("the name", "Opt\xEF\xBF\xBF", "U+FFFF")},
        {"tab and LF", 0, oneValue("Options", "lines", std::string("a\tb\nc\0", 6)),
         kRoot +
             "  hive name=\"HKEY_LOCAL_MACHINE\"\n    key name=\"Software\\Calderine\"\n      values\n"
             "      key name=\"Options\"\n        values\n          value name=\"lines\" type=\"REG_SZ\" [a\tb\nc]\n",
         ""},
    };
    for (const auto& c : cases) {
        const TCaseCodePage codePage(c.codePage);
        if (!codePage.active()) continue;
        SCOPED_TRACE(c.label);
        const TTempFolder folder("regscan-writer");
        const std::string path = folder.file("settings.xml");
        std::ofstream(path, std::ios::binary) << "earlier file";
        TRegScanner scanner;
        c.build(scanner);
        TQuestionBox box(IDYES);
        EXPECT_EQ(saveFailure(scanner, path), c.message);
        EXPECT_EQ(c.message.empty() ? savedFileTree(path) : readFile(path),
                  c.message.empty() ? c.tree : "earlier file");
        EXPECT_EQ(box.text(), "");
        EXPECT_EQ(filesBeside(path), 0u) << "a file was left beside the destination";
    }
}

// Compared whole: what MSXML 4.0 writes, and the stand-in DOM as well.
TEST(Writer, TwoSavesWriteThePlainSerialisationAndLeaveTheSnapshot) {
    const TTempFolder folder("regscan-writer");
    TRegScanner scanner;
    buildExample(scanner);
    for (const char* name : {"first.xml", "second.xml"}) {
        scanner.saveXml(folder.file(name));
        EXPECT_EQ(readFile(folder.file(name)),
                  "<RegParams xlmns=\"http://www.calderine.com/regparams\"><hive name=\"HKEY_LOCAL_MACHINE\">"
                  "<key name=\"Software\\Calderine\"><values><value name=\"Version\" type=\"REG_SZ\">2.1</value>"
                  "<value name=\"Flags\" type=\"REG_DWORD\" radix=\"decimal\">4294967295</value></values>"
                  "<key name=\"Options\"><values><value name=\"Table\" type=\"REG_BINARY\">01 ab </value></values>"
                  "</key></key></hive><hive name=\"HKEY_LOCAL_MACHINE\">"
                  "<key name=\"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0\"><values/></key></hive>"
                  "</RegParams>\n");
    }
    ASSERT_EQ(scanner.trees.size(), 2u);
    EXPECT_EQ(scanner.trees[0].key->values.size(), 2u);
    EXPECT_EQ(scanner.trees[0].key->subKeys.size(), 1u);
}

// A folder below `base` whose path with its last separator is `length`
// characters, each name made of the one ANSI `character`: names of at most
// 80 characters, which fit the host's 255 bytes in UTF-8.
std::string folderOfLength(const std::string& base, std::size_t length, const std::string& character) {
    std::string folder = base;
    for (std::size_t remaining = length - base.size() - 1; remaining > 1;) {
        const std::size_t count = remaining > 81 ? std::min<std::size_t>(80, remaining - 3) : remaining - 1;
        folder += kSeparator;
        for (std::size_t i = 0; i < count; ++i) folder += character;
        remaining -= count + 1;
    }
    return folder;
}

// The temporary name ("reg", 4 digits, ".tmp") goes beside the destination
// within MAX_PATH characters, counted in characters in every code page, not
// in bytes. Without room: not a COM call, so no question box; the message
// names the destination and nothing is written.
TEST(Writer, DestinationWithoutRoomForATemporaryFileIsReportedWithoutAQuestion) {
    const TTempFolder temp("regscan-room");
    const std::string base = temp.path().string() + kSeparator;
    std::string kanji30;
    for (int i = 0; i < 30; ++i) kanji30 += "\x95\x5C";  // 表
    const struct {
        UINT codePage;  // 0: any
        std::string folder;
        bool exists;
        DWORD code;  // 0: saved
    } cases[] = {
        {0, base + "missing", false, ERROR_PATH_NOT_FOUND},
        {0, folderOfLength(base + "a", 249, "d"), true, ERROR_BUFFER_OVERFLOW},
        // The longest folder Windows makes: a temporary name of 259 characters fits it.
        {0, folderOfLength(base + "b", 248, "d"), true, 0},
        // Four folders of 30 Japanese characters: more than 246 bytes.
        {932, base + "c" + kSeparator + kanji30 + kSeparator + kanji30 + kSeparator + kanji30 + kSeparator + kanji30,
         true, 0},
        {932, folderOfLength(base + "e", 248, "\x95\x5C"), true, 0},
        {932, folderOfLength(base + "f", 249, "\x95\x5C"), true, ERROR_BUFFER_OVERFLOW},
    };
    for (const auto& c : cases) {
        const TCaseCodePage codePage(c.codePage);
        if (!codePage.active()) continue;
        // 表.xml; in 1252 its second byte would be "\\".
        const std::string path = c.folder + kSeparator + (c.codePage == 932 ? "\x95\x5C.xml" : "settings.xml");
        SCOPED_TRACE(c.folder.size());
        if (c.exists) makeFolders(c.folder);
        TRegScanner scanner;
        buildExample(scanner);
        TQuestionBox box(IDYES);
        const std::string message = saveFailure(scanner, path);
        EXPECT_EQ(box.text(), "") << "a question box for a file step";
        if (c.code == 0) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(savedFileTree(path), kExampleTree);
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "%lx): ", static_cast<unsigned long>(c.code));
            EXPECT_EQ(message, "TRegScanner, no temporary file could be created beside " + path + " (0x" + code +
                                   SysErrorMessage(c.code));
            EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
        }
        if (c.exists) {
            EXPECT_EQ(filesBeside(path), 0u) << "a file was left beside the destination";
        }
    }
}

TEST(Writer, FailedReplacementKeepsWhatIsThereAndRemovesTheTemporary) {
    // A folder in the destination's place cannot be replaced by a file.
    const TTempFolder folder("regscan-writer");
    const std::string path = folder.file("settings.xml");
    std::filesystem::create_directory(path);
    TRegScanner scanner;
    buildExample(scanner);
    TQuestionBox box(IDYES);
    EXPECT_EQ(saveFailure(scanner, path),
              "TRegScanner, failure in MoveFileEx replacing " + path + " (0x5): " + SysErrorMessage(5));
    EXPECT_EQ(box.text(), "") << "not a COM call: no question box";
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(filesBeside(path), 0u);
}

// The rule on UTF-16 text: pairs are one character; a surrogate alone is
// none.
TEST(WriterText, FirstUnwritableCharacterOfUtf16Text) {
    const struct {
        std::u16string text;
        unsigned found;
    } cases[] = {
        {u"plain \t\r\n", 0},
        {u"a\x7F\x85\xE9\xD7FF\xE000\xFFFD", 0},
        {u"\U0001F600 \U0010FFFF", 0},  // surrogate pairs
        {u"ok\x01", 0x01},
        {u"\x1F", 0x1F},
        {u"a\xFFFE", 0xFFFE},
        {u"\xFFFF"
         u"b",
         0xFFFF},
        {std::u16string(u"x\xD800y"), 0xD800},      // high half alone
        {std::u16string(u"x\xDC00"), 0xDC00},       // low half alone
        {std::u16string(u"\xDE00\xD83D"), 0xDE00},  // the halves in the wrong order
        {std::u16string(u"\xD83D"), 0xD83D},        // cut at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FirstUnwritableCharacter(reinterpret_cast<const WCHAR*>(c.text.data()), c.text.size()), c.found)
            << textIn(CP_UTF8, c.text);
    }
}

}  // namespace
