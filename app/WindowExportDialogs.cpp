#include "app/WindowExportDialogs.h"

#include "framework/win/Dialogs.h"
#include "framework/win/MessageDlg.h"

bool TWindowExportDialogs::ChooseFileName(const AnsiString& title, const AnsiString& filter, AnsiString& fileName) {
    TSaveDialog dialog;
    dialog.Title = title;
    dialog.Options = {ofOverwritePrompt, ofPathMustExist};
    dialog.Filter = filter;
    if (!dialog.Execute()) return false;
    fileName = dialog.FileName;
    return true;
}

bool TWindowExportDialogs::AskReplace(const AnsiString& question) {
    return MessageDlg(question, mtConfirmation, {mbYes, mbNo}, 0) == mrYes;
}

void TWindowExportDialogs::ShowError(const AnsiString& text) {
    MessageDlg(text, mtError, {mbOK}, 0);
}

void TWindowExportDialogs::ShowSuccess(const AnsiString& text) {
    MessageDlg(text, mtInformation, {mbOK}, 0);
}
