// The check that the XML 4.0 DOM document can be created, and the notice
// window shown when it cannot.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/Forms.h"

class TTMsXmlTestForm : public TForm {
public:
    TTMsXmlTestForm();
    ~TTMsXmlTestForm() override;

    TMemo* Memo1 = nullptr;
    TButton* cmdClose = nullptr;
};

extern TTMsXmlTestForm* TMsXmlTestForm;

// True when the XML document component can be created; otherwise shows the
// notice window modally and returns false. Throws nothing of its own.
bool CheckMsXmlLibrary();
