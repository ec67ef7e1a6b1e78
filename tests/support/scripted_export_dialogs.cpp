#include "support/scripted_export_dialogs.h"

#include "framework/SysUtils.h"
#include "framework/WideString.h"

std::ostream& operator<<(std::ostream& out, const TExportBox& box) {
    const char* const names[] = {"save dialog", "replace question", "error box", "success box"};
    out << names[static_cast<int>(box.what)] << " \"" << box.text << "\"";
    if (!box.filter.empty()) out << " filter \"" << box.filter << "\"";
    return out;
}

TExportBox SaveDialogShown() {
    return {TExportShown::SaveDialog, "Save Xml Registry Parameter File", "XML files (*.xml)|*.xml"};
}

TExportBox ReplaceAsked(const std::string& path) {
    return {TExportShown::ReplaceQuestion, "The file " + path + " already exists. Do you want to replace it?", ""};
}

TExportBox ErrorShown(const std::string& message) {
    return {TExportShown::ErrorBox, "An error occurred saving the registry parameter file: " + message, ""};
}

TExportBox SuccessShown() {
    return {TExportShown::SuccessBox, "You successfully stored the registry settings", ""};
}

bool TScriptedExportDialogs::ChooseFileName(const AnsiString& title, const AnsiString& filter, AnsiString& fileName) {
    shown_.push_back({TExportShown::SaveDialog, title, filter});
    if (fileName_.empty()) return false;
    // As the framework's save dialog hands it on: exactly, or an Exception.
    fileName = AnsiFileName(reinterpret_cast<const WCHAR*>(fileName_.data()), fileName_.size());
    return true;
}

bool TScriptedExportDialogs::AskReplace(const AnsiString& question) {
    shown_.push_back({TExportShown::ReplaceQuestion, question, ""});
    return replace_;
}

void TScriptedExportDialogs::ShowError(const AnsiString& text) {
    shown_.push_back({TExportShown::ErrorBox, text, ""});
}

void TScriptedExportDialogs::ShowSuccess(const AnsiString& text) {
    shown_.push_back({TExportShown::SuccessBox, text, ""});
}

TExportRun RunScriptedExport(const std::string& fileName, bool replace) {
    const WideString wide(fileName.c_str());
    const auto* units = reinterpret_cast<const char16_t*>(wide.c_bstr());
    return RunScriptedExport(units ? std::u16string(units, wide.Length()) : std::u16string(), replace);
}

TExportRun RunScriptedExport(const std::u16string& fileName, bool replace) {
    TScriptedExportDialogs dialogs(fileName, replace);
    TExportRun run;
    run.path = ScanAndSaveWith(dialogs);
    ConfirmSaved(dialogs, run.path);
    run.shown = dialogs.shown();
    return run;
}
