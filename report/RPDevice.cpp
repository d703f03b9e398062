#include "RPDevice.h"

#include <cmath>

#include "platform/SysUtils.h"

namespace {

std::unique_ptr<TRPBaseDevice>& GlobalSlot() {
    static std::unique_ptr<TRPBaseDevice> device;
    return device;
}

std::vector<std::string> Names(const std::vector<TPrinterPaper>& list) {
    std::vector<std::string> names;
    for (const auto& p : list) names.push_back(p.Name);
    return names;
}

}  // namespace

// ---- base device ----

TRPBaseDevice::TRPBaseDevice() {
    pageHeight_ = int(std::lround(11 * 96.0));
    pageWidth_ = int(std::lround(8.5 * 96.0));
}

void TRPBaseDevice::GetUnprintableMargins(int& left, int& top, int& right, int& bottom) {
    left = top = right = bottom = 0;
}

bool TRPBaseDevice::SelectBin(const std::string& name, bool) {
    binName_ = name;
    return true;
}

bool TRPBaseDevice::SelectPaper(const std::string& name, bool) {
    paperName_ = name;
    return true;
}

void TRPBaseDevice::GetPaperExtents(TSize&, TSize&) {}

bool TRPBaseDevice::SetPaperSize(int, int width, int length) {
    if (width != 0 && length != 0) {
        pageWidth_ = int(std::lround(XDPI() * double(width) / 254));
        pageHeight_ = int(std::lround(YDPI() * double(length) / 254));
    } else {
        pageWidth_ = int(std::lround(8.5 * XDPI()));
        pageHeight_ = int(std::lround(11.0 * YDPI()));
    }
    return true;
}

// ---- pure helpers ----

int FindDefaultPrinter(const std::vector<std::string>& names, const std::string& defaultName) {
    if (names.empty()) return -2;
    if (!defaultName.empty())
        for (size_t i = 0; i < names.size(); ++i)
            if (SameText(names[i], defaultName)) return int(i);
    return int(names.size()) - 1;
}

int FindListEntry(const std::vector<std::string>& entries, const std::string& name, bool exact) {
    std::string upper = UpperCase(name);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (exact ? entries[i] == name : UpperCase(entries[i]).find(upper) != std::string::npos)
            return int(i);
    }
    return -1;
}

// ---- printer device ----

TRPPrinterDevice::TRPPrinterDevice(std::unique_ptr<TPrinter> printer)
    : printer_(std::move(printer)) {
    if (!printer_) nullCanvas_ = std::make_unique<TNullPrintCanvas>();
}

TRPPrinterDevice::~TRPPrinterDevice() {
    if (printer_ && begun_) printer_->AbortDocument();
}

void TRPPrinterDevice::RequireNotPrinting() {
    if (printing_) RaiseError(Trans(SDevicePrinting));
}

void TRPPrinterDevice::RequirePrinting() {
    if (!printing_) RaiseError(Trans(SDeviceNotPrinting));
}

TPrintCanvas& TRPPrinterDevice::Canvas() {
    return printer_ ? printer_->Canvas() : *nullCanvas_;
}

int TRPPrinterDevice::XDPI() {
    int r = HasDevMode() ? printer_->Resolution() : 0;
    return r > 0 ? r : 100;
}

int TRPPrinterDevice::YDPI() {
    return XDPI();
}

const std::vector<TRPDeviceItem>& TRPPrinterDevice::Printers() {
    if (!printersBuilt_) {
        printersBuilt_ = true;
        if (printer_)
            for (const std::string& name : printer_->PrinterNames())
                printers_.push_back({name, "", ""});
    }
    return printers_;
}

const std::vector<TPrinterPaper>& TRPPrinterDevice::Bins() {
    if (!binsBuilt_ && HasDevMode()) {
        binsBuilt_ = true;
        bins_ = printer_->Bins();
    }
    return bins_;
}

void TRPPrinterDevice::ForgetPaperLists() {
    papers_.clear();
    papersBuilt_ = false;
    bins_.clear();
    binsBuilt_ = false;
}

const std::vector<TPrinterPaper>& TRPPrinterDevice::Papers() {
    if (!papersBuilt_ && HasDevMode()) {
        papersBuilt_ = true;
        papers_ = printer_->Papers();
    }
    return papers_;
}

const std::vector<std::string>& TRPPrinterDevice::Fonts() {
    if (!fontsBuilt_ && printer_) {
        fontsBuilt_ = true;
        fonts_ = printer_->Fonts();
    }
    return fonts_;
}

int TRPPrinterDevice::PrinterIndex() {
    if (index_ < 0) {
        index_ = -2;
        std::vector<std::string> names;
        for (const auto& item : Printers()) names.push_back(item.Device);
        int chosen = FindDefaultPrinter(names, printer_ ? printer_->DefaultPrinterName() : "");
        if (chosen >= 0) LoadPrinter(chosen);
    }
    return index_;
}

