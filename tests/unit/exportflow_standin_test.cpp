// The export command's flow with scripted answers: the extension ".xml"
// forced on the name chosen in the save dialog, the question when that names
// another file that exists, and a cancel; what was written, returned and
// shown.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/stand-in/control.h"
#include "regscan/RegExport.h"
#include "support/ansi_utf8.h"
#include "support/files.h"
#include "support/scripted_export_dialogs.h"
#include "support/xml_tree.h"

namespace {

namespace fs = std::filesystem;

const char* const kMinimalTree =
    "RegParams xlmns=\"http://www.calderine.com/regparams\"\n"
    "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
    "    key name=\"Software\\Calderine\"\n"
    "      values\n"
    "        value name=\"Version\" type=\"REG_SZ\" [2.1]\n"
    "  hive name=\"HKEY_LOCAL_MACHINE\"\n"
    "    key name=\"SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0\"\n"
    "      values\n";
const char* const kOldFile = "old content";

struct TForcedName {
    unsigned codePage;     // the ANSI code page of the run
    const char* typed;     // chosen in the save dialog; null: cancelled
    const char* existing;  // a file there before the run; null: none
    bool replace;          // the answer to a replace question
    bool asked;            // a replace question about `existing` was put
    const char* written;   // the file written and the path returned; null: none
};

const TForcedName kForcedNames[] = {
    {1252, "settings.txt", nullptr, false, false, "settings.xml"},
    {1252, "settings", nullptr, false, false, "settings.xml"},
    {1252, "a.b.c", nullptr, false, false, "a.b.xml"},
    {1252, "settings.", nullptr, false, false, "settings.xml"},
    {1252, "Settings.XML", nullptr, false, false, "Settings.xml"},
    // The dialog asked about the name as typed; the forced one is free.
    {1252, "settings.txt", "settings.txt", false, false, "settings.xml"},
    // The forced name is another file that exists: Yes replaces it, No ends
    // the run like a cancel.
    {1252, "settings.txt", "settings.xml", true, true, "settings.xml"},
    {1252, "settings", "settings.xml", false, true, nullptr},
    // The dialog asked about this very file, in any letter case: names
    // ignore case on Windows, so no second question.
    {1252, "settings.xml", "settings.xml", false, false, "settings.xml"},
    {1252, "Settings.XML", "Settings.xml", false, false, "Settings.xml"},
    {1252, nullptr, nullptr, false, false, nullptr},
    // Names whose second bytes are those of "\\" (0x5C) or "|" (0x7C): the
    // extension is the last dot that starts a character.
    {932, "\x83\x5C\x83\x74\x83\x67\x90\xDD\x92\xE8.txt", nullptr, false, false,
     "\x83\x5C\x83\x74\x83\x67\x90\xDD\x92\xE8.xml"},                                           // ソフト設定.txt
    {932, "\x95\x5C.xml", "\x95\x5C.xml", false, false, "\x95\x5C.xml"},                        // 表.xml over itself
    {932, "\x96\xBC\x91\x4F.dat.txt", nullptr, false, false, "\x96\xBC\x91\x4F.dat.xml"},       // 名前.dat.txt
    {932, "\x90\xDD\x92\xE8.\x95\x5C", "\x90\xDD\x92\xE8.xml", false, true, nullptr},           // 設定.表, No
    {932, "\x83\x7C.\x94\x5C", nullptr, false, false, "\x83\x7C.xml"},                          // ポ.能
    {950, "\xB3\x5D\xA9\x77.\xB3\x5C", nullptr, false, false, "\xB3\x5D\xA9\x77.xml"},          // 設定.許
    {950, "\xA5\x5C\xAF\xE0.txt", "\xA5\x5C\xAF\xE0.xml", true, true, "\xA5\x5C\xAF\xE0.xml"},  // 功能.txt, Yes
    {65001, "\xE8\xA1\xA8.txt", nullptr, false, false, "\xE8\xA1\xA8.xml"},                     // 表.txt
};

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

TEST(ExportFlow, ForcesXmlOnTheChosenNameAndAsksBeforeReplacingAnotherFile) {
    standin::registry_reset();
    standin::registry_create_key(HKEY_LOCAL_MACHINE, kSoftwareKey);
    standin::registry_set_value(HKEY_LOCAL_MACHINE, kSoftwareKey, "Version", REG_SZ, std::string("2.1\0", 4));
    standin::registry_create_key(HKEY_LOCAL_MACHINE, kDriverKey);
    standin::message_boxes_clear();

    for (const TForcedName& row : kForcedNames) {
        const TAnsiCodePage codePage(row.codePage);
        SCOPED_TRACE(std::to_string(row.codePage) + ": " + (row.typed ? ansiToUtf8(row.typed) : "(cancel)") +
                     (row.existing ? ", over " + ansiToUtf8(row.existing) : ""));
        const TTempFolder folder("regscan-flow");
        // "/" separates nothing for the extension, as on Windows: a dot in
        // the folder's own path would be taken for one.
        if (folder.path().string().find('.') != std::string::npos)
            GTEST_SKIP() << "the temporary folder's path holds a dot: " << folder.path();
        // Names as the program sees them (ANSI) and as Linux stores them (UTF-8).
        auto ansiPath = [&folder](const char* name) { return folder.path().string() + "/" + name; };
        auto hostPath = [&folder](const char* name) { return folder.file(ansiToUtf8(name)); };
        if (row.existing) std::ofstream(hostPath(row.existing), std::ios::binary) << kOldFile;

        const TExportRun run = RunScriptedExport(row.typed ? ansiPath(row.typed) : "", row.replace);

        std::vector<TExportBox> shown{SaveDialogShown()};
        if (row.asked) shown.push_back(ReplaceAsked(ansiPath(row.existing)));
        if (row.written) shown.push_back(SuccessShown());
        EXPECT_EQ(run.shown, shown);
        EXPECT_EQ(run.path, row.written ? ansiPath(row.written) : "");

        std::set<std::string> names;
        if (row.existing) names.insert(ansiToUtf8(row.existing));
        if (row.written) names.insert(ansiToUtf8(row.written));
        EXPECT_EQ(namesIn(folder.path()), names);
        if (row.written) {
            EXPECT_EQ(xmlTreeOfText(readFile(hostPath(row.written))), kMinimalTree);
        }
        if (row.existing && (!row.written || std::string(row.existing) != row.written)) {
            EXPECT_EQ(readFile(hostPath(row.existing)), kOldFile);
        }
    }
    EXPECT_TRUE(standin::message_boxes().empty()) << "a check's question box appeared";
}

}  // namespace
