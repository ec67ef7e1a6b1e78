#include "app/ExportFlow.h"

#include "framework/Exception.h"
#include "framework/SysUtils.h"
#include "platform/winapi.h"
#include "regscan/RegExport.h"

namespace {

bool IsExistingFile(const AnsiString& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The forced name keeps the chosen one up to its extension, so the two name
// one file exactly when the chosen extension was ".xml" in any letter case
// (file names ignore case on Windows).
bool IsSameFileName(const AnsiString& chosen, const AnsiString& forced) {
    if (chosen.size() != forced.size()) return false;
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (AsciiLower(chosen[i]) != AsciiLower(forced[i])) return false;
    return true;
}

// The dialog asked about replacing the name as typed. When forcing ".xml"
// named another file that exists, ask about that one too; false: keep it.
bool MayWriteForcedName(TExportDialogs& dialogs, const AnsiString& chosen, const AnsiString& forced) {
    if (IsSameFileName(chosen, forced) || !IsExistingFile(forced)) return true;
    return dialogs.AskReplace(Format("The file %s already exists. Do you want to replace it?", forced.c_str()));
}

}  // namespace

AnsiString ScanAndSaveWith(TExportDialogs& dialogs) {
    try {
        TRegScanner scanner;
        ScanBoth(scanner);

        AnsiString chosen;
        if (!dialogs.ChooseFileName("Save Xml Registry Parameter File", "XML files (*.xml)|*.xml", chosen))
            return AnsiString();
        const AnsiString path = ChangeFileExt(chosen, ".xml");
        if (!MayWriteForcedName(dialogs, chosen, path)) return AnsiString();
        scanner.saveXml(path);
        return path;
    } catch (const Exception& exception) {
        // The message is an argument, never a format: a "%" in it stays as it is.
        dialogs.ShowError(
            Format("An error occurred saving the registry parameter file: %s", exception.Message().c_str()));
        return AnsiString();
    }
}

void ConfirmSaved(TExportDialogs& dialogs, const AnsiString& path) {
    if (!path.empty()) dialogs.ShowSuccess("You successfully stored the registry settings");
}
