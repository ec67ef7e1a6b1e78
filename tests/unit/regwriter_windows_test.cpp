// The scan and the writer against Wine's registry and MSXML 4.0: the shared
// fixtures are exported for the comparison with the stand-in build's files,
// and a failed save raises the real question box.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "com/utilcls.h"
#include "framework/Exception.h"
#include "framework/Owner.h"
#include "framework/SysUtils.h"
#include "regscan/RegExport.h"
#include "support/files.h"
#include "support/find_handle.h"
#include "support/reg_text.h"

namespace {

// Names of the temporary files a save may have left in `folder`.
std::vector<std::string> temporaryFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const TFindHandle search(FindFirstFileA((folder + "\\*.tmp").c_str(), &found));
    if (!search) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search.get(), &found));
    return names;
}

// The maker's two subtrees, filled from a fixture and removed again.
class TMakerKeys {
public:
    explicit TMakerKeys(const std::string& regText) {
        remove();
        for (const RegTextOperation& op : parseRegText(regText)) apply(op);
    }
    TMakerKeys(const TMakerKeys&) = delete;
    TMakerKeys& operator=(const TMakerKeys&) = delete;
    ~TMakerKeys() { remove(); }

private:
    static void remove() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSoftwareKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Orvexdrv");
    }
    static void apply(const RegTextOperation& op) {
        if (op.kind != RegTextOperation::Kind::CreateKey && op.kind != RegTextOperation::Kind::SetValue) return;
        TKeyHandle key;
        ASSERT_EQ(RegCreateKeyExA(op.root, op.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS)
            << op.path;
        if (op.kind == RegTextOperation::Kind::SetValue) {
            EXPECT_EQ(RegSetValueExA(key.get(), op.name.c_str(), 0, op.type,
                                     reinterpret_cast<const BYTE*>(op.data.data()), static_cast<DWORD>(op.data.size())),
                      ERROR_SUCCESS)
                << op.path << " " << op.name;
        }
    }
};

class WindowsFixtureExport : public ::testing::TestWithParam<const char*> {};

