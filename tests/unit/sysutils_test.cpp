// Portable framework services.
#include "framework/SysUtils.h"

#include <gtest/gtest.h>

#include "framework/AnsiString.h"
#include "platform/winapi.h"

namespace {

// Rows with a code page run where it is in effect (the test command runs
// this group again under the locales of 932, 950, 1251 and UTF-8): there a
// second byte 0x5C or 0x7C is part of its character, never a separator.
TEST(ChangeFileExt, ForcesTheExtensionOfTheLastPathElement) {
    const struct {
        UINT codePage;  // 0: any
        const char* typed;
        const char* expected;
    } cases[] = {
        {0, "settings.txt", "settings.xml"},
        {0, "settings", "settings.xml"},
        {0, "a.b.c", "a.b.xml"},
        {0, "settings.", "settings.xml"},
        {0, "Settings.XML", "Settings.xml"},
        {0, "C:\\my.dir\\settings", "C:\\my.dir\\settings.xml"},
        {0, "C:\\my.dir\\settings.txt", "C:\\my.dir\\settings.xml"},
        {0, "C:settings", "C:settings.xml"},
        {0, "C:.hidden", "C:.xml"},
        {0, "", ".xml"},
        {1251, "C:\\\xCF\xE0\xEF\xEA\xE0.\xE4\\\xD4\xE0\xE9\xEB.txt",
         "C:\\\xCF\xE0\xEF\xEA\xE0.\xE4\\\xD4\xE0\xE9\xEB.xml"},
        // 設定.表 (95 5C), 表.txt, ソフト設定 (83 5C), 名前.dat.txt, 能 (94 5C) as the last character
        {932, "\x90\xDD\x92\xE8.\x95\x5C", "\x90\xDD\x92\xE8.xml"},
        {932, "C:\\out.d\\\x95\x5C.txt", "C:\\out.d\\\x95\x5C.xml"},
        {932, "C:\\a.b\\\x83\x5C\x83\x74\x83\x67\x90\xDD\x92\xE8",
         "C:\\a.b\\\x83\x5C\x83\x74\x83\x67\x90\xDD\x92\xE8.xml"},
        {932, "\x96\xBC\x91\x4F.dat.txt", "\x96\xBC\x91\x4F.dat.xml"},
        {932, "x.y\\\x94\x5C", "x.y\\\x94\x5C.xml"},
        // 設定.許 (B3 5C), 許可.d\功能 (A5 5C)
        {950, "\xB3\x5D\xA9\x77.\xB3\x5C", "\xB3\x5D\xA9\x77.xml"},
        {950, "C:\\\xB3\x5C\xA5\x69.d\\\xA5\x5C\xAF\xE0", "C:\\\xB3\x5C\xA5\x69.d\\\xA5\x5C\xAF\xE0.xml"},
        // 設定.表 in UTF-8
        {65001, "\xE8\xA8\xAD\xE5\xAE\x9A.\xE8\xA1\xA8", "\xE8\xA8\xAD\xE5\xAE\x9A.xml"},
    };
    for (const auto& c : cases) {
        if (c.codePage == 0 || c.codePage == GetACP()) {
            EXPECT_EQ(ChangeFileExt(c.typed, ".xml"), c.expected) << c.typed;
        }
    }
}

TEST(Format, FormatsAnyLengthAndLeavesArgumentsUninterpreted) {
    EXPECT_EQ(Format("(%0x) %s", 2u, "x"), "(2) x");
    EXPECT_EQ(Format("0x%x", 0xABCu), "0xabc");
    const std::string longText(5000, 'a');
    EXPECT_EQ(Format("%s!", longText.c_str()), longText + "!");
    EXPECT_EQ(Format("An error: %s", "100% %s %d"), "An error: 100% %s %d");
    EXPECT_EQ(Format("%s", ""), "");
}

TEST(SysErrorMessage, GivesTheSystemTextWithoutLineBreak) {
    const AnsiString text = SysErrorMessage(2);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), AnsiString::npos);
    EXPECT_EQ(text.find('\r'), AnsiString::npos);
    EXPECT_NE(SysErrorMessage(2), SysErrorMessage(5));
}

}  // namespace