void TRPPrinterDevice::SetPrinterIndex(int index) {
    RequireNotPrinting();
    noPrinters_ = false;
    if (index == index_ || index < -1 || index >= int(Printers().size())) return;
    if (index == -1) {
        index_ = -2;
        PrinterIndex();
        return;
    }
    LoadPrinter(index);
}

void TRPPrinterDevice::LoadPrinter(int index) {
    const TRPDeviceItem& item = Printers()[size_t(index)];
    ForgetPaperLists();
    fonts_.clear();
    fontsBuilt_ = false;
    device_ = item.Device;
    driver_ = item.Driver;
    port_ = item.Port;
    index_ = index;
    queueLoaded_ = printer_->SetPrinterName(item.Device);
    if (!outputFile_.empty()) printer_->SetOutputFileName(outputFile_);
}

void TRPPrinterDevice::SetOutputFileName(const std::string& fileName) {
    RequireNotPrinting();
    outputFile_ = fileName;
    ForgetPaperLists();
    if (printer_) printer_->SetOutputFileName(fileName);
}

void TRPPrinterDevice::PrinterSetupChanged() {
    RequireNotPrinting();
    if (!printer_) return;
    printer_->SetupChanged();
    outputFile_ = printer_->OutputFileName();
    ForgetPaperLists();
    fonts_.clear();
    fontsBuilt_ = false;
    noPrinters_ = false;
    std::string name = printer_->PrinterName();
    const auto& list = Printers();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].Device == name) {
            index_ = int(i);
            device_ = name;
            driver_.clear();
            port_.clear();
            queueLoaded_ = true;
            return;
        }
    }
}

bool TRPPrinterDevice::NoPrinters() {
    if (!printer_) return true;
    if (!outputFile_.empty()) return false;
    if (noPrinters_) return true;
    if (Printers().empty() || PrinterIndex() < 0) noPrinters_ = true;
    return noPrinters_;
}

bool TRPPrinterDevice::HasDevMode() {
    if (NoPrinters()) return false;
    if (outputFile_.empty() && !queueLoaded_) return false;
    return printer_->IsValid();
}

int TRPPrinterDevice::GetOrientation() {
    return HasDevMode() && printer_->Landscape() ? 1 : 0;
}

void TRPPrinterDevice::SetOrientation(int code) {
    if (code != 0 && code != 1) return;
    if (HasDevMode() && GetOrientation() != code) printer_->SetLandscape(code == 1);
}

int TRPPrinterDevice::MaxCopies() {
    if (NoPrinters() || !HasDevMode()) return 1;
    return printer_->SupportsMultipleCopies() ? 999 : 1;
}

void TRPPrinterDevice::SetCopies(int copies) {
    RequireNotPrinting();
    if (copies < 1 || copies > MaxCopies() || !HasDevMode()) return;
    if (printer_->CopyCount() != copies) printer_->SetCopyCount(copies);
}

int TRPPrinterDevice::GetCopies() {
    if (!HasDevMode()) return 1;
    int c = printer_->CopyCount();
    return c > 0 ? c : 1;
}

void TRPPrinterDevice::SetDuplex(int code) {
    RequireNotPrinting();
    if (SupportsDuplex() && code >= 0 && code <= 2 && GetDuplex() != code)
        printer_->SetDuplex(code);
}

int TRPPrinterDevice::GetDuplex() {
    return HasDevMode() ? printer_->Duplex() : 0;
}

void TRPPrinterDevice::SetCollate(bool collate) {
    RequireNotPrinting();
    if (SupportsCollate() && GetCollate() != collate) printer_->SetCollate(collate);
}

bool TRPPrinterDevice::GetCollate() {
    return HasDevMode() && printer_->Collate();
}

int TRPPrinterDevice::PageHeight() {
    ApplyPendingChanges();
    return HasDevMode() ? printer_->PageSizePixels().cy : pageHeight_;
}

int TRPPrinterDevice::PageWidth() {
    ApplyPendingChanges();
    return HasDevMode() ? printer_->PageSizePixels().cx : pageWidth_;
}

int TRPPrinterDevice::TextWidth(const std::string& text) {
    if (text.empty()) return 1;
    int w = Canvas().TextWidth(text);
    return w == 0 ? 1 : w;
}

void TRPPrinterDevice::RaisePrinterFailure() {
    std::string msg = Trans(SInvalidPrinter);
    msg = StringReplaceAll(msg, "%0:s", device_.empty() ? outputFile_ : device_);
    msg = StringReplaceAll(msg, "%1:s", port_);
    msg = StringReplaceAll(msg, "%2:s", driver_);
    const std::string reason = printer_ ? printer_->ErrorText() : std::string();
    if (!reason.empty()) msg += "\r" + reason;
    RaiseError(msg);
}

