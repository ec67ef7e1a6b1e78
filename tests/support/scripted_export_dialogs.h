// The export's flow with its dialogs answered from a script and every one it
// showed recorded, so tests judge what the user would have seen; and the
// texts the description gives for them.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/ExportFlow.h"

enum class TExportShown { SaveDialog, ReplaceQuestion, ErrorBox, SuccessBox };

struct TExportBox {
    TExportShown what;
    std::string text;    // the dialog's title; the question's or the box's text
    std::string filter;  // the dialog's filter; empty for the boxes
    bool operator==(const TExportBox&) const = default;
};
std::ostream& operator<<(std::ostream& out, const TExportBox& box);

// What the user must see.
TExportBox SaveDialogShown();
TExportBox ReplaceAsked(const std::string& path);
TExportBox ErrorShown(const std::string& message);  // the exception's message
TExportBox SuccessShown();

class TScriptedExportDialogs : public TExportDialogs {
public:
    // `fileName`: the path the user types in the save dialog, which holds it
    // in UTF-16 as the system's does, empty for a cancel; `replace`: the
    // answer to a replace question.
    explicit TScriptedExportDialogs(std::u16string fileName, bool replace = false)
        : fileName_(std::move(fileName)), replace_(replace) {}

    bool ChooseFileName(const AnsiString& title, const AnsiString& filter, AnsiString& fileName) override;
    bool AskReplace(const AnsiString& question) override;
    void ShowError(const AnsiString& text) override;
    void ShowSuccess(const AnsiString& text) override;

    const std::vector<TExportBox>& shown() const { return shown_; }

private:
    std::u16string fileName_;
    bool replace_;
    std::vector<TExportBox> shown_;
};

// One press of the button once the library check has passed: the path it
// returns (what the location box then shows) and everything it showed.
struct TExportRun {
    std::string path;
    std::vector<TExportBox> shown;
};
TExportRun RunScriptedExport(const std::u16string& fileName, bool replace = false);
// The same with a path in the ANSI code page (typed as its characters).
TExportRun RunScriptedExport(const std::string& fileName, bool replace = false);
