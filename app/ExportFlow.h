// The export command without its windows: the scans, the question where to
// save, the forced ".xml", the save and the boxes that report it. What it asks
// of the user goes through TExportDialogs, so both builds run the one flow:
// the main window with the real dialogs, the tests with scripted answers.
#pragma once

#include "framework/AnsiString.h"

class TExportDialogs {
public:
    virtual ~TExportDialogs() = default;
    // The modal save dialog; false when the user cancelled, else the chosen
    // full path in `fileName`.
    virtual bool ChooseFileName(const AnsiString& title, const AnsiString& filter, AnsiString& fileName) = 0;
    // A Yes/No question about replacing a file; true for Yes.
    virtual bool AskReplace(const AnsiString& question) = 0;
    virtual void ShowError(const AnsiString& text) = 0;
    virtual void ShowSuccess(const AnsiString& text) = 0;
};

// Scans both subtrees, asks where to save and writes the file there with
// ".xml" forced. The path written, or empty when nothing was: the user
// cancelled or declined, or a framework Exception was reported in the error
// box (after the snapshot is gone).
AnsiString ScanAndSaveWith(TExportDialogs& dialogs);

// Once the path is on show: the success box for a path, nothing for none.
void ConfirmSaved(TExportDialogs& dialogs, const AnsiString& path);
