#include "app/Msxmltestform.h"

#include <memory>

#include "com/MSXML2_TLB.h"
#include "framework/SysUtils.h"

TTMsXmlTestForm* TMsXmlTestForm = nullptr;

namespace {

const TFormLayout kNoticeLayout = {"TTMsXmlTestForm", "Microsoft Xml Library Not Found", 305, 325, 492, 271};

// In creation (z-) order: id, left, top, width, height, text, added style, tab order.
const TControlLayout kMemo1Layout = {1001, 16, 16, 449, 169, "", 0, 0};
const TControlLayout kCmdCloseLayout = {1002, 376, 200, 75, 25, "OK", 0, 1};

}  // namespace

TTMsXmlTestForm::TTMsXmlTestForm() : TForm(kNoticeLayout) {
    Memo1 = AddControl<TMemo>(kMemo1Layout);
    cmdClose = AddControl<TButton>(kCmdCloseLayout);
    Memo1->SetFont("MS Sans Serif", -13);
    Memo1->SetLines({
        "This program requires the Microsoft XML software version 4. Please install ",
        "before continuing to use this program.",
        " ",
    });
    cmdClose->ModalResult = mrOk;
    ActiveControl = Memo1;
}

TTMsXmlTestForm::~TTMsXmlTestForm() = default;

bool CheckMsXmlLibrary() {
    IXMLDOMDocumentPtr document;
    const HRESULT status = CoClassCreator::CoCreateInstance(Msxml2_tlb::CLSID_DOMDocument40, IID_IXMLDOMDocument,
                                                            reinterpret_cast<LPVOID*>(&document));
    // The document was only a probe; the holder lets it go.
    if (SUCCEEDED(status)) return true;

    auto notice = std::make_unique<TTMsXmlTestForm>();
    if (status != REGDB_E_CLASSNOTREG) {
        // The creation status says what went wrong; the thread's last error
        // need not have anything to do with it.
        const unsigned long code = static_cast<unsigned long>(status);
        notice->Memo1->SetText(
            Format("Failure creating an XML document (%lx): %s", code, SysErrorMessage(code).c_str()));
    }
    notice->ShowModal();
    return false;
}
