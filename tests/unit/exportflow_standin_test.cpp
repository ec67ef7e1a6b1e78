// The export command's flow with scripted answers: the extension ".xml"
// forced on the name chosen in the save dialog, the question when that names
// another file that exists, a cancel, and a name the code page cannot hold;
// what was written, returned and shown.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/stand-in/code_page.h"
#include "platform/stand-in/control.h"
#include "regscan/RegExport.h"
#include "support/ansi_utf8.h"
#include "support/expected_export.h"
#include "support/files.h"
#include "support/scripted_export_dialogs.h"
#include "support/xml_tree.h"

namespace {

namespace fs = std::filesystem;

const char* const kOldFile = "old content";

// Names in the ANSI code page of the run, but the one typed, which the
// dialog holds in UTF-16.
struct TForcedName {
    unsigned codePage;      // the ANSI code page of the run
    const char16_t* typed;  // typed in the save dialog; null: cancelled
    const char* existing;   // a file there before the run; null: none
    bool replace;           // the answer to a replace question
    bool asked;             // a replace question about `existing` was put
    const char* written;    // the file written and the path returned; null: none
    // A name the code page cannot hold: as the error box shows it, and the
    // characters the box names.
    const char* shownAs = nullptr;
    const char* lacking = nullptr;
};

const TForcedName kForcedNames[] = {
    {1252, u"settings.txt", nullptr, false, false, "settings.xml"},
    {1252, u"settings", nullptr, false, false, "settings.xml"},
    {1252, u"a.b.c", nullptr, false, false, "a.b.xml"},
    {1252, u"settings.", nullptr, false, false, "settings.xml"},
    {1252, u"Settings.XML", nullptr, false, false, "Settings.xml"},
    // The dialog asked about the name as typed; the forced one is free.
    {1252, u"settings.txt", "settings.txt", false, false, "settings.xml"},
    // The forced name is another file that exists: Yes replaces it, No ends
    // the run like a cancel.
    {1252, u"settings.txt", "settings.xml", true, true, "settings.xml"},
    {1252, u"settings", "settings.xml", false, true, nullptr},
    // The dialog asked about this very file, in any letter case: names
    // ignore case on Windows, so no second question.
    {1252, u"settings.xml", "settings.xml", false, false, "settings.xml"},
    {1252, u"Settings.XML", "Settings.xml", false, false, "Settings.xml"},
    {1252, nullptr, nullptr, false, false, nullptr},
    // Names whose second bytes are those of "\\" (0x5C) or "|" (0x7C): the
    // extension is the last dot that starts a character.
    {932, u"ソフト設定.txt", nullptr, false, false, "\x83\x5C\x83\x74\x83\x67\x90\xDD\x92\xE8.xml"},
    {932, u"表.xml", "\x95\x5C.xml", false, false, "\x95\x5C.xml"},  // over itself
    {932, u"名前.dat.txt", nullptr, false, false, "\x96\xBC\x91\x4F.dat.xml"},
    {932, u"設定.表", "\x90\xDD\x92\xE8.xml", false, true, nullptr},  // No
    {932, u"ポ.能", nullptr, false, false, "\x83\x7C.xml"},
    {950, u"設定.許", nullptr, false, false, "\xB3\x5D\xA9\x77.xml"},
    {950, u"功能.txt", "\xA5\x5C\xAF\xE0.xml", true, true, "\xA5\x5C\xAF\xE0.xml"},  // Yes
    {65001, u"表.txt", nullptr, false, false, "\xE8\xA1\xA8.xml"},
    // Characters the code page lacks: nothing is written, not even over the
    // look-alike (Windows' best fit of Ω in 1252 is O); each is named once.
    {1252, u"Ωmega.xml", "Omega.xml", false, false, nullptr, "?mega.xml", "U+03A9"},
    {1252, u"中.xml", nullptr, false, false, nullptr, "?.xml", "U+4E2D"},  // no look-alike
    {1252, u"Ω中Ω.txt", nullptr, false, false, nullptr, "???.txt", "U+03A9, U+4E2D"},
    {1252, u"\U0001F600.xml", nullptr, false, false, nullptr, "?.xml", "U+1F600"},  // a surrogate pair
    {65001, u"\xD800.xml", nullptr, false, false, nullptr, "?.xml", "U+D800"},      // half of one alone
    // Where the code page has them, the name converts exactly.
    {932, u"Ωmega.txt", nullptr, false, false, "\x83\xB6mega.xml"},
    {65001, u"\U0001F600.txt", nullptr, false, false, "\xF0\x9F\x98\x80.xml"},
};

TEST(ExportFlow, ForcesXmlOnTheChosenNameAndAsksBeforeReplacingAnotherFile) {
    standin::registry_reset();
    standin::registry_create_key(HKEY_LOCAL_MACHINE, kSoftwareKey);
    standin::registry_set_value(HKEY_LOCAL_MACHINE, kSoftwareKey, "Version", REG_SZ, std::string("2.1\0", 4));
    standin::registry_create_key(HKEY_LOCAL_MACHINE, kDriverKey);
    standin::message_boxes_clear();
    const std::string written = ExpectedDocument().Render();

    for (const TForcedName& row : kForcedNames) {
        const TAnsiCodePage codePage(row.codePage);
        SCOPED_TRACE(std::to_string(row.codePage) + ": " + (row.typed ? utf16ToUtf8(row.typed) : "(cancel)") +
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

        const std::u16string typed = row.typed ? standin::cp::ansi_to_utf16(ansiPath("")) + row.typed : u"";
        const TExportRun run = RunScriptedExport(typed, row.replace);

        std::vector<TExportBox> shown{SaveDialogShown()};
        if (row.asked) shown.push_back(ReplaceAsked(ansiPath(row.existing)));
        if (row.written) shown.push_back(SuccessShown());
        if (row.shownAs)
            shown.push_back(ErrorShown("The file name " + ansiPath(row.shownAs) +
                                       " cannot be used with this system's "
                                       "code page (" +
                                       std::to_string(row.codePage) + "), which lacks " + row.lacking +
                                       " (shown as \"?\")."));
        EXPECT_EQ(run.shown, shown);
        EXPECT_EQ(run.path, row.written ? ansiPath(row.written) : "");

        std::set<std::string> names, found;
        if (row.existing) names.insert(ansiToUtf8(row.existing));
        if (row.written) names.insert(ansiToUtf8(row.written));
        for (const auto& entry : fs::directory_iterator(folder.path())) found.insert(entry.path().filename().string());
        EXPECT_EQ(found, names);
        if (row.written) {
            EXPECT_EQ(xmlTreeOfText(readFile(hostPath(row.written))), written);
        }
        if (row.existing && (!row.written || std::string(row.existing) != row.written)) {
            EXPECT_EQ(readFile(hostPath(row.existing)), kOldFile);
        }
    }
    EXPECT_TRUE(standin::message_boxes().empty()) << "a check's question box appeared";
}

}  // namespace
