// The parameter file writer against the stand-in DOM: whole documents
// compared as trees, every checked call failing in turn, and the file at the
// destination never lost or left partial.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "com/utilcls.h"
#include "platform/stand-in/control.h"
#include "regscan/RegScanner.h"
#include "regscan/RegWriter.h"
#include "support/ansi_utf8.h"
#include "support/files.h"
#include "support/xml_tree.h"

namespace {

using standin::DomOp;

// A key built by hand, as the scan would build it.
TRegKey* addKey(TRegKey* parent, const char* name) {
    auto* key = new TRegKey;
    key->name = name;
    key->parent = parent;
    if (parent) {
        key->hive = parent->hive;
        parent->subKeys.push_back(key);
    }
    return key;
}

void addValue(TRegKey* key, const char* name, DWORD type, const std::string& bytes) {
    key->values.push_back(TRegScanner::TValue(name, key, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                              static_cast<DWORD>(bytes.size())));
}

TRegKey* addTree(TRegScanner& scanner, HKEY hive, const char* path) {
    TRegKey* root = addKey(nullptr, path);
    root->hive = hive;
    scanner.trees.push_back(TRegTreeNode{root, hive, path});
    return root;
}

// The snapshot of the documented example: a string, a number and a nested
// binary value in the software key; an empty driver key.
void buildExample(TRegScanner& scanner) {
    TRegKey* software = addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine");
    addValue(software, "Version", REG_SZ, std::string("2.1\0", 4));
    addValue(software, "Flags", REG_DWORD, "\xff\xff\xff\xff");
    TRegKey* options = addKey(software, "Options");
    addValue(options, "Table", REG_BINARY, "\x01\xab");
    addTree(scanner, HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0");
}

const char* const kExampleTree =
    "RegParams xlmns=\"http://www.calderine.com/regparams\"\n"
    "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
    "    key name=\"Software\\Calderine\"\n"
    "      values\n"
    "        value name=\"Version\" type=\"REG_SZ\" [2.1]\n"
    "        value name=\"Flags\" type=\"REG_DWORD\" radix=\"decimal\" [4294967295]\n"
    "      key name=\"Options\"\n"
    "        values\n"
    "          value name=\"Table\" type=\"REG_BINARY\" [01 ab ]\n"
    "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
    "    key name=\"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0\"\n"
    "      values\n";

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::com_reset();
        standin::dom_reset_faults();
        standin::message_boxes_clear();
        standin::message_box_script({}, IDNO);
    }
    void TearDown() override { EXPECT_EQ(standin::dom_live_objects(), 0u) << "DOM objects outlived the save"; }

    // Files in the folder besides the destination (a stray temporary file),
    // one name a line.
    std::string strayFiles() {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
            if (entry.path().filename() != "settings.xml") names.insert(entry.path().filename().string());
        std::string listing;
        for (const std::string& name : names) listing += name + "\n";
        return listing;
    }

    void writeEarlierFile() { std::ofstream(path_, std::ios::binary) << "earlier file"; }

    const TTempFolder folder_{"regscan-writer"};
    const std::string path_ = folder_.file("settings.xml");
};

TEST_F(WriterTest, WritesTheDocumentedExample) {
    TRegScanner scanner;
    buildExample(scanner);
    scanner.saveXml(path_);
    EXPECT_EQ(xmlTreeOfFile(path_), kExampleTree);
    EXPECT_EQ(schemaErrors(path_), "");
    EXPECT_EQ(strayFiles(), "");
    EXPECT_TRUE(standin::message_boxes().empty());
}

