// The stand-in's ANSI code page is Windows-1252, converted as Windows does.
#include <gtest/gtest.h>

#include <string>

#include "platform/winapi.h"

namespace {

std::u16string to_wide(const std::string& text) {
    std::u16string wide(text.size(), u'\0');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), int(wide.size())),
              int(text.size()));
    return wide;
}

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    const std::u16string wide = to_wide(all);
    std::string back(all.size(), '\0');
    BOOL used_default = TRUE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), back.data(), int(back.size()), nullptr,
                                  &used_default),
              int(all.size()));
    EXPECT_EQ(back, all);
    EXPECT_FALSE(used_default);
}

TEST(Cp1252, MapsBytesToWindowsCharacters) {
    const struct {
        unsigned char byte;
        char16_t ch;
    } cases[] = {{0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x8D, 0x008D},
                 {0x8F, 0x008F}, {0x90, 0x0090}, {0x92, 0x2019}, {0x9D, 0x009D}, {0x9F, 0x0178},
                 {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}};
    for (const auto& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        EXPECT_EQ(to_wide(byte), std::u16string(1, c.ch)) << int(c.byte);
    }
}

TEST(Cp1252, NulTerminatedInputCountsTheNulAndSizeQueriesWriteNothing) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "abc", -1, nullptr, 0), 4);
    char16_t wide[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 4), 4);
    EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"abc\0", 4));

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u20ACb", -1, nullptr, 0, nullptr, nullptr), 3);
    char narrow[3] = {'x', 'x', 'x'};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u20ACb", -1, narrow, 3, nullptr, nullptr), 3);
    EXPECT_EQ(std::string(narrow, 3), std::string("\x80"
                                                  "b\0",
                                                  3));
}

TEST(Cp1252, TooSmallOutputFailsWithInsufficientBuffer) {
    char16_t wide[3];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), 122u);
    char narrow[3];
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, narrow, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), 122u);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 3), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeTheDefaultChar) {
    const struct {
        std::u16string wide;
        const char* default_char;
        std::string expected;
    } cases[] = {
        {u"a\u0100b", nullptr, "a?b"},
        {u"\u4E2D", "#", "#"},
        {u"x\U0001F600y", nullptr, "x?y"},  // a surrogate pair is one character
        {u"\xD800z", nullptr, "?z"},        // a lone surrogate too
    };
    for (const auto& c : cases) {
        char out[16] = {};
        BOOL used_default = FALSE;
        const int length = WideCharToMultiByte(CP_ACP, 0, c.wide.data(), int(c.wide.size()), out, sizeof out,
                                               c.default_char, &used_default);
        EXPECT_EQ(std::string(out, length > 0 ? length : 0), c.expected) << c.expected;
        EXPECT_TRUE(used_default) << c.expected;
    }
}

}  // namespace
