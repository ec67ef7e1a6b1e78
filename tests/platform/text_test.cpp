// The ANSI code page converted and stepped as Windows does: what the stand-in
// must do too (both builds). The Cp1252 group runs where the code page is
// 1252; the AnsiCodePage group checks whichever code page is in effect, and
// the test command runs it again under the locales of 932, 950, 1251 and
// UTF-8 (Wine and the stand-in both take the code page from LC_ALL).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/winapi.h"
#include "support/scratch_key.h"

namespace {

typedef std::basic_string<WCHAR> wide_string;

// WCHAR is char16_t in the stand-in and wchar_t on Windows.
wide_string W(const std::u16string& text) {
    return wide_string(text.begin(), text.end());
}

wide_string to_wide(const std::string& text) {
    wide_string wide(text.size(), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), int(wide.size())),
              int(text.size()));
    return wide;
}

TEST(Cp1252, BytesAreWindowsCharactersAndComeBackAsThemselves) {
    const struct {
        unsigned char byte;
        char16_t ch;
    } cases[] = {{0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x8D, 0x008D},
                 {0x8F, 0x008F}, {0x90, 0x0090}, {0x92, 0x2019}, {0x9D, 0x009D}, {0x9F, 0x0178},
                 {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}};
    for (const auto& c : cases) EXPECT_EQ(to_wide(std::string(1, char(c.byte))), wide_string(1, c.ch)) << int(c.byte);
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    const wide_string wide = to_wide(all);
    std::string back(all.size(), '\0');
    BOOL used_default = TRUE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), back.data(), int(back.size()), nullptr,
                                  &used_default),
              int(all.size()));
    EXPECT_EQ(back, all);
    EXPECT_FALSE(used_default);
}

TEST(Cp1252, NulsCountSizeQueriesWriteNothingAndShortBuffersFail) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "abc", -1, nullptr, 0), 4);
    WCHAR wide[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 4), 4);
    EXPECT_EQ(wide_string(wide, 4), W(std::u16string(u"abc\0", 4)));

    const wide_string euro = W(u"\u20ACb");
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, euro.c_str(), -1, nullptr, 0, nullptr, nullptr), 3);
    char narrow[3] = {'x', 'x', 'x'};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, euro.c_str(), -1, narrow, 3, nullptr, nullptr), 3);
    EXPECT_EQ(std::string(narrow, 3), std::string("\x80"
                                                  "b\0",
                                                  3));
    SetLastError(0);  // one unit or byte short

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), 122u);
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, W(u"abc").c_str(), -1, narrow, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), 122u);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 3), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeTheDefaultChar) {
    const struct {
        std::u16string wide;
        DWORD flags;
        const char* default_char;
        std::string expected;
    } cases[] = {
        {u"\u4E2D", 0, "#", "#"},
        {u"x\U0001F600y", 0, nullptr, "x??y"},  // each half of a surrogate pair
        {u"\xD800z", 0, nullptr, "?z"},         // a lone surrogate
        // No look-alike: without the flag Windows makes O of Ω and A of Ā,
        // and reports no default character.
        {u"\u03A9mega", WC_NO_BEST_FIT_CHARS, nullptr, "?mega"},
        {u"\u0100", WC_NO_BEST_FIT_CHARS, nullptr, "?"},
        {u"\u4E2D", WC_NO_BEST_FIT_CHARS, "#", "#"},
        {u"x\U0001F600y", WC_NO_BEST_FIT_CHARS, nullptr, "x??y"},
    };
    for (const auto& c : cases) {
        char out[16] = {};
        BOOL used_default = FALSE;
        const wide_string wide = W(c.wide);
        const int length = WideCharToMultiByte(CP_ACP, c.flags, wide.data(), int(wide.size()), out, sizeof out,
                                               c.default_char, &used_default);
        EXPECT_EQ(std::string(out, length > 0 ? length : 0), c.expected) << c.expected;
        EXPECT_TRUE(used_default) << c.expected;
    }
}

// What each code page does with text whose second byte is "\\" or "|".
struct CodePageFacts {
    UINT codePage;
    UINT maxCharSize;
    std::string ansi;
    std::u16string wide;
    std::vector<std::size_t> starts;  // where CharNextExA stops in `ansi`
    std::string name;                 // a registry name, no "\\" of its own
    DWORD nameUnits;                  // its length in UTF-16 units
};

