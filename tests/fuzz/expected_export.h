// What the export of the stand-in registry's two subtrees must give, worked
// out from the registry's own contents: either the failure the scan or the
// writer must report, or a file that holds every key and value.
#pragma once

#include <string>

namespace fuzz {

struct ExpectedExport {
    bool saved = true;
    std::string message;  // the exception's message when not saved
    bool asked = true;    // the scan got through to the save dialog
};

// An unsupported type ends the scan (first one in scan order); else text
// XML cannot carry ends the writer (first one in document order).
ExpectedExport expectedExport();

// Empty when the file at `path` holds exactly the two subtrees, else the
// first difference found.
std::string differencesFromRegistry(const std::string& path);

}  // namespace fuzz
