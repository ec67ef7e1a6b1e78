// The writer against Wine's registry and MSXML 4.0 where the stand-in has no
// counterpart: the real question box, text the registry holds in UTF-16, and
// trees as deep and wide as the registry allows.
#include <gtest/gtest.h>

#include <string>

#include "com/utilcls.h"
#include "framework/Exception.h"
#include "framework/Owner.h"
#include "regscan/RegExport.h"
#include "support/build_view.h"
#include "support/files.h"
#include "support/scratch_key.h"

namespace {

TEST(WindowsWriter, QuestionBoxShowsReportAndInstruction) {
    // 193's text holds an insert, shown as written.
    for (HRESULT code : {E_ACCESSDENIED, HRESULT_FROM_WIN32(193)}) {
        TQuestionBox box(IDNO);
        EXPECT_EQ(HrCheck(code, "doc->save(TVarShallow(path))", "RegWriter.cpp", 7), code);
        TLocalText text;
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0x400, reinterpret_cast<LPSTR>(text.put()), 0, nullptr);
        ASSERT_TRUE(text);
        const char* system = text.get();
        EXPECT_EQ(box.text(),
                  "'doc->save(TVarShallow(path))': " + std::string(system) +
                      " @ RegWriter.cpp/7\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug");
        if (code == HRESULT_FROM_WIN32(193)) {
            EXPECT_NE(std::string(system).find("%1"), std::string::npos) << system;
        }
    }
}

std::string tempFile(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

// Text stored in UTF-16 reaches the writer as the ANSI functions of this
// code page give it (the test command runs this again under 932 and UTF-8):
// U+FFFE, U+FFFF and a lone surrogate, which XML cannot carry, are written
// as the code page's replacement, except where UTF-8 carries them.
TEST(WindowsWriter, TextTheAnsiFunctionsReplaceIsWrittenReplaced) {
    const struct {
        UINT codePage;
        std::wstring stored;
        const char* written;
    } rows[] = {
        {1252, L"a\xFFFFz", "a?z"},
        {1252, L"a\xFFFEz", "a?z"},
        {1252, L"a\xD800z", "a?z"},
        {932, L"a\xFFFFz", "a?z"},
        {932, L"a\xFFFEz", "a?z"},
        {932, L"a\xD800z", "a?z"},
        {CP_UTF8, L"a\xD800z", "a\xEF\xBF\xBDz"},  // U+FFFD
    };
    for (const auto& row : rows) {
        if (row.codePage != GetACP()) continue;
        const TScratchKey scratch(HKEY_CURRENT_USER, "Software\\RegScanWindowsTest");
        TKeyHandle key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratch.path().c_str(), 0, KEY_ALL_ACCESS, key.put()),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(row.stored.c_str()),
                                 static_cast<DWORD>((row.stored.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        TRegScanner scanner;
        scanner.scan(HKEY_CURRENT_USER, scratch.path());
        const std::string path = tempFile("regscan-control.xml");
        scanner.saveXml(path);
        EXPECT_NE(readFile(path).find(std::string("<value name=\"Text\" type=\"REG_SZ\">") + row.written + "</value>"),
                  std::string::npos)
            << readFile(path);
        DeleteFileA(path.c_str());
    }
}

// Depth the registry allows (512 levels) and a key with many subkeys: both
// scan and save under the real registry and MSXML.
TEST(WindowsWriter, DeepAndWideTreesScanAndSave) {
    const TScratchKey scratch(HKEY_CURRENT_USER, "Software\\RegScanWindowsTest");
    TKeyHandle top;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratch.path().c_str(), 0, KEY_ALL_ACCESS, top.put()), ERROR_SUCCESS);
    {
        // Each level is created below the one before; a level's key is closed
        // once its child is open.
        TKeyHandle levels[2];
        HKEY parent = top.get();
        for (int level = 0; level < 500; ++level) {
            TKeyHandle& child = levels[level % 2];
            ASSERT_EQ(RegCreateKeyExA(parent, "d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, child.put(), nullptr),
                      ERROR_SUCCESS)
                << level;
            parent = child.get();
        }
    }
    const int kWide = 20000;
    for (int i = 0; i < kWide; ++i) scratch.create(std::string("wide\\k").append(std::to_string(i)));
    top.Reset();

    TRegScanner scanner;
    scanner.scan(HKEY_CURRENT_USER, scratch.path());
    const TRegKey* root = scanner.trees.at(0).key;
    ASSERT_EQ(root->subKeys.size(), 2u);
    int depth = 0;
    for (const TRegKey* key = root->subKeys[0]; !key->subKeys.empty(); key = key->subKeys[0]) ++depth;
    EXPECT_EQ(depth, 499);
    EXPECT_EQ(root->subKeys[1]->subKeys.size(), static_cast<size_t>(kWide));

    const std::string path = tempFile("regscan-large.xml");
    scanner.saveXml(path);
    const std::string text = readFile(path);
    std::size_t keys = 0;
    for (std::size_t at = text.find("<key "); at != std::string::npos; at = text.find("<key ", at + 1)) ++keys;
    EXPECT_EQ(keys, 1u + 500u + 1u + static_cast<std::size_t>(kWide));
    DeleteFileA(path.c_str());
}

}  // namespace
