#include "framework/win/MessageDlg.h"

#include "framework/Exception.h"
#include "framework/win/MessageLoop.h"

namespace {

struct TTypeStyle {
    TMsgDlgType type;
    UINT icon;
    const char* caption;
};

const TTypeStyle kTypeStyles[] = {
    {mtWarning, MB_ICONWARNING, "Warning"},
    {mtError, MB_ICONERROR, "Error"},
    {mtInformation, MB_ICONINFORMATION, "Information"},
    {mtConfirmation, MB_ICONQUESTION, "Confirm"},
};

struct TButtonsStyle {
    TMsgDlgButtons buttons;
    UINT style;
};

const TButtonsStyle kButtonStyles[] = {
    {{mbOK}, MB_OK},
    {{mbOK, mbCancel}, MB_OKCANCEL},
    {{mbYes, mbNo}, MB_YESNO},
    {{mbYes, mbNo, mbCancel}, MB_YESNOCANCEL},
};

const TTypeStyle& TypeStyle(TMsgDlgType type) {
    for (const TTypeStyle& entry : kTypeStyles)
        if (entry.type == type) return entry;
    return kTypeStyles[0];
}

}  // namespace

UINT MessageDlgStyle(TMsgDlgType type, const TMsgDlgButtons& buttons) {
    for (const TButtonsStyle& entry : kButtonStyles)
        if (entry.buttons == buttons) return entry.style | TypeStyle(type).icon;
    throw Exception("MessageDlg: this set of buttons cannot be shown.");
}

TModalResult MessageDlg(const AnsiString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, int) {
    const UINT style = MessageDlgStyle(type, buttons);
    // The box's command identifiers are the modal results.
    return MessageBoxA(DialogOwner(), text.c_str(), TypeStyle(type).caption, style);
}