TEST_F(WriterTest, SavedBytesAreThoseOfThePlainSerialisation) {
    TRegScanner scanner;
    buildExample(scanner);
    scanner.saveXml(path_);
    EXPECT_EQ(readFile(path_),
              "<RegParams xlmns=\"http://www.calderine.com/regparams\"><hive name=\"HKEY_LOCAL_MACHINE\">"
              "<key name=\"Software\\Calderine\"><values><value name=\"Version\" type=\"REG_SZ\">2.1</value>"
              "<value name=\"Flags\" type=\"REG_DWORD\" radix=\"decimal\">4294967295</value></values>"
              "<key name=\"Options\"><values><value name=\"Table\" type=\"REG_BINARY\">01 ab </value></values>"
              "</key></key></hive><hive name=\"HKEY_LOCAL_MACHINE\">"
              "<key name=\"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0\"><values/></key></hive>"
              "</RegParams>\n");
}

TEST_F(WriterTest, EmptySnapshotsAndEntriesWithoutRootKey) {
    TRegScanner scanner;
    scanner.saveXml(path_);
    EXPECT_EQ(xmlTreeOfFile(path_), "RegParams xlmns=\"http://www.calderine.com/regparams\"\n");
    EXPECT_EQ(schemaErrors(path_), "");

    scanner.trees.push_back(TRegTreeNode{nullptr, HKEY_LOCAL_MACHINE, "no root key"});
    addTree(scanner, reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000006))), "odd");
    scanner.saveXml(path_);
    EXPECT_EQ(xmlTreeOfFile(path_),
              "RegParams xlmns=\"http://www.calderine.com/regparams\"\n"
              "  hive name=\"\"\n"
              "    key name=\"odd\"\n"
              "      values\n");
    EXPECT_EQ(schemaErrors(path_), "");
}

