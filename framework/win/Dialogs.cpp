#include "framework/win/Dialogs.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "framework/Exception.h"
#include "framework/SysUtils.h"
#include "framework/WideString.h"
#include "framework/win/MessageLoop.h"

namespace {

struct TOptionFlag {
    TOpenOption option;
    DWORD flag;
};

const TOptionFlag kOptionFlags[] = {
    {ofReadOnly, OFN_READONLY},
    {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
    {ofHideReadOnly, OFN_HIDEREADONLY},
    {ofNoChangeDir, OFN_NOCHANGEDIR},
    {ofNoValidate, OFN_NOVALIDATE},
    {ofPathMustExist, OFN_PATHMUSTEXIST},
    {ofFileMustExist, OFN_FILEMUSTEXIST},
    {ofCreatePrompt, OFN_CREATEPROMPT},
    {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
    {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
    {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
    {ofEnableSizing, OFN_ENABLESIZING},
    {ofDontAddToRecent, OFN_DONTADDTORECENT},
    {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
};

// Room for a long path; the dialog fails rather than truncate.
constexpr size_t kFileNameCapacity = 32768;

}  // namespace

DWORD OpenOptionFlags(const TOpenOptions& options) {
    DWORD flags = 0;
    for (const TOptionFlag& entry : kOptionFlags)
        if (options.count(entry.option)) flags |= entry.flag;
    return flags;
}

std::wstring CommonDialogFilter(const AnsiString& filter) {
    if (filter.empty()) return std::wstring();
    const WideString wide(filter.c_str());
    std::wstring result(wide.c_bstr(), wide.Length());
    // In UTF-16 no part of another character is a bar (ポ is 83 7C in 932).
    std::replace(result.begin(), result.end(), L'|', L'\0');
    result.append(2, L'\0');
    return result;
}

bool TOpenDialog::Execute() {
    return ExecuteWith(&GetOpenFileNameW);
}

bool TSaveDialog::Execute() {
    return ExecuteWith(&GetSaveFileNameW);
}

// The W dialog: the A one hands back the typed name in a best-fit ANSI form
// (Ω as O under 1252), which can name another file than the one its
// overwrite prompt asked about.
bool TOpenDialog::ExecuteWith(BOOL(WINAPI* show)(OPENFILENAMEW*)) {
    std::vector<WCHAR> file(kFileNameCapacity, L'\0');
    const WideString initial(FileName.c_str());
    std::copy_n(initial.c_bstr(), std::min<std::size_t>(initial.Length(), file.size() - 1), file.begin());
    const std::wstring filter = CommonDialogFilter(Filter);
    const WideString title(Title.c_str());

    OPENFILENAMEW request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = DialogOwner();
    request.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    request.nFilterIndex = static_cast<DWORD>(FilterIndex);
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    // Null when empty: the dialog's own title.
    request.lpstrTitle = title.c_bstr();
    // The process's current folder is nobody's business but its own.
    request.Flags = OpenOptionFlags(Options) | OFN_EXPLORER | OFN_NOCHANGEDIR;

    if (!show(&request)) {
        DWORD error = CommDlgExtendedError();
        if (error != 0) throw Exception(Format("The file dialog failed (error 0x%lx).", error));
        return false;
    }
    FileName = AnsiFileName(file.data(), wcslen(file.data()));
    FilterIndex = static_cast<int>(request.nFilterIndex);
    return true;
}
