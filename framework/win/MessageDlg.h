// The framework's message box: a text, a type, a set of buttons.
#pragma once

#include <set>

#include "framework/AnsiString.h"
#include "framework/win/Controls.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel };
typedef std::set<TMsgDlgBtn> TMsgDlgButtons;

// Shows a message box modal to the application and returns the button
// pressed (mrOk, mrYes, mrNo, mrCancel). `helpContext` is accepted for
// compatibility; there is no help file.
TModalResult MessageDlg(const AnsiString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, int helpContext);

// The MessageBoxA style for a type and a set of buttons; throws Exception
// for a set the system box cannot show.
UINT MessageDlgStyle(TMsgDlgType type, const TMsgDlgButtons& buttons);