TEST_F(WriterTest, EveryTypeAndCharacterReadsBackUnchanged) {
    TRegScanner scanner;
    TRegKey* root = addTree(scanner, HKEY_CURRENT_USER, "Software\\<Test> & \"Co\"");
    addValue(root, "", REG_SZ, std::string("default\0", 8));
    addValue(root, "empty", REG_SZ, std::string("\0", 1));
    addValue(root, "markup <&>\"'", REG_SZ, std::string("a<b&c>d\"e'f\0", 12));
    addValue(root, "white", REG_SZ, std::string("\tx\r\ny \0", 8));
    addValue(root, "expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    addValue(root, "nobytes", REG_BINARY, "");
    addValue(root, "bytes", REG_BINARY, std::string("\0\xff", 2));
    addValue(root, "zero", REG_DWORD, std::string("\0\0\0\0", 4));
    addValue(root, "cp1252", REG_SZ, std::string("Gr\xfc\xdf \x80\0", 7));
    addKey(root, "k\xe9y");
    scanner.saveXml(path_);
    EXPECT_EQ(xmlTreeOfFile(path_),
              "RegParams xlmns=\"http://www.calderine.com/regparams\"\n"
              "  hive name=\"HKEY_CURRENT_USER\"\n"
              "    key name=\"Software\\<Test> & \"Co\"\"\n"
              "      values\n"
              "        value name=\"\" type=\"REG_SZ\" [default]\n"
              "        value name=\"empty\" type=\"REG_SZ\"\n"
              "        value name=\"markup <&>\"'\" type=\"REG_SZ\" [a<b&c>d\"e'f]\n"
              "        value name=\"white\" type=\"REG_SZ\" [\tx\r\ny ]\n"
              "        value name=\"expand\" type=\"REG_EXPAND_SZ\" [%TEMP%\\x]\n"
              "        value name=\"nobytes\" type=\"REG_BINARY\"\n"
              "        value name=\"bytes\" type=\"REG_BINARY\" [00 ff ]\n"
              "        value name=\"zero\" type=\"REG_DWORD\" radix=\"decimal\" [0]\n"
              "        value name=\"cp1252\" type=\"REG_SZ\" [Gr\xc3\xbc\xc3\x9f \xe2\x82\xac]\n"
              "      key name=\"k\xc3\xa9y\"\n"
              "        values\n");
    EXPECT_EQ(schemaErrors(path_), "");
}

TEST_F(WriterTest, TwoSavesGiveTheSameFileAndLeaveTheSnapshot) {
    TRegScanner scanner;
    buildExample(scanner);
    const std::string second = folder_.file("second.xml");
    scanner.saveXml(path_);
    scanner.saveXml(second);
    EXPECT_EQ(readFile(path_), readFile(second));
    ASSERT_EQ(scanner.trees.size(), 2u);
    EXPECT_EQ(scanner.trees[0].key->values.size(), 2u);
    EXPECT_EQ(scanner.trees[0].key->subKeys.size(), 1u);
}

TEST_F(WriterTest, ExistingFileIsReplacedWhole) {
    writeEarlierFile();
    TRegScanner scanner;
    buildExample(scanner);
    scanner.saveXml(path_);
    EXPECT_EQ(xmlTreeOfFile(path_), kExampleTree);
    EXPECT_EQ(strayFiles(), "");
}

TEST_F(WriterTest, ErrorFromTheSnapshotWritesNothing) {
    writeEarlierFile();
    TRegScanner scanner;
    TRegKey* root = addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine");
    addValue(root, "ok", REG_SZ, std::string("x\0", 2));
    addValue(addKey(root, "deep"), "broken", REG_SZ, std::string("x\0", 2));
    root->subKeys[0]->values[0].type = REG_MULTI_SZ;  // a value without a text form
    try {
        scanner.saveXml(path_);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TRegScanner::TValue, unrecognized registry type: 0x7");
    }
    EXPECT_EQ(readFile(path_), "earlier file");
    EXPECT_EQ(strayFiles(), "");
}

// A destination whose folder and name hold characters of the code page, the
// second byte of some being "\\" (0x5C): the temporary file goes beside it in
// that folder, and every name and text reaches the file as the same
// characters.
TEST_F(WriterTest, SavesBesideDestinationsOfEveryCodePage) {
    const struct {
        unsigned codePage;
        std::u16string folder, file, name, text;
    } cases[] = {
        {1251, u"\u041F\u0430\u043F\u043A\u0430", u"\u0424\u0430\u0439\u043B.xml", u"\u0418\u043C\u044F",
         u"\u0422\u0435\u043A\u0441\u0442"},
        {932, u"\u8868", u"\u30BD\u30D5\u30C8\u8A2D\u5B9A.xml", u"\u80FD\u30DD", u"\u5341\u8868"},
        {950, u"\u8A31\u53EF", u"\u529F\u80FD.xml", u"\u56DB", u"\u84CB\u8A31"},
        {65001, u"\u8868\u8868", u"\u8A2D\u5B9A.xml", u"\u540D", u"\u8868\U0001F600"},
    };
    for (const auto& c : cases) {
        TAnsiCodePage codePage(c.codePage);
        const std::string folder = folder_.path().string() + "/" + utf16ToUtf8(c.folder);
        std::filesystem::create_directory(folder);
        TRegScanner scanner;
        TRegKey* root = addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine");
        addValue(addKey(root, ansiOf(c.folder).c_str()), ansiOf(c.name).c_str(), REG_SZ, ansiOf(c.text) + '\0');
        scanner.saveXml(folder_.path().string() + "/" + ansiOf(c.folder) + "/" + ansiOf(c.file));
        const std::string saved = folder + "/" + utf16ToUtf8(c.file);
        EXPECT_EQ(xmlTreeOfFile(saved),
                  "RegParams xlmns=\"http://www.calderine.com/regparams\"\n"
                  "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
                  "    key name=\"Software\\Calderine\"\n"
                  "      values\n"
                  "      key name=\"" +
                      utf16ToUtf8(c.folder) +
                      "\"\n"
                      "        values\n"
                      "          value name=\"" +
                      utf16ToUtf8(c.name) + "\" type=\"REG_SZ\" [" + utf16ToUtf8(c.text) + "]\n")
            << c.codePage;
        std::size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.path() == saved ? 1 : 100;
        EXPECT_EQ(files, 1u) << "only the saved file, in " << c.codePage;
    }
}

// ---- each checked call failing ------------------------------------------------

struct FaultCase {
    const char* label;
    DomOp op;
    unsigned nth;
    const char* expression;  // the reported expression text
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.label;
}

// Calls of the example, in order: creates 1 RegParams, 2 hive, 3 key, 4 values,
// 5..6 value; appends 1 hive, 2 key, 3..4 text/value...; setAttribute 1 xlmns,
// 2 hive name, 3 key name, 4 value name, 5 type, 6 name, 7 type, 8 radix.
const FaultCase kFaultCases[] = {
    {"createElement_root", DomOp::CreateElement, 1,
     "this->createElement(tagName, (Msxml2_tlb::IXMLDOMElementPtr*)&element)"},
    {"createElement_value", DomOp::CreateElement, 5,
     "this->createElement(tagName, (Msxml2_tlb::IXMLDOMElementPtr*)&element)"},
    {"setAttribute_xlmns", DomOp::SetAttribute, 1,
     "rootElem->setAttribute(WideString(\"xlmns\").c_bstr(), TVarShallow(\"http://www.calderine.com/regparams\"))"},
    {"setAttribute_hive", DomOp::SetAttribute, 2,
     "elem->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(hiveName))"},
    {"setAttribute_key", DomOp::SetAttribute, 3,
     "elem->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(node->name.c_str()))"},
    {"setAttribute_value_name", DomOp::SetAttribute, 4,
     "item->setAttribute(WideString(\"name\").c_bstr(), TVarShallow(it->name.c_str()))"},
    {"setAttribute_type", DomOp::SetAttribute, 5,
     "item->setAttribute(WideString(\"type\").c_bstr(), TVarShallow(map_reg_type(it->type).c_str()))"},
    {"setAttribute_radix", DomOp::SetAttribute, 8,
     "item->setAttribute(WideString(\"radix\").c_bstr(), TVarShallow(WideString(\"decimal\").c_bstr()))"},
    {"getDocumentElement", DomOp::GetDocumentElement, 1,
     "this->get_documentElement((Msxml2_tlb::IXMLDOMElementPtr*)&DOMElement)"},
    {"getOwnerDocument", DomOp::GetOwnerDocument, 2,
     "this->get_ownerDocument((Msxml2_tlb::IXMLDOMDocumentPtr*)&DOMDocument)"},
    {"createTextNode", DomOp::CreateTextNode, 2, "this->createTextNode(data, (Msxml2_tlb::IXMLDOMTextPtr*)&text)"},
    {"appendChild_hive", DomOp::AppendChild, 1,
     "this->appendChild(newChild, (Msxml2_tlb::IXMLDOMNodePtr*)&outNewChild)"},
    {"appendChild_text", DomOp::AppendChild, 3,
     "this->appendChild(newChild, (Msxml2_tlb::IXMLDOMNodePtr*)&outNewChild)"},
    {"queryInterface", DomOp::QueryInterface, 2, "src->QueryInterface(GetIID(), (LPVOID*)(&intf))"},
    {"save", DomOp::Save, 1, "doc->save(TVarShallow(path))"},
};

class WriterFaultTest : public WriterTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(WriterFaultTest, YesAbandonsWithTheReportAndKeepsTheEarlierFile) {
    const FaultCase& c = GetParam();
    writeEarlierFile();
    TRegScanner scanner;
    buildExample(scanner);
    standin::dom_fail(c.op, c.nth, E_ACCESSDENIED);
    standin::message_box_script({IDYES});
    try {
        scanner.saveXml(path_);
        FAIL() << "no exception";
    } catch (const EOleException& e) {
        const std::string start = std::string("'") + c.expression + "': " + standin::system_message(0x80070005) + " @ ";
        EXPECT_EQ(e.Message().substr(0, start.size()), start);
        EXPECT_EQ(e.ErrorCode(), E_ACCESSDENIED);
        ASSERT_EQ(standin::message_boxes().size(), 1u);
        EXPECT_EQ(standin::message_boxes()[0].caption, "HRCHECK: ");
        EXPECT_EQ(standin::message_boxes()[0].text,
                  e.Message() + "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug");
    }
    EXPECT_EQ(readFile(path_), "earlier file");
    EXPECT_EQ(strayFiles(), "");
}

INSTANTIATE_TEST_SUITE_P(Calls, WriterFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.label); });

