// The parameter file writer under the stand-in DOM's faults: failed calls
// answered Yes or No, a part-way write, a failed creation, with the file at
// the destination never lost or left partial; and destinations in every code
// page, whose folder names the host holds in UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "com/utilcls.h"
#include "platform/stand-in/control.h"
#include "support/ansi_utf8.h"
#include "support/files.h"
#include "support/snapshot_text.h"
#include "support/xml_tree.h"

namespace {

using standin::DomOp;

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

// A CR in text reaches the file: MSXML writes it as it is, which a parser
// reading the file back turns into a line end, so only here is it seen.
TEST_F(WriterTest, CarriageReturnInTextIsWritten) {
    TRegScanner scanner;
    addValue(addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine"), "lines", REG_SZ, std::string("a\r\nb\0", 5));
    scanner.saveXml(path_);
    EXPECT_NE(xmlTreeOfFile(path_).find("value name=\"lines\" type=\"REG_SZ\" [a\r\nb]\n"), std::string::npos)
        << xmlTreeOfFile(path_);
}

// ---- checked calls failing (every call, either answer: ExportFaults) ----------

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

}  // namespace
