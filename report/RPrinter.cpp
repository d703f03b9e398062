#include "RPrinter.h"

#include "platform/Messages.h"

bool TPrintReport::Start() {
    if (!HasPrinter()) {
        MessageDlg(Trans(SNoPrinters), TMsgDlgType::mtError, mbOK);
        return false;
    }
    RequireNotPrinting();
    startTime_ = Now();
    currentPage_ = 0;
    DoBeforePrint();
    Device().Title = Title;
    Device().StartDoc();
    AttachFont();
    RecalcPage();
    printing_ = true;
    ResetState();
    currentPage_ = 1;
    noOutput_ = !PageInSelection(1);
    Device().NewPageOutput(!noOutput_);
    ExpandStatusFormat();
    RunHooks(0);
    DoNewPage();
    DoPrintHeader();
    return true;
}

void TPrintReport::Finish() {
    DoPrintFooter();
    RunHooks(1);
    DetachFont();
    FreeJobState();
    Device().EndDoc();
    printing_ = false;
    DoAfterPrint();
}

void TPrintReport::NewPage() {
    DoPrintFooter();
    RunHooks(1);
    TCanvasReport::NewPage();
    RunHooks(0);
    DoNewPage();
    if (Columns() > 1) DoNewColumn();
    DoPrintHeader();
}
