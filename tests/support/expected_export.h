// What the export of the stand-in registry's two subtrees must give, worked
// out from the registry's own contents: either the failure the scan or the
// writer must report, or the element tree of a file that holds every key and
// value. Stand-in build.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct TExpectedOutcome {
    bool saved = true;
    std::string message;  // the exception's message when not saved
    bool asked = true;    // the scan got through to the save dialog
};

// An unsupported type ends the scan (first one in scan order); else text
// XML cannot carry ends the writer (first one in document order).
TExpectedOutcome ExpectedOutcome();

// An element of the file as it must be; tests that make the writer carry on
// after a failed call mark what that call leaves out.
struct TExpectedElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;  // values in ANSI
    std::string text;                                             // ANSI
    std::vector<TExpectedElement> children;
    bool dropped = false;  // never appended, with everything in it

    void RemoveAttribute(const std::string& attribute);
    // The text form xmlTreeOfFile gives for a saved file.
    std::string Render() const;
};

// The root element the export must write for the registry as it is now.
TExpectedElement ExpectedDocument();
