#include "app/Mainform.h"

#include "app/Msxmltestform.h"

TForm1* Form1 = nullptr;

namespace {

const TFormLayout kForm1Layout = {"TForm1", "Calderine -- ORVEX registry scan utility", 406, 111, 522, 457};

// In creation (z-) order: id, left, top, width, height, text, added style, tab order.
const TControlLayout kLabel1Layout = {1001, 16, 288, 138, 13, "Location of saved setting file:", 0, kNoTabStop};
const TControlLayout kButton1Layout = {1002, 16, 216, 377, 57, "Begin Scan of Registry", 0, 0};
const TControlLayout kMemo1Layout = {1003, 16, 8, 473, 185, "", WS_VSCROLL, 1};
const TControlLayout kEdtLocationLayout = {1004, 16, 312, 465, 21, "", 0, 2};

}  // namespace

TForm1::TForm1() : TForm(kForm1Layout) {
    Label1 = AddControl<TLabel>(kLabel1Layout);
    Button1 = AddControl<TButton>(kButton1Layout);
    Memo1 = AddControl<TMemo>(kMemo1Layout);
    edtLocation = AddControl<TEdit>(kEdtLocationLayout);
    Memo1->SetLines({
        "The purpose of this program is to be able to copy the settings used by the Calderine ORVEX ",
        "software into a file. That file can then be copied to a new installation or a new computer and ",
        "copied into the computer registry of the new site.",
        "",
        "When the button below is pushed, a dialog window will open asking you for a file name and ",
        "location for the file about to be created, like saving a word processing file.",
        "",
        "If the file is successfully saved, the location of the file will show up below the button. You may ",
        "copy that file name to use in an email as a file attachment.",
    });
    Button1->OnClick = MakeEvent(this, &TForm1::Button1Click);
    ActiveControl = Button1;
}

TForm1::~TForm1() = default;

void TForm1::Button1Click(TObject*) {
    if (!CheckMsXmlLibrary()) return;
    // A failed or cancelled run never leaves an earlier path on show.
    edtLocation->SetText("");
    const AnsiString path = ScanAndSave();
    edtLocation->SetText(path);
    ConfirmSaved(dialogs_, path);
}

AnsiString TForm1::ScanAndSave() {
    return ScanAndSaveWith(dialogs_);
}