// Each fixture's file is kept in the build folder; the test command checks its
// element tree against the fixture's expected tree and the schema.
TEST_P(WindowsFixtureExport, WritesTheFixture) {
    const std::string name = GetParam();
    TMakerKeys keys(readFile(std::string(REGSCAN_SOURCE_DIR) + "/tests/fixtures/" + name + ".reg"));
    TRegScanner scanner;
    scanBoth(scanner);
    CreateDirectoryA(REGSCAN_EXPORT_DIR, nullptr);
    const std::string path = std::string(REGSCAN_EXPORT_DIR) + "/" + name + ".xml";
    DeleteFileA(path.c_str());
    scanner.saveXml(path);
    const std::string text = readFile(path);
    EXPECT_EQ(
        text.rfind("<RegParams xlmns=\"http://www.calderine.com/regparams\"><hive name=\"HKEY_LOCAL_MACHINE\">", 0), 0u)
        << text;
    EXPECT_EQ(temporaryFiles(REGSCAN_EXPORT_DIR), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WindowsFixtureExport, ::testing::Values("example", "mixed"));

// Answers the first question box with the given caption, keeping its text.
class TBoxAnswerer {
public:
    TBoxAnswerer(const char* caption, int button) : caption_(caption), button_(button) {
        thread_ = std::thread([this] { run(); });
    }
    TBoxAnswerer(const TBoxAnswerer&) = delete;
    TBoxAnswerer& operator=(const TBoxAnswerer&) = delete;
    ~TBoxAnswerer() { join(); }
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    // Stops looking for a box that is not expected to come.
    void stop() {
        stopped_ = true;
        join();
    }
    const std::string& text() const { return text_; }

private:
    void run() {
        for (int tries = 0; tries < 300 && !stopped_; ++tries) {
            if (HWND box = FindWindowA("#32770", caption_)) {
                char buffer[2048] = "";
                SendMessageA(GetDlgItem(box, 0xFFFF), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
                text_ = buffer;
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
                return;
            }
            Sleep(50);
        }
    }

    const char* caption_;
    int button_;
    std::string text_;
    std::atomic<bool> stopped_{false};
    std::thread thread_;
};

// A folder below `base` whose path with its last separator is `length`
// characters, each name made of the one ANSI `character`; when `made` is
// given, created level by level, each level added to `made`.
std::string folderOfLength(const std::string& base, std::size_t length, const std::string& character,
                           std::vector<std::string>* made) {
    std::string folder = base;
    for (std::size_t remaining = length - base.size() - 1; remaining > 1;) {
        const std::size_t count = remaining > 81 ? std::min<std::size_t>(80, remaining - 3) : remaining - 1;
        folder += "\\";
        for (std::size_t i = 0; i < count; ++i) folder += character;
        if (made && (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS))
            made->push_back(folder);
        remaining -= count + 1;
    }
    return folder;
}

// The temporary name ("reg", 4 digits, ".tmp") goes beside the destination
// within MAX_PATH characters, counted in characters in every code page (the
// test command runs this again under 932). Without room: not a COM call, so
// no question box; the message names the path and nothing is written.
TEST(WindowsWriter, DestinationWithoutRoomForATemporaryFileIsReportedWithoutAQuestion) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "regscan-room";
    std::vector<std::string> made{base, base + "\\d", base + "\\j"};
    for (const std::string& folder : made) CreateDirectoryA(folder.c_str(), nullptr);
    const struct {
        UINT codePage;  // 0: any
        std::string folder;
        DWORD code;  // 0: saved
    } cases[] = {
        {0, base + "\\missing", ERROR_PATH_NOT_FOUND},
        // The longest folder CreateDirectoryA makes: a temporary name of 259
        // characters fits it.
        {0, folderOfLength(base + "\\d", 248, "d", &made), 0},
        {0, folderOfLength(base + "\\e", 249, "e", nullptr), ERROR_BUFFER_OVERFLOW},
        {932, folderOfLength(base + "\\j", 248, "\x95\x5C", GetACP() == 932 ? &made : nullptr), 0},  // 表
        {932, folderOfLength(base + "\\k", 249, "\x95\x5C", nullptr), ERROR_BUFFER_OVERFLOW},
    };
    for (const auto& c : cases) {
        if (c.codePage != 0 && c.codePage != GetACP()) continue;
        const std::string path = c.folder + "\\s.xml";
        // A file an earlier run left (one that saved where it should not)
        // must not decide this one.
        DeleteFileA(path.c_str());
        TRegScanner scanner;
        scanner.trees.push_back(TRegTreeNode{new TRegKey, HKEY_LOCAL_MACHINE, "x"});
        scanner.trees[0].key->hive = HKEY_LOCAL_MACHINE;
        scanner.trees[0].key->name = "x";
        std::string message;
        TBoxAnswerer answerer("HRCHECK: ", IDYES);
        try {
            scanner.saveXml(path);
        } catch (const Exception& e) {
            message = e.Message();
        }
        answerer.stop();
        EXPECT_EQ(answerer.text(), "") << "a question box for a file step";
        if (c.code == 0) {
            EXPECT_EQ(message, "");
            // The system's own calls: the C++ library's cannot take such a name.
            EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
            EXPECT_TRUE(DeleteFileA(path.c_str()));
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "%lx): ", static_cast<unsigned long>(c.code));
            EXPECT_EQ(message, "TRegScanner, no temporary file could be created beside " + path + " (0x" + code +
                                   SysErrorMessage(c.code));
            EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
            DeleteFileA(path.c_str());
        }
        EXPECT_EQ(temporaryFiles(c.folder), std::vector<std::string>{});
    }
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) RemoveDirectoryA(folder->c_str());
}

