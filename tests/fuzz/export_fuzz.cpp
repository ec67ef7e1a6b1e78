// libFuzzer target of the export: the input builds the two registry subtrees
// in the stand-in, which the export command's flow scans and saves, its save
// dialog answered with the earlier file's name. The export must either save a
// file that holds exactly what the registry held and show the success box, or
// show the described error (a type the snapshot does not hold; text XML
// cannot carry). It must never ask a question, leave a handle, a DOM object or
// a string behind, touch the earlier file when it fails, or leave a temporary
// file. Anything else aborts.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input_tree.h"
#include "platform/stand-in/control.h"
#include "support/expected_export.h"
#include "support/files.h"
#include "support/scripted_export_dialogs.h"
#include "support/xml_tree.h"

namespace {

namespace fs = std::filesystem;

const char* const kEarlierFile = "<earlier/>\n";

[[noreturn]] void finding(const std::string& what) {
    std::fprintf(stderr, "export_fuzz: %s\n", what.c_str());
    std::abort();
}

void resetStandIn() {
    standin::com_reset();
    standin::dom_reset_faults();
    standin::files_reset_faults();
    standin::message_boxes_clear();
    // No check may fail here; should one, Yes ends the export and is found below.
    standin::message_box_script({}, IDYES);
}

// The first line where the two element trees part.
std::string firstDifference(const std::string& file, const std::string& expected) {
    std::istringstream got(file), wanted(expected);
    std::string a, b;
    for (unsigned line = 1;; ++line) {
        const bool more = static_cast<bool>(std::getline(got, a));
        const bool expectedMore = static_cast<bool>(std::getline(wanted, b));
        if (!more && !expectedMore) return std::string();
        if (!more || !expectedMore || a != b)
            return "line " + std::to_string(line) + " is \"" + (more ? a : "(end)") + "\", expected \"" +
                   (expectedMore ? b : "(end)") + "\"";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The folder the file is saved in, for the whole run. Put TMPDIR on a
    // memory file system for speed: every save syncs its folder.
    static const TTempFolder folder("regscan-fuzz");
    const std::string path = folder.file("settings.xml");

    resetStandIn();
    fuzz::buildRegistry(data, size);
    const std::size_t handles = standin::registry_open_handles();
    const std::size_t strings = standin::bstr_live();
    const TExpectedOutcome expected = ExpectedOutcome();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << kEarlierFile;

    const TExportRun run = RunScriptedExport(path);

    if (!standin::message_boxes().empty())
        finding("a question box appeared: " + standin::message_boxes().front().caption +
                standin::message_boxes().front().text);
    if (standin::registry_open_handles() != handles) finding("registry handles left open");
    if (standin::dom_live_objects() != 0) finding("DOM objects outlived the export");
    if (standin::bstr_live() != strings) finding("strings outlived the export");
    for (const auto& entry : fs::directory_iterator(folder.path()))
        if (entry.path().filename() != "settings.xml") finding("stray file " + entry.path().filename().string());

    std::vector<TExportBox> shown;
    if (expected.asked) shown.push_back(SaveDialogShown());
    shown.push_back(expected.saved ? SuccessShown() : ErrorShown(expected.message));
    if (run.shown != shown) {
        std::ostringstream boxes;
        for (const TExportBox& box : run.shown) boxes << "\n  " << box;
        boxes << "\nexpected:";
        for (const TExportBox& box : shown) boxes << "\n  " << box;
        finding("the export showed:" + boxes.str());
    }
    if (run.path != (expected.saved ? path : "")) finding("the export returned the path \"" + run.path + "\"");
    if (expected.saved) {
        const std::string difference = firstDifference(xmlTreeOfFile(path), ExpectedDocument().Render());
        if (!difference.empty()) finding("the file differs from the registry: " + difference);
    } else if (readFile(path) != kEarlierFile) {
        finding("a failed export touched the earlier file");
    }
    return 0;
}
