// What the tests of both builds observe in the build's own way: the ANSI code
// page of a case, a saved file read back, the question box of a failed COM
// call. One definition a build: build_view_standin.cpp, build_view_windows.cpp.
#pragma once

#include <memory>
#include <string>

#include "platform/winapi.h"

// The ANSI code page a test case is for. The stand-in switches to it while
// the case runs; a Windows process keeps the one its locale gave it, so there
// the case runs only under that locale (the test command runs the code-page
// groups again under the locales of 932, 950, 1251 and UTF-8).
class TCaseCodePage {
public:
    explicit TCaseCodePage(UINT codePage);  // 0: the one in effect
    TCaseCodePage(const TCaseCodePage&) = delete;
    TCaseCodePage& operator=(const TCaseCodePage&) = delete;
    ~TCaseCodePage();
    bool active() const { return active_; }

private:
    UINT before_ = 0;
    bool active_ = true;
};

// UTF-16 text in `codePage` (CP_ACP: the ANSI code page in effect, CP_UTF8).
inline std::string textIn(UINT codePage, const std::u16string& text) {
    std::string converted(text.size() * 4, '\0');
    converted.resize(static_cast<std::size_t>(
        WideCharToMultiByte(codePage, 0, reinterpret_cast<LPCWSTR>(text.data()), static_cast<int>(text.size()),
                            converted.data(), static_cast<int>(converted.size()), nullptr, nullptr)));
    return converted;
}

// The saved file's element tree, one line an element (support/xml_tree.h's
// form), read back with libxml2 in the stand-in build and with the system's
// DOM on Windows; in the stand-in build followed by what docs/regparams.xsd
// finds wrong in it.
std::string savedFileTree(const std::string& ansiPath);

// Makes the folder and every missing one above it (ANSI, native separators).
void makeFolders(const std::string& ansiPath);
// How many files are in the folder of `ansiPath`, not counting it.
std::size_t filesBeside(const std::string& ansiPath);

// Answers the first question box of a failed COM call with `button` and keeps
// its text.
class TQuestionBox {
public:
    explicit TQuestionBox(int button);
    TQuestionBox(const TQuestionBox&) = delete;
    TQuestionBox& operator=(const TQuestionBox&) = delete;
    ~TQuestionBox();
    // The box's text, "" when none came; stops waiting for one.
    std::string text();

private:
    struct TWatch;
    std::unique_ptr<TWatch> watch_;
};