void TRPPrinterDevice::StartPage() {
    if (!begun_) {
        if (!printer_ || !printer_->BeginDocument()) RaisePrinterFailure();
        begun_ = true;
    } else if (!printer_->NewPage()) {
        RaisePrinterFailure();
    }
    pageOpen_ = true;
}

void TRPPrinterDevice::BeginDoc() {
    StartDoc();
    StartPage();
}

void TRPPrinterDevice::StartDoc() {
    RequireNotPrinting();
    if (printer_) PrinterIndex();  // the printer is settled before the document opens
    ApplyPendingChanges();
    printing_ = true;
    aborted_ = false;
    begun_ = false;
    pageOpen_ = false;
    if (printer_) printer_->SetDocName(Title);
}

void TRPPrinterDevice::EndDoc() {
    RequirePrinting();
    pageOpen_ = false;
    bool begun = begun_;
    begun_ = false;
    printing_ = false;
    bool aborted = aborted_;
    aborted_ = false;
    // A job the print system refuses is lost: that is an error, not a quiet success.
    if (begun && !aborted && !printer_->EndDocument()) RaisePrinterFailure();
}

void TRPPrinterDevice::AbortDoc() {
    RequirePrinting();
    std::string left;  // what the abort could not drop: a queue's job left held
    if (begun_) {
        printer_->AbortDocument();
        left = printer_->ErrorText();
    }
    aborted_ = true;
    EndDoc();
    if (!left.empty()) RaiseError(left);
}

void TRPPrinterDevice::NewPage() {
    RequirePrinting();
    pageOpen_ = false;
    StartPage();
}

void TRPPrinterDevice::NewPageOutput(bool output) {
    RequirePrinting();
    pageOpen_ = false;
    if (output) StartPage();
}

bool TRPPrinterDevice::SelectBin(const std::string& name, bool exact) {
    const auto& bins = Bins();
    int i = FindListEntry(Names(bins), name, exact);
    if (i < 0 || !HasDevMode()) return false;
    if (printer_->BinNumber() != bins[size_t(i)].Number)
        printer_->SetBinNumber(bins[size_t(i)].Number);
    return true;
}

bool TRPPrinterDevice::SelectPaper(const std::string& name, bool exact) {
    RequireNotPrinting();
    const auto& papers = Papers();
    int i = FindListEntry(Names(papers), name, exact);
    if (i < 0 || !HasDevMode()) return false;
    if (printer_->PaperNumber() != papers[size_t(i)].Number)
        printer_->SetPaperNumber(papers[size_t(i)].Number);
    return true;
}

void TRPPrinterDevice::GetPaperExtents(TSize& minimum, TSize& maximum) {
    if (!HasDevMode()) return;
    printer_->PaperExtents(minimum, maximum);
}

bool TRPPrinterDevice::SetPaperSize(int size, int width, int length) {
    RequireNotPrinting();
    if (!HasDevMode()) return false;
    if (width == 0 || length == 0) {
        if (!SupportsPaperSize(size) || printer_->PaperNumber() == size) return false;
        return printer_->SetPaperNumber(size);
    }
    if (!printer_->SupportsCustomPaper()) return false;
    TSize lo, hi;
    printer_->PaperExtents(lo, hi);
    if (width < lo.cx || width > hi.cx || length < lo.cy || length > hi.cy) return false;
    TSize now = printer_->PaperTenthsMm();
    if (printer_->PaperNumber() == 256 && now.cx == width && now.cy == length) return false;
    return printer_->SetCustomPaper(width, length);
}

bool TRPPrinterDevice::SupportsBin(int number) {
    if (!HasDevMode()) return false;
    for (const auto& bin : Bins())
        if (bin.Number == number) return true;
    return false;
}

bool TRPPrinterDevice::SupportsPaperSize(int number) {
    if (!HasDevMode()) return false;
    if (number == 256) return printer_->SupportsCustomPaper();
    for (const auto& p : Papers())
        if (p.Number == number) return true;
    return false;
}

bool TRPPrinterDevice::SupportsDuplex() {
    return HasDevMode() && printer_->SupportsDuplex();
}

// ---- the process-wide device ----

TRPBaseDevice& GlobalDevice() {
    auto& slot = GlobalSlot();
    if (!slot) {
        slot = std::make_unique<TRPPrinterDevice>(CreatePrinter());
        AddPrinterRelease([] { GlobalSlot().reset(); });
    }
    return *slot;
}

TRPPrinterDevice* GlobalPrinterDevice() {
    return dynamic_cast<TRPPrinterDevice*>(&GlobalDevice());
}

void SetGlobalDevice(std::unique_ptr<TRPBaseDevice> device) {
    GlobalSlot() = std::move(device);
}
