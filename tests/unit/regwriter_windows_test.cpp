// The writer against Wine's registry and MSXML 4.0 where the stand-in has no
// counterpart: the real question box and text the registry holds in UTF-16.
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

}  // namespace
