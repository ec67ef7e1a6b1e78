// Portable framework services.
#include "framework/SysUtils.h"

#include <gtest/gtest.h>

#include "framework/AnsiString.h"

namespace {

TEST(ChangeFileExt, ForcesTheExtensionOfTheLastPathElement) {
    const struct {
        const char* typed;
        const char* expected;
    } cases[] = {
        {"settings.txt", "settings.xml"},
        {"settings", "settings.xml"},
        {"a.b.c", "a.b.xml"},
        {"settings.", "settings.xml"},
        {"Settings.XML", "Settings.xml"},
        {"C:\\my.dir\\settings", "C:\\my.dir\\settings.xml"},
        {"C:\\my.dir\\settings.txt", "C:\\my.dir\\settings.xml"},
        {"C:settings", "C:settings.xml"},
        {"C:.hidden", "C:.xml"},
        {"", ".xml"},
    };
    for (const auto& c : cases) EXPECT_EQ(ChangeFileExt(c.typed, ".xml"), c.expected) << c.typed;
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
