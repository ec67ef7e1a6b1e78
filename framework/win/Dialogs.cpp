#include "framework/win/Dialogs.h"

#include <vector>

#include "framework/Exception.h"
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

AnsiString CommonDialogFilter(const AnsiString& filter) {
    if (filter.empty()) return AnsiString();
    AnsiString result = filter;
    // A "|" that is the second byte of a double-byte character stays.
    const char* const start = filter.c_str();
    for (const char* at = start; *at != '\0'; at = CharNextExA(CP_ACP, at, 0))
        if (*at == '|') result[static_cast<std::size_t>(at - start)] = '\0';
    result.push_back('\0');
    result.push_back('\0');
    return result;
}

bool TOpenDialog::Execute() {
    return ExecuteWith(&GetOpenFileNameA);
}

bool TSaveDialog::Execute() {
    return ExecuteWith(&GetSaveFileNameA);
}

bool TOpenDialog::ExecuteWith(BOOL(WINAPI* show)(OPENFILENAMEA*)) {
    std::vector<char> file(kFileNameCapacity, '\0');
    FileName.copy(file.data(), file.size() - 1);
    const AnsiString filter = CommonDialogFilter(Filter);

    OPENFILENAMEA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = DialogOwner();
    request.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    request.nFilterIndex = static_cast<DWORD>(FilterIndex);
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    // The process's current folder is nobody's business but its own.
    request.Flags = OpenOptionFlags(Options) | OFN_EXPLORER | OFN_NOCHANGEDIR;

    if (!show(&request)) {
        DWORD error = CommDlgExtendedError();
        if (error != 0) throw Exception(Format("The file dialog failed (error 0x%lx).", error));
        return false;
    }
    FileName = file.data();
    FilterIndex = static_cast<int>(request.nFilterIndex);
    return true;
}