TEST_F(WriterTest, NoAfterAFailedAttributeSavesWithoutIt) {
    TRegScanner scanner;
    buildExample(scanner);
    standin::dom_fail(DomOp::SetAttribute, 8, E_FAIL);  // the radix
    scanner.saveXml(path_);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    std::string expected = kExampleTree;
    expected.replace(expected.find(" radix=\"decimal\""), 16, "");
    EXPECT_EQ(xmlTreeOfFile(path_), expected);
}

TEST_F(WriterTest, NoAfterAFailedAppendLosesThatElementOnly) {
    TRegScanner scanner;
    buildExample(scanner);
    standin::dom_fail(DomOp::AppendChild, 2, E_FAIL);  // the first "key" into its hive
    scanner.saveXml(path_);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(xmlTreeOfFile(path_),
              "RegParams xlmns=\"http://www.calderine.com/regparams\"\n"
              "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
              "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
              "    key name=\"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0\"\n"
              "      values\n");
}

// The hive's append asks for the document element, then converts the hive to
// a node: with both failing, the first report is the document element's.
TEST_F(WriterTest, HiveAppendReportsTheDocumentElementBeforeTheConversion) {
    TRegScanner scanner;
    buildExample(scanner);
    standin::dom_fail(DomOp::GetDocumentElement, 1, E_FAIL);
    standin::dom_fail(DomOp::QueryInterface, 1, E_FAIL);  // the first hive to a node
    standin::message_box_script({IDYES});
    EXPECT_THROW(scanner.saveXml(path_), EOleException);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(standin::message_boxes()[0].text.rfind("'this->get_documentElement(", 0), 0u)
        << standin::message_boxes()[0].text;
}

