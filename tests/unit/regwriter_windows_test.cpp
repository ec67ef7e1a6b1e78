// The scan and the writer against Wine's registry and MSXML 4.0: the shared
// fixtures are exported for the comparison with the stand-in build's files,
// and a failed save raises the real question box.
#include <gtest/gtest.h>

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

// No temporary file, no save: not a COM call, so no question box; the
// message names the path and nothing is written.
TEST(WindowsWriter, DestinationWithoutRoomForATemporaryFileIsReportedWithoutAQuestion) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    // The longest folder CreateDirectoryA makes, too long for a temporary
    // name within MAX_PATH.
    std::string deep = std::string(temp) + "regscan-deep-";
    deep += std::string(247 - deep.size(), 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << deep;
    const struct {
        std::string path;
        DWORD code;  // 0: whatever the system says of a missing folder
    } cases[] = {
        {std::string(temp) + "regscan-missing-folder\\settings.xml", 0},
        {deep + "\\s.xml", ERROR_BUFFER_OVERFLOW},
    };
    for (const auto& c : cases) {
        TRegScanner scanner;
        scanner.trees.push_back(TRegTreeNode{new TRegKey, HKEY_LOCAL_MACHINE, "x"});
        scanner.trees[0].key->hive = HKEY_LOCAL_MACHINE;
        scanner.trees[0].key->name = "x";
        std::string message;
        TBoxAnswerer answerer("HRCHECK: ", IDYES);
        try {
            scanner.saveXml(c.path);
        } catch (const Exception& e) {
            message = e.Message();
        }
        answerer.stop();
        EXPECT_EQ(answerer.text(), "") << "a question box for a file step";
        const std::string head = "TRegScanner, no temporary file could be created beside " + c.path + " (0x";
        EXPECT_EQ(message.rfind(head, 0), 0u) << message;
        if (c.code != 0) {
            char code[16];
            std::snprintf(code, sizeof code, "%lx): ", static_cast<unsigned long>(c.code));
            EXPECT_EQ(message, head + code + SysErrorMessage(c.code));
        }
        EXPECT_FALSE(fileExists(c.path));
    }
    EXPECT_EQ(temporaryFiles(deep), std::vector<std::string>{});
    RemoveDirectoryA(deep.c_str());
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

TEST(WindowsWriter, ControlCharactersEndTheExportNamingKeyAndValue) {
    TScratchKey scratch("control");
    const std::string data("a\x07z", 4);
    ASSERT_EQ(RegSetValueExA(scratch.key(), "Bell", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()), 4),
              ERROR_SUCCESS);
    TRegScanner scanner;
    scanner.scan(HKEY_CURRENT_USER, scratch.path());
    const std::string path = tempFile("regscan-control.xml");
    DeleteFileA(path.c_str());
    try {
        scanner.saveXml(path);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TRegScanner, value \"Bell\" of key HKEY_CURRENT_USER\\" + scratch.path() +
                                   " holds character 0x07, which XML cannot carry");
    }
    EXPECT_FALSE(fileExists(path));
}

// Depth the registry allows (512 levels) and a key with many subkeys: both
// scan and save under the real registry and MSXML.
TEST(WindowsWriter, DeepAndWideTreesScanAndSave) {
    TScratchKey scratch("large");
    {
        // Each level is created below the one before; a level's key is closed
        // once its child is open.
        TKeyHandle levels[2];
        HKEY parent = scratch.key();
        for (int level = 0; level < 500; ++level) {
            TKeyHandle& child = levels[level % 2];
            ASSERT_EQ(RegCreateKeyExA(parent, "d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, child.put(), nullptr),
                      ERROR_SUCCESS)
                << level;
            parent = child.get();
        }
    }
    TKeyHandle wide;
    ASSERT_EQ(RegCreateKeyExA(scratch.key(), "wide", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, wide.put(), nullptr),
              ERROR_SUCCESS);
    const int kWide = 20000;
    for (int i = 0; i < kWide; ++i) {
        TKeyHandle child;
        ASSERT_EQ(RegCreateKeyExA(wide.get(), ("k" + std::to_string(i)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  child.put(), nullptr),
                  ERROR_SUCCESS);
    }
    wide.Reset();

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