TEST(WindowsWriter, QuestionBoxShowsReportAndInstruction) {
    // 193's text holds an insert, shown as written.
    for (HRESULT code : {E_ACCESSDENIED, HRESULT_FROM_WIN32(193)}) {
        TBoxAnswerer answerer("HRCHECK: ", IDNO);
        EXPECT_EQ(HrCheck(code, "doc->save(TVarShallow(path))", "RegWriter.cpp", 7), code);
        answerer.join();
        TLocalText text;
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0x400, reinterpret_cast<LPSTR>(text.put()), 0, nullptr);
        ASSERT_TRUE(text);
        const char* system = text.get();
        EXPECT_EQ(answerer.text(),
                  "'doc->save(TVarShallow(path))': " + std::string(system) +
                      " @ RegWriter.cpp/7\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug");
        if (code == HRESULT_FROM_WIN32(193)) {
            EXPECT_NE(std::string(system).find("%1"), std::string::npos) << system;
        }
    }
}

}  // namespace

namespace {

// A fresh key under HKEY_CURRENT_USER for one test, removed with its subtree.
class TScratchKey {
public:
    explicit TScratchKey(const char* name) : path_(std::string("Software\\RegScanWindowsTest\\") + name) {
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
    }
    ~TScratchKey() {
        key_.Reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\RegScanWindowsTest");
    }
    HKEY key() const { return key_.get(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    TKeyHandle key_;
};

std::string tempFile(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

// Text stored in UTF-16 reaches the writer as the ANSI functions of this
// code page give it (the test command runs this again under 932 and UTF-8):
// what XML cannot carry ends the export, what it can is written.
TEST(WindowsWriter, ControlCharactersEndTheExportNamingKeyAndValue) {
    const struct {
        UINT codePage;  // 0: any
        std::wstring stored;
        const char* character;  // the message's, or null: written as `written`
        const char* written;
    } rows[] = {
        {0, L"a\x07z", "0x07", nullptr},           {1252, L"a\xFFFFz", nullptr, "a?z"},
        {1252, L"a\xFFFEz", nullptr, "a?z"},       {1252, L"a\xD800z", nullptr, "a?z"},
        {932, L"a\xFFFFz", nullptr, "a?z"},        {932, L"a\xFFFEz", nullptr, "a?z"},
        {932, L"a\xD800z", nullptr, "a?z"},        {CP_UTF8, L"a\xFFFFz", "U+FFFF", nullptr},
        {CP_UTF8, L"a\xFFFEz", "U+FFFE", nullptr}, {CP_UTF8, L"a\xD800z", nullptr, "a\xEF\xBF\xBDz"},  // U+FFFD
    };
    for (const auto& row : rows) {
        if (row.codePage != 0 && row.codePage != GetACP()) continue;
        TScratchKey scratch("control");
        ASSERT_EQ(RegSetValueExW(scratch.key(), L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(row.stored.c_str()),
                                 static_cast<DWORD>((row.stored.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        TRegScanner scanner;
        scanner.scan(HKEY_CURRENT_USER, scratch.path());
        const std::string path = tempFile("regscan-control.xml");
        DeleteFileA(path.c_str());
        std::string message;
        try {
            scanner.saveXml(path);
        } catch (const Exception& e) {
            message = e.Message();
        }
        if (row.character) {
            EXPECT_EQ(message, "TRegScanner, value \"Text\" of key HKEY_CURRENT_USER\\" + scratch.path() +
                                   " holds character " + row.character + ", which XML cannot carry");
            EXPECT_FALSE(fileExists(path));
        } else {
            EXPECT_EQ(message, "");
            EXPECT_NE(
                readFile(path).find(std::string("<value name=\"Text\" type=\"REG_SZ\">") + row.written + "</value>"),
                std::string::npos)
                << readFile(path);
            DeleteFileA(path.c_str());
        }
    }
}

}  // namespace