TEST_F(WriterTest, NoAfterAFailedCreationEndsAtTheEmptyHolder) {
    writeEarlierFile();
    TRegScanner scanner;
    buildExample(scanner);
    standin::com_fail_create(E_OUTOFMEMORY, 1);
    try {
        scanner.saveXml(path_);
        FAIL() << "no exception";
    } catch (const EOleException& e) {
        EXPECT_EQ(e.Message().rfind("intf != 0 failed - ", 0), 0u) << e.Message();
    }
    ASSERT_EQ(standin::message_boxes().size(), 2u);
    EXPECT_EQ(standin::message_boxes()[0].caption, "HRCHECK: ");
    EXPECT_EQ(standin::message_boxes()[0].text.rfind(
                  "'CoClassCreator::CoCreateInstance(Msxml2_tlb::CLSID_DOMDocument40, IID_IXMLDOMDocument, "
                  "(LPVOID *)&doc)': ",
                  0),
              0u);
    EXPECT_EQ(standin::message_boxes()[1].caption, "_ASSERTE: ");
    EXPECT_EQ(readFile(path_), "earlier file");
}

TEST_F(WriterTest, PartWayWriteIsAFailedSaveAndKeepsTheEarlierFile) {
    for (int answer : {IDYES, IDNO}) {
        writeEarlierFile();
        standin::message_boxes_clear();
        standin::message_box_script({answer});
        TRegScanner scanner;
        buildExample(scanner);
        standin::dom_fail(DomOp::Save, 1, S_FALSE);
        try {
            scanner.saveXml(path_);
            ADD_FAILURE() << "no exception";
        } catch (const EOleException& e) {
            EXPECT_EQ(e.Message().rfind("'doc->save(TVarShallow(path))': ", 0), 0u);
        }
        ASSERT_EQ(standin::message_boxes().size(), 1u);
        EXPECT_EQ(readFile(path_), "earlier file");
        EXPECT_EQ(strayFiles(), "");
    }
}

