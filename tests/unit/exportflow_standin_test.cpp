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
    const char* typed;     // chosen in the save dialog; null: cancelled
    const char* existing;  // a file there before the run; null: none
    bool replace;          // the answer to a replace question
    bool asked;            // a replace question about `existing` was put
    const char* written;   // the file written and the path returned; null: none
};

const TForcedName kForcedNames[] = {
    {"settings.txt", nullptr, false, false, "settings.xml"},
    {"settings", nullptr, false, false, "settings.xml"},
    {"a.b.c", nullptr, false, false, "a.b.xml"},
    {"settings.", nullptr, false, false, "settings.xml"},
    {"Settings.XML", nullptr, false, false, "Settings.xml"},
    // The dialog asked about the name as typed; the forced one is free.
    {"settings.txt", "settings.txt", false, false, "settings.xml"},
    // The forced name is another file that exists: Yes replaces it, No ends
    // the run like a cancel.
    {"settings.txt", "settings.xml", true, true, "settings.xml"},
    {"settings", "settings.xml", false, true, nullptr},
    // The dialog asked about this very file, in any letter case: names
    // ignore case on Windows, so no second question.
    {"settings.xml", "settings.xml", false, false, "settings.xml"},
    {"Settings.XML", "Settings.xml", false, false, "Settings.xml"},
    {nullptr, nullptr, false, false, nullptr},
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
        SCOPED_TRACE(std::string(row.typed ? row.typed : "(cancel)") + (row.existing ? ", over " : "") +
                     (row.existing ? row.existing : ""));
        const TTempFolder folder("regscan-flow");
        // "/" separates nothing for the extension, as on Windows: a dot in
        // the folder's own path would be taken for one.
        if (folder.path().string().find('.') != std::string::npos)
            GTEST_SKIP() << "the temporary folder's path holds a dot: " << folder.path();
        if (row.existing) std::ofstream(folder.file(row.existing), std::ios::binary) << kOldFile;

        const TExportRun run = RunScriptedExport(row.typed ? folder.file(row.typed) : "", row.replace);

        std::vector<TExportBox> shown{SaveDialogShown()};
        if (row.asked) shown.push_back(ReplaceAsked(folder.file(row.existing)));
        if (row.written) shown.push_back(SuccessShown());
        EXPECT_EQ(run.shown, shown);
        EXPECT_EQ(run.path, row.written ? folder.file(row.written) : "");

        std::set<std::string> names;
        if (row.existing) names.insert(row.existing);
        if (row.written) names.insert(row.written);
        EXPECT_EQ(namesIn(folder.path()), names);
        if (row.written) {
            EXPECT_EQ(xmlTreeOfText(readFile(folder.file(row.written))), kMinimalTree);
        }
        if (row.existing && (!row.written || std::string(row.existing) != row.written)) {
            EXPECT_EQ(readFile(folder.file(row.existing)), kOldFile);
        }
    }
    EXPECT_TRUE(standin::message_boxes().empty()) << "a check's question box appeared";
}

}  // namespace
