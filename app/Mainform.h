// The main window: instructions, the one command, and the location of the
// file the latest run wrote.
#pragma once

#include "app/WindowExportDialogs.h"
#include "framework/AnsiString.h"
#include "framework/win/Controls.h"
#include "framework/win/Forms.h"

class TForm1 : public TForm {
public:
    TForm1();
    ~TForm1() override;

    TButton* Button1 = nullptr;
    TMemo* Memo1 = nullptr;
    TEdit* edtLocation = nullptr;
    TLabel* Label1 = nullptr;
    void Button1Click(TObject* Sender);

private:
    // Scans both subtrees, asks where to save and writes the file; the path
    // written, or empty when nothing was (cancel or a reported failure).
    AnsiString ScanAndSave();

    // What a run asks and shows; the success box after it comes from the same object.
    TWindowExportDialogs dialogs_;
};

extern TForm1* Form1;
