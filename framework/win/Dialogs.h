// The standard file dialogs over the system's common dialogs.
#pragma once

#include <set>
#include <string>

#include "framework/AnsiString.h"
#include "framework/win/Classes.h"
#include "platform/winapi.h"
// After windows.h, which leaves it out under WIN32_LEAN_AND_MEAN.
#include <commdlg.h>

// Each option is one OFN_ flag of the common dialog.
enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofNoValidate,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoDereferenceLinks,
    ofEnableSizing,
    ofDontAddToRecent,
    ofForceShowHidden,
};
typedef std::set<TOpenOption> TOpenOptions;

// The OFN_ flags of `options`.
DWORD OpenOptionFlags(const TOpenOptions& options);
// "desc|pattern|desc|pattern" (ANSI) as the common dialog's list of
// NUL-terminated UTF-16 strings ending in a second NUL.
std::wstring CommonDialogFilter(const AnsiString& filter);

class TOpenDialog : public TObject {
public:
    // Shows the dialog modal to the application; true when the user chose a
    // file (its full path is then in FileName), false on cancel. Throws
    // Exception when the dialog itself fails, and when the chosen name has
    // characters that the ANSI code page lacks (AnsiFileName).
    virtual bool Execute();

    AnsiString Title;
    TOpenOptions Options{ofHideReadOnly};
    AnsiString Filter;
    int FilterIndex = 1;
    AnsiString FileName;

protected:
    bool ExecuteWith(BOOL(WINAPI* show)(OPENFILENAMEW*));
};

class TSaveDialog : public TOpenDialog {
public:
    bool Execute() override;
};