// A folder below `base` (ASCII) whose path with its last separator is
// `length` characters, each name made of the one ANSI `character`: names of
// at most 80 characters, which fit the host's 255 bytes in UTF-8.
std::string folderOfLength(const std::string& base, std::size_t length, const std::string& character) {
    std::string folder = base;
    for (std::size_t remaining = length - base.size() - 1; remaining > 1;) {
        const std::size_t count = remaining > 81 ? std::min<std::size_t>(80, remaining - 3) : remaining - 1;
        folder += "/";
        for (std::size_t i = 0; i < count; ++i) folder += character;
        remaining -= count + 1;
    }
    return folder;
}

// The temporary name ("reg", 4 digits, ".tmp") goes beside the destination
// within MAX_PATH characters, counted as Windows counts them, not in bytes.
// A folder without room for it is reported naming the destination, and
// nothing is written or cut short.
TEST_F(WriterTest, DestinationWithoutRoomForATemporaryFileIsReportedAndWritesNothing) {
    const std::string base = folder_.path().string();
    std::string kanji30;
    for (int i = 0; i < 30; ++i) kanji30 += "\x95\x5C";  // 表
    const struct {
        unsigned codePage;
        std::string folder;
        bool exists;
        const char* failure;  // null: saved
    } cases[] = {
        {1252, base + "/missing", false, "(0x3): The system cannot find the path specified."},
        {1252, folderOfLength(base + "/a", 249, "d"), true, "(0x6f): The file name is too long."},
        {1252, folderOfLength(base + "/b", 248, "d"), true, nullptr},  // a temporary name of 259 characters
        // Four folders of 30 Japanese characters: more than 246 bytes.
        {932, base + "/c/" + kanji30 + "/" + kanji30 + "/" + kanji30 + "/" + kanji30, true, nullptr},
        {932, folderOfLength(base + "/e", 248, "\x95\x5C"), true, nullptr},
        {932, folderOfLength(base + "/f", 249, "\x95\x5C"), true, "(0x6f): The file name is too long."},
    };
    for (const auto& c : cases) {
        const TAnsiCodePage codePage(c.codePage);
        // 表.xml; in 1252 its second byte would be "\\".
        const std::string path = c.folder + (c.codePage == 932 ? "/\x95\x5C.xml" : "/settings.xml");
        SCOPED_TRACE(ansiToUtf8(path));
        if (c.exists) std::filesystem::create_directories(ansiToUtf8(c.folder));
        TRegScanner scanner;
        buildExample(scanner);
        try {
            scanner.saveXml(path);
            EXPECT_EQ(c.failure, nullptr) << "no exception";
            EXPECT_EQ(xmlTreeOfFile(ansiToUtf8(path)), kExampleTree);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "TRegScanner, no temporary file could be created beside " + path + " " +
                                       (c.failure ? c.failure : "(none expected)"));
            EXPECT_FALSE(fileExists(ansiToUtf8(path)));
        }
        EXPECT_TRUE(standin::message_boxes().empty());
        if (!c.exists) continue;
        std::size_t others = 0;
        for (const auto& entry : std::filesystem::directory_iterator(ansiToUtf8(c.folder)))
            others += entry.is_regular_file() && entry.path() != ansiToUtf8(path);
        EXPECT_EQ(others, 0u) << "a file was left beside the destination";
    }
}

