// The parameter file writer in the stand-in: destinations in every code
// page, whose folder names the host holds in UTF-8, with a CR in text (every
// checked call failing, with either answer, and the file steps failing:
// ExportFaults).
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/stand-in/control.h"
#include "support/ansi_utf8.h"
#include "support/build_view.h"
#include "support/files.h"
#include "support/snapshot_text.h"
#include "support/xml_tree.h"

namespace {

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::com_reset();
        standin::dom_reset_faults();
        standin::message_boxes_clear();
        standin::message_box_script({}, IDNO);
    }
    void TearDown() override { EXPECT_EQ(standin::dom_live_objects(), 0u) << "DOM objects outlived the save"; }

    const TTempFolder folder_{"regscan-writer"};
};

// A destination whose folder and name hold characters of the code page, the
// second byte of some being "\\" (0x5C): the temporary file goes beside it in
// that folder, and every name and text reaches the file as the same
// characters. A CR in text reaches the file too: MSXML writes it as it is,
// which a parser reading the file back turns into a line end, so only here is
// it seen.
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
        {1252, u"lines", u"lines.xml", u"lines", u"a\r\nb"},
    };
    for (const auto& c : cases) {
        TAnsiCodePage codePage(c.codePage);
        const std::string folder = folder_.path().string() + "/" + utf16ToUtf8(c.folder);
        std::filesystem::create_directory(folder);
        TRegScanner scanner;
        TRegKey* root = addTree(scanner, HKEY_LOCAL_MACHINE, "Software\\Calderine");
        addValue(addKey(root, textIn(CP_ACP, c.folder).c_str()), textIn(CP_ACP, c.name).c_str(), REG_SZ,
                 textIn(CP_ACP, c.text) + '\0');
        scanner.saveXml(folder_.path().string() + "/" + textIn(CP_ACP, c.folder) + "/" + textIn(CP_ACP, c.file));
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

}  // namespace