const CodePageFacts kCodePageFacts[] = {
    {1252, 1, "a\\\xE9|", u"a\\\u00E9|", {0, 1, 2, 3}, "Caf\xE9", 4},
    {1251, 1, "\xCD\\\xFF|", u"\u041D\\\u044F|", {0, 1, 2, 3}, "\xCD\xE0", 2},
    // 表 95 5C, ソ 83 5C, ポ 83 7C; ソフト設定
    {932,
     2,
     "a\x95\x5C\x83\x5C\\\x83\x7C",
     u"a\u8868\u30BD\\\u30DD",
     {0, 1, 3, 5, 6},
     "\x83\x5C\x83\x74\x83\x67\x90\xDD\x92\xE8",
     5},
    // 許 B3 5C, 功 A5 5C, 四 A5 7C; 許可
    {950, 2, "\xB3\x5C\\\xA5\x5C\xA5\x7C", u"\u8A31\\\u529F\u56DB", {0, 2, 3, 5}, "\xB3\x5C\xA5\x69", 2},
    // UTF-8 has no lead bytes for the A functions: they step a byte at a time.
    {65001, 4, "\xE8\xA1\xA8\\", u"\u8868\\", {0, 1, 2, 3}, "\xE8\xA1\xA8\xE8\xA1\xA8", 2},
};

const CodePageFacts* factsInEffect() {
    for (const auto& facts : kCodePageFacts)
        if (facts.codePage == GetACP()) return &facts;
    return nullptr;
}

TEST(AnsiCodePage, ConvertsBothWaysAndTellsItsLongestCharacter) {
    const CodePageFacts* facts = factsInEffect();
    if (facts == nullptr) GTEST_SKIP() << "no facts for code page " << GetACP();
    CPINFO info = {};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    EXPECT_EQ(info.MaxCharSize, facts->maxCharSize);
    wide_string converted(facts->ansi.size(), 0);
    converted.resize(MultiByteToWideChar(CP_ACP, 0, facts->ansi.data(), int(facts->ansi.size()), converted.data(),
                                         int(converted.size())));
    EXPECT_EQ(converted, W(facts->wide));
    const wide_string wide = W(facts->wide);
    std::string back(facts->ansi.size() + 4, '\0');
    back.resize(
        WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), back.data(), int(back.size()), nullptr, nullptr));
    EXPECT_EQ(back, facts->ansi);
}

TEST(AnsiCodePage, StepsOverWholeCharactersOnly) {
    const CodePageFacts* facts = factsInEffect();
    if (facts == nullptr) GTEST_SKIP() << "no facts for code page " << GetACP();
    const char* text = facts->ansi.c_str();
    std::vector<std::size_t> starts;
    for (const char* at = text; *at != '\0'; at = CharNextExA(CP_ACP, at, 0)) starts.push_back(std::size_t(at - text));
    EXPECT_EQ(starts, facts->starts);
    for (std::size_t i = 0; i + 1 < facts->starts.size(); ++i) {
        const bool pair = facts->starts[i + 1] - facts->starts[i] == 2;
        EXPECT_EQ(IsDBCSLeadByteEx(CP_ACP, BYTE(text[facts->starts[i]])) != FALSE, pair) << i;
    }
}

// RegQueryInfoKeyA counts names in UTF-16 units and string data as stored
// (UTF-16 bytes), whatever the ANSI form takes; a name buffer sized by that
// count alone is too small where the ANSI form is longer.
TEST(AnsiCodePage, RegistryCountsNamesInCharactersAndDataAsStored) {
    const CodePageFacts* facts = factsInEffect();
    if (facts == nullptr) GTEST_SKIP() << "no facts for code page " << GetACP();
    const TScratchKey scratch(HKEY_CURRENT_USER, "Software\\RegScanPlatformTest");
    scratch.create(facts->name);
    const std::string data = facts->name + '\0';
    scratch.set("", facts->name, REG_SZ, data);
    const TOpenKey key(scratch.root(), scratch.path().c_str());
    DWORD subKeys = 0, longestSubKey = 0, values = 0, longestName = 0, longestData = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, &longestSubKey, nullptr, &values,
                               &longestName, &longestData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(longestSubKey, facts->nameUnits);
    EXPECT_EQ(longestName, facts->nameUnits);
    EXPECT_EQ(longestData, (facts->nameUnits + 1) * 2);

    const DWORD bytes = DWORD(facts->name.size());
    std::string name(bytes + 1, 'x');
    DWORD size = facts->nameUnits + 1;
    EXPECT_EQ(RegEnumKeyExA(key.get(), 0, name.data(), &size, nullptr, nullptr, nullptr, nullptr),
              bytes > facts->nameUnits ? ERROR_MORE_DATA : ERROR_SUCCESS);
    size = bytes + 1;
    ASSERT_EQ(RegEnumKeyExA(key.get(), 0, name.data(), &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(name.substr(0, size), facts->name);

    std::string text(data.size(), 'x');
    DWORD textSize = DWORD(text.size());
    size = facts->nameUnits + 1;
    if (bytes > facts->nameUnits) {
        EXPECT_EQ(RegEnumValueA(key.get(), 0, name.data(), &size, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(text.data()), &textSize),
                  ERROR_MORE_DATA);
    }
    size = bytes + 1;
    textSize = DWORD(text.size());
    ASSERT_EQ(RegEnumValueA(key.get(), 0, name.data(), &size, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                            &textSize),
              ERROR_SUCCESS);
    EXPECT_EQ(name.substr(0, size), facts->name);
    EXPECT_EQ(text.substr(0, textSize), data);
}

}  // namespace
