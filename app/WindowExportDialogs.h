// The export's questions and boxes as the main window shows them: the
// framework's save dialog and message boxes.
#pragma once

#include "app/ExportFlow.h"

class TWindowExportDialogs : public TExportDialogs {
public:
    bool ChooseFileName(const AnsiString& title, const AnsiString& filter, AnsiString& fileName) override;
    bool AskReplace(const AnsiString& question) override;
    void ShowError(const AnsiString& text) override;
    void ShowSuccess(const AnsiString& text) override;
};
