// Every way one press of "Begin Scan of Registry" can end, as the user sees
// it: which windows come in which order, what the location box shows after,
// and which file is written.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app_driver.h"
#include "e2e_fixture.h"
#include "screenshot.h"
#include "window_query.h"

namespace {

// Both subtrees with the four types, nested keys, a key without values, a
// default value, markup characters and values named "DetID" (left out) and
// "detid" (kept: the name is compared case-sensitively).
bool ArrangeRichRegistry() {
    const std::string options = std::string(kSoftwareKey) + "\\Options";
    const std::string parameters = std::string(kDriverKey) + "\\Parameters";
    bool ok = true;
    const auto set = [&](const std::string& key, const char* name, DWORD type, const std::string& data) {
        ok = ok && TRegistryArrangement::SetValue(key, name, type, data);
    };
    set(kSoftwareKey, "", REG_SZ, "ORVEX <Suite> & \"Tools\"");
    set(kSoftwareKey, "DetID", REG_SZ, "A1-B2");
    set(kSoftwareKey, "Flags", REG_DWORD, DwordData(0xFFFFFFFF));
    set(kSoftwareKey, "InstallDir", REG_EXPAND_SZ, "%ProgramFiles%\\Calderine\\ORVEX");
    set(kSoftwareKey, "Version", REG_SZ, "2.1");
    set(options, "Empty", REG_SZ, "");
    set(options, "Table", REG_BINARY, "\x01\xAB");
    set(options, "Zero", REG_DWORD, DwordData(0));
    ok = ok && TRegistryArrangement::CreateKey(options + "\\Profiles");
    set(kDriverKey, "DeviceName", REG_SZ, "ORVEX-1");
    set(kDriverKey, "Start", REG_DWORD, DwordData(3));
    set(parameters, "Buffer", REG_BINARY, "");
    set(parameters, "DetID", REG_DWORD, DwordData(7));
    set(parameters, "Mode", REG_SZ, "a 'b' <c>");
    set(parameters + "\\Tuning", "detid", REG_BINARY, std::string("\0\xFF", 2));
    return ok;
}

const std::string kRichExport = ExportXml(
    KeyXml("Software\\Calderine",
           ValueXml("", "REG_SZ", "ORVEX &lt;Suite&gt; &amp; \"Tools\"") +
               ValueXml("Flags", "REG_DWORD", "4294967295") +
               ValueXml("InstallDir", "REG_EXPAND_SZ", "%ProgramFiles%\\Calderine\\ORVEX") +
               ValueXml("Version", "REG_SZ", "2.1"),
           KeyXml("Options",
                  ValueXml("Empty", "REG_SZ", "") + ValueXml("Table", "REG_BINARY", "01 ab ") +
                      ValueXml("Zero", "REG_DWORD", "0"),
                  KeyXml("Profiles", ""))),
    KeyXml(kDriverKeyXml, ValueXml("DeviceName", "REG_SZ", "ORVEX-1") + ValueXml("Start", "REG_DWORD", "3"),
           KeyXml("Parameters", ValueXml("Buffer", "REG_BINARY", "") + ValueXml("Mode", "REG_SZ", "a 'b' &lt;c&gt;"),
                  KeyXml("Tuning", ValueXml("detid", "REG_BINARY", "00 ff ")))));

class ExportCommand : public TEndToEndTest {};

TEST_F(ExportCommand, SuccessFillsTheLocationThenConfirmsAndWritesTheWholeTreeEachRunAfresh) {
    ASSERT_TRUE(ArrangeRichRegistry());
    ASSERT_TRUE(Launch("earlier text"));
    std::string location;
    ASSERT_TRUE(ExportAs(folder_.PathOf("regparams"), location, true));
    // The location is filled before the box shows.
    EXPECT_EQ(location, folder_.PathOf("regparams.xml"));
    EXPECT_TRUE(EndedWith(folder_.PathOf("regparams.xml"), {"regparams.xml"}));

    // Changed between the runs: the second run must see it, and clears the
    // location again when it starts.
    ASSERT_TRUE(TRegistryArrangement::SetValue(kSoftwareKey, "Version", REG_SZ, "2.2"));
    ASSERT_TRUE(ExportAs(folder_.PathOf("second.xml"), location));
    EXPECT_EQ(location, folder_.PathOf("second.xml"));
    EXPECT_TRUE(EndedWith(folder_.PathOf("second.xml"), {"regparams.xml", "second.xml"}));

    std::string second = kRichExport;
    second.replace(second.find(">2.1<"), 5, ">2.2<");
    EXPECT_EQ(ReadWholeFile(folder_.PathOf("regparams.xml")), kRichExport);
    EXPECT_EQ(ReadWholeFile(folder_.PathOf("second.xml")), second);
    EXPECT_EQ(App().Close(), 0u);
}

// A run left in the save dialog after the dialog has refused a name in a
// folder that does not exist, with its own complaint while it stays open
// (MainWindow's keyboard test cancels right away).
TEST_F(ExportCommand, CancelAfterAMissingFolderShowsNothingMoreAndClearsTheLocation) {
    ASSERT_TRUE(TRegistryArrangement::CreateMinimal());
    ASSERT_TRUE(Launch("earlier text"));
    HWND dialog = nullptr;
    ASSERT_TRUE(OpenSaveDialog(dialog));
    App().SaveAs(dialog, folder_.PathOf("missing\\settings.xml"));
    const TMessageBox complaint = App().WaitForMessageBox();
    ASSERT_NE(complaint.handle, nullptr) << App().DescribeOpenWindows();
    EXPECT_EQ(GetWindow(complaint.handle, GW_OWNER), dialog) << complaint.text;
    ASSERT_TRUE(App().Answer(complaint, IDOK));
    EXPECT_EQ(App().WaitForSaveDialog(), dialog);
    App().Cancel(dialog);
    EXPECT_TRUE(EndedWith("")) << "no box after a cancel";
    EXPECT_EQ(App().Close(), 0u);
}

// ---- a scan that fails --------------------------------------------------------

struct TScanFailure {
    const char* name;
    std::function<bool()> arrange;
    std::function<std::string()> message;  // the scan's message
};

void PrintTo(const TScanFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class ScanFailure : public TEndToEndTest, public testing::WithParamInterface<TScanFailure> {};

TEST_P(ScanFailure, ShowsTheErrorBoxWithTheScansMessageAndNoSaveDialog) {
    ASSERT_TRUE(GetParam().arrange());
    ASSERT_TRUE(Launch("earlier text"));
    App().ClickButton1();
    const TMessageBox box = App().WaitForMessageBox();
    ASSERT_NE(box.handle, nullptr) << App().DescribeOpenWindows();
    EXPECT_EQ(box.text, kErrorPrefix + GetParam().message());
    EXPECT_FALSE(SaveScreenshot(box.handle, ShotName("error-box", GetParam().name)).empty());
    ASSERT_TRUE(App().Answer(box, IDOK));
    EXPECT_TRUE(EndedWith("")) << "no save dialog after a failed scan";
    EXPECT_EQ(App().Close(), 0u);
}

std::string OpenFailed(const std::string& path) {
    return "TRegScanner, opening of registry key " + path + " failed (2): " + SystemText(ERROR_FILE_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(
    ExportCommand, ScanFailure,
    testing::Values(TScanFailure{
                        "software_key_missing",
                        [] { return TRegistryArrangement::SetValue(kDriverKey, "Start", REG_DWORD, DwordData(3)); },
                        [] { return OpenFailed(kSoftwareKey); }},
                    TScanFailure{"driver_key_missing",
                                 [] { return TRegistryArrangement::SetValue(kSoftwareKey, "Version", REG_SZ, "2.1"); },
                                 [] { return OpenFailed(kDriverKey); }},
                    TScanFailure{"multi_string_deep_in_driver_key",
                                 [] {
                                     return TRegistryArrangement::CreateMinimal() &&
                                            TRegistryArrangement::SetValue(
                                                std::string(kDriverKey) + "\\Parameters\\Deeper", "Ports", REG_MULTI_SZ,
                                                std::string("COM1\0COM2\0", 10));
                                 },
                                 [] { return std::string("TRegScanner::TValue, unrecognized registry type: 0x7"); }}),
    RowName);

// ---- a file that cannot be saved ---------------------------------------------

// Where the destination stands. Two need root and are arranged by
// hostile_destination.sh, which names them in the environment.
enum class TTarget {
    Folder,      // a folder of the forced name
    HeldOpen,    // a file another process holds open without sharing
    ReadOnly,    // read-only and immutable (as root, Wine writes read-only files)
    FullVolume,  // an earlier file on a volume too small for the new one
};

struct TFailedSave {
    const char* name;
    TTarget target;
    DWORD code;  // the replacement's error; 0: the file is cut short instead
};

void PrintTo(const TFailedSave& save, std::ostream* out) {
    *out << save.name;
}

class FailedSave : public TEndToEndTest, public testing::WithParamInterface<TFailedSave> {};

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
}

// Never a success, never a question: the replacement and the check of the
// saved file are not COM calls. The error box names the destination, and the
// earlier file and its folder stay exactly as they were.
TEST_P(FailedSave, EndsWithTheErrorBoxAndKeepsTheEarlierFile) {
    const TTarget kind = GetParam().target;
    ASSERT_TRUE(TRegistryArrangement::CreateMinimal());
    std::string target, typed, earlier;
    std::unique_ptr<TFileHandle> held;
    switch (kind) {
        case TTarget::Folder:
            // The folder has the name the forced extension makes of the typed one.
            target = folder_.PathOf("out.xml");
            typed = folder_.PathOf("out");
            ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
            break;
        case TTarget::HeldOpen:
            target = typed = folder_.PathOf("held.xml");
            earlier = "precious";
            ASSERT_TRUE(WriteWholeFile(target, earlier));
            held = std::make_unique<TFileHandle>(
                CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(*held);
            break;
        case TTarget::ReadOnly: {
            const std::string locked = EnvironmentText("REGSCAN_E2E_LOCKED_FILE");
            ASSERT_FALSE(locked.empty()) << "no read-only, immutable file: run this test through "
                                            "tests/e2e/hostile_destination.sh, as root (CTest does)";
            target = typed = NativePath(locked);
            ASSERT_TRUE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY) << target;
            earlier = ReadWholeFile(target);
            break;
        }
        case TTarget::FullVolume: {
            const std::string drive = EnvironmentText("REGSCAN_E2E_FULL_VOLUME");
            ASSERT_FALSE(drive.empty()) << "no small volume: run this test through "
                                           "tests/e2e/hostile_destination.sh, as root (CTest does)";
            // Values large enough that their file cannot fit the small volume.
            for (char name : {'A', 'B', 'C', 'D'})
                ASSERT_TRUE(TRegistryArrangement::SetValue(kSoftwareKey, std::string("Table") + name, REG_BINARY,
                                                           std::string(32 * 1024, name)));
            target = typed = drive + "\\regparams.xml";
            earlier = kMinimalExport;
            while (earlier.size() < 20 * 1024) earlier += "<!-- an earlier export, padded to 20 KiB -->\n";
            ASSERT_TRUE(WriteWholeFile(target, earlier)) << target;
            break;
        }
    }
    const std::vector<std::string> before = FolderNames(FolderOf(target));

    ASSERT_TRUE(Launch());
    TRegScanApp& app = App();
    HWND dialog = nullptr;
    ASSERT_TRUE(OpenSaveDialog(dialog));
    app.SaveAs(dialog, typed);

    TMessageBox box = app.WaitForMessageBox();
    if (kind != TTarget::Folder) {
        // The dialog's own question about the existing file.
        ASSERT_NE(box.handle, nullptr) << app.DescribeOpenWindows();
        ASSERT_NE(box.caption, kQuestionCaption) << box.text;
        ASSERT_TRUE(app.Answer(box, IDYES)) << box.text;
        box = app.WaitForMessageBox();
    }
    ASSERT_NE(box.handle, nullptr) << app.DescribeOpenWindows();
    const DWORD code = GetParam().code;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%lx", static_cast<unsigned long>(code));
    const std::string message =
        code ? "TRegScanner, failure in MoveFileEx replacing " + target + " (0x" + hex + "): " + SystemText(code)
             : "TRegScanner, the file " + target + " could not be written completely";
    EXPECT_EQ(box.text, kErrorPrefix + message);
    EXPECT_FALSE(SaveScreenshot(box.handle, ShotName("error-box", GetParam().name)).empty());
    ASSERT_TRUE(app.Answer(box, IDOK));
    EXPECT_TRUE(app.WaitUntilIdle()) << "no success box after the error";
    EXPECT_EQ(app.LocationText(), "");

    held.reset();
    EXPECT_EQ(FolderNames(FolderOf(target)), before) << "a file left beside the destination";
    if (kind == TTarget::Folder)
        EXPECT_TRUE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    else
        EXPECT_TRUE(ReadWholeFile(target) == earlier) << "the earlier file changed";
    EXPECT_EQ(app.Close(), 0u);
}

// Wine refuses each replacement with ERROR_ACCESS_DENIED, the held file too.
INSTANTIATE_TEST_SUITE_P(ExportCommand, FailedSave,
                         testing::Values(TFailedSave{"folder", TTarget::Folder, 5},
                                         TFailedSave{"held_open", TTarget::HeldOpen, 5},
                                         TFailedSave{"read_only", TTarget::ReadOnly, 5},
                                         TFailedSave{"full_volume", TTarget::FullVolume, 0}),
                         RowName);

}  // namespace