TEST_F(WriterTest, FailedReplacementKeepsTheEarlierFileAndRemovesTheTemporary) {
    // A folder in the destination's place cannot be replaced by a file.
    mkdir(path_.c_str(), 0755);
    TRegScanner scanner;
    buildExample(scanner);
    try {
        scanner.saveXml(path_);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TRegScanner, failure in MoveFileEx replacing " + path_ + " (0x5): Access is denied.");
    }
    EXPECT_TRUE(standin::message_boxes().empty()) << "not a COM call: no question box";
    struct stat info;
    ASSERT_EQ(stat(path_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(strayFiles(), "");
}

}  // namespace

namespace {

// Control characters other than tab, CR and LF, U+FFFE and U+FFFF have no
// form in XML 1.0: the export names the key and value instead of writing a
// file nobody can read. Judged on the text the DOM gets, in every code page.
TEST_F(WriterTest, ControlCharactersEndTheExportNamingKeyAndValue) {
    const struct {
        unsigned codePage;
        const char* keyName;
        const char* valueName;
        std::string data;
        const char* message;
    } cases[] = {
        {1252, "Options", "Bell", std::string("a\x07z\0", 4),
         "TRegScanner, value \"Bell\" of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\Options holds character 0x07, "
         "which XML cannot carry"},
        {1252, "Options", "x\x01y", std::string("ok\0", 3),
         "TRegScanner, value \"x\x01y\" of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\Options holds character 0x01, "
         "which XML cannot carry"},
        {1252, "Opt\x1fions", "fine", std::string("ok\0", 3),
         "TRegScanner, the name of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\Opt\x1fions holds character 0x1f, "
         "which XML cannot carry"},
        // After a character of two bytes (表, é): found in the UTF-16 text.
        {932, "Options", "Bell", std::string("\x95\x5C\x07\0", 4),
         "TRegScanner, value \"Bell\" of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\Options holds character 0x07, "
         "which XML cannot carry"},
        {65001, "Options", "Bell", std::string("\xC3\xA9\x01\0", 4),
         "TRegScanner, value \"Bell\" of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\Options holds character 0x01, "
         "which XML cannot carry"},
        // UTF-8 carries U+FFFE and U+FFFF through the ANSI functions.
        {65001, "Options", "Text", std::string("a\xEF\xBF\xBFz\0", 6),
         "TRegScanner, value \"Text\" of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\Options holds character "
         "U+FFFF, which XML cannot carry"},
        {65001, "Options", "\xEF\xBF\xBE", std::string("ok\0", 3),
         "TRegScanner, value \"\xEF\xBF\xBE\" of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\Options holds character "
         "U+FFFE, which XML cannot carry"},
        {65001, "Opt\xEF\xBF\xBF", "fine", std::string("ok\0", 3),
         "TRegScanner, the name of key HKEY_LOCAL_MACHINE\\Software\\Calderine\\Opt\xEF\xBF\xBF holds character "
         "U+FFFF, which XML cannot carry"},
    };
    for (const auto& c : cases) {
        const TAnsiCodePage codePage(c.codePage);
        writeEarlierFile();
        TRegScanner scanner;
        TRegKey* root = addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine");
        addValue(addKey(root, c.keyName), c.valueName, REG_SZ, c.data);
        try {
            scanner.saveXml(path_);
            ADD_FAILURE() << "no exception for " << c.valueName;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(readFile(path_), "earlier file");
        EXPECT_TRUE(standin::message_boxes().empty());
    }
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
            << utf16ToUtf8(c.text);
    }
}

TEST_F(WriterTest, TabCrLfAndBinaryControlBytesAreWritten) {
    TRegScanner scanner;
    TRegKey* root = addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine");
    addValue(root, "lines", REG_SZ, std::string("a\tb\r\nc\0", 7));
    addValue(root, "raw", REG_BINARY, std::string("\x01\x07\x1f", 3));  // written as hex text
    scanner.saveXml(path_);
    EXPECT_EQ(xmlTreeOfFile(path_),
              "RegParams xlmns=\"http://www.calderine.com/regparams\"\n"
              "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
              "    key name=\"Software\\Calderine\"\n"
              "      values\n"
              "        value name=\"lines\" type=\"REG_SZ\" [a\tb\r\nc]\n"
              "        value name=\"raw\" type=\"REG_BINARY\" [01 07 1f ]\n");
}

}  // namespace
