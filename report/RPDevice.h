// The output device: resolution, paper, printers, settings and the document calls behind
// which the report engine reaches the printer. TRPBaseDevice gives every operation a neutral
// answer; TRPPrinterDevice works on a system printer (a print queue or a PDF file).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "RPDefine.h"
#include "platform/Printer.h"

// One entry of the printer list.
struct TRPDeviceItem {
    std::string Device;
    std::string Driver;
    std::string Port;
};

class TRPBaseDevice {
public:
    TRPBaseDevice();
    virtual ~TRPBaseDevice() = default;
    TRPBaseDevice(const TRPBaseDevice&) = delete;
    TRPBaseDevice& operator=(const TRPBaseDevice&) = delete;

    std::string Title;
    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }

    virtual TPrintCanvas& Canvas() = 0;
    virtual int XDPI() { return 96; }
    virtual int YDPI() { return 96; }
    virtual void GetUnprintableMargins(int& left, int& top, int& right, int& bottom);
    virtual const std::vector<TPrinterPaper>& Bins() { return emptyPapers_; }
    virtual const std::vector<TPrinterPaper>& Papers() { return emptyPapers_; }
    virtual const std::vector<std::string>& Fonts() { return emptyNames_; }
    virtual const std::vector<TRPDeviceItem>& Printers() { return emptyItems_; }
    // Orientation codes: 0 portrait, 1 landscape, 2 the device's own setting.
    virtual int GetOrientation() { return orientation_; }
    virtual void SetOrientation(int code) { orientation_ = code; }
    virtual int MaxCopies() { return 1; }
    virtual void SetCopies(int copies) { copies_ = copies; }
    virtual int GetCopies() { return copies_; }
    virtual void SetDuplex(int code) { duplex_ = code; }
    virtual int GetDuplex() { return duplex_; }
    virtual void SetCollate(bool collate) { collate_ = collate; }
    virtual bool GetCollate() { return collate_; }
    virtual int PageHeight() { return pageHeight_; }
    virtual int PageWidth() { return pageWidth_; }
    virtual int TextWidth(const std::string&) { return 0; }
    virtual void PassThrough(const void*, int) {}
    virtual void BeginDoc() {}
    virtual void StartDoc() {}
    virtual void EndDoc() {}
    virtual void AbortDoc() {}
    virtual void NewPage() {}
    virtual void NewPageOutput(bool) {}
    virtual bool SelectBin(const std::string& name, bool exact);
    virtual bool SelectPaper(const std::string& name, bool exact);
    virtual void GetPaperExtents(TSize& minimum, TSize& maximum);
    // Width and length in tenths of a millimetre; 0 for either means the standard `size`.
    virtual bool SetPaperSize(int size, int width, int length);
    virtual bool SupportsBin(int) { return true; }
    virtual bool SupportsPaperSize(int) { return true; }
    virtual bool SupportsOrientation() { return true; }
    virtual bool SupportsDuplex() { return true; }
    virtual bool SupportsCollate() { return true; }

    // Whether there is a printer to print on (a print queue, a PDF file or a test device).
    virtual bool HasPrinter() { return false; }
    // Settings changed since the last page take effect on the next one; this brings them into
    // the page geometry now when no page is being drawn.
    virtual void ApplyPendingChanges() {}
    // Names for the status line.
    virtual std::string DeviceName() { return {}; }
    virtual std::string DriverName() { return {}; }
    virtual std::string PortName() { return {}; }

protected:
    bool printing_ = false;
    bool aborted_ = false;
    int orientation_ = 1;
    int copies_ = 1;
    int duplex_ = 0;
    bool collate_ = false;
    int pageHeight_ = 0;
    int pageWidth_ = 0;
    std::string binName_;
    std::string paperName_;

private:
    std::vector<TPrinterPaper> emptyPapers_;
    std::vector<std::string> emptyNames_;
    std::vector<TRPDeviceItem> emptyItems_;
};

// The printer chosen by default: the first whose name matches `defaultName` ignoring case,
// else the last; -2 when there is none.
int FindDefaultPrinter(const std::vector<std::string>& names, const std::string& defaultName);
// The first entry equal to `name` (exact) or holding it in any case (not exact); -1 for none.
int FindListEntry(const std::vector<std::string>& entries, const std::string& name, bool exact);

// The system printer. PDF output counts as a printer: with an output file name set, a job
// prints to that file even where the print system has no queues.
class TRPPrinterDevice : public TRPBaseDevice {
public:
    // Without a printer (headless programs) the device has no printers at all.
    explicit TRPPrinterDevice(std::unique_ptr<TPrinter> printer);
    ~TRPPrinterDevice() override;

    TPrintCanvas& Canvas() override;
    int XDPI() override;
    int YDPI() override;
    const std::vector<TPrinterPaper>& Bins() override;
    const std::vector<TPrinterPaper>& Papers() override;
    const std::vector<std::string>& Fonts() override;
    const std::vector<TRPDeviceItem>& Printers() override;
    int GetOrientation() override;
    void SetOrientation(int code) override;
    int MaxCopies() override;
    void SetCopies(int copies) override;
    int GetCopies() override;
    void SetDuplex(int code) override;
    int GetDuplex() override;
    void SetCollate(bool collate) override;
    bool GetCollate() override;
    int PageHeight() override;
    int PageWidth() override;
    int TextWidth(const std::string& text) override;
    void BeginDoc() override;
    void StartDoc() override;
    void EndDoc() override;
    void AbortDoc() override;
    void NewPage() override;
    void NewPageOutput(bool output) override;
    bool SelectBin(const std::string& name, bool exact) override;
    bool SelectPaper(const std::string& name, bool exact) override;
    void GetPaperExtents(TSize& minimum, TSize& maximum) override;
    bool SetPaperSize(int size, int width, int length) override;
    bool SupportsBin(int number) override;
    bool SupportsPaperSize(int number) override;
    bool SupportsOrientation() override { return HasDevMode(); }
    bool SupportsDuplex() override;
    bool SupportsCollate() override { return HasDevMode(); }
    bool HasPrinter() override { return !NoPrinters(); }
    std::string DeviceName() override { return device_; }
    std::string DriverName() override { return driver_; }
    std::string PortName() override { return port_; }

    // -2 while no printer is chosen (and always when there are none); writing -1 chooses the
    // default printer; other values outside the list are ignored.
    int PrinterIndex();
    void SetPrinterIndex(int index);
    // Whether the printer's settings can be read and changed.
    bool HasDevMode();
    bool NoPrinters();
    // A non-empty name sends the next documents to that PDF file.
    void SetOutputFileName(const std::string& fileName);
    std::string OutputFileName() const { return outputFile_; }
    TPrinter* Printer() { return printer_.get(); }
    // Takes over the printer and output file chosen on the printer itself (the printer
    // set-up dialog works on it directly).
    void PrinterSetupChanged();

private:
    void RequireNotPrinting();
    void RequirePrinting();
    void LoadPrinter(int index);
    void StartPage();
    // The papers and bins of another printer or output are built afresh on their next use.
    void ForgetPaperLists();
    // Raises the invalid-printer error, with the printer's reason on a second line.
    [[noreturn]] void RaisePrinterFailure();

    std::unique_ptr<TPrinter> printer_;
    std::unique_ptr<TPrintCanvas> nullCanvas_;
    std::vector<TRPDeviceItem> printers_;
    bool printersBuilt_ = false;
    std::vector<TPrinterPaper> papers_;
    bool papersBuilt_ = false;
    std::vector<TPrinterPaper> bins_;
    bool binsBuilt_ = false;
    std::vector<std::string> fonts_;
    bool fontsBuilt_ = false;
    int index_ = -2;
    bool noPrinters_ = false;
    bool queueLoaded_ = false;
    std::string device_, driver_, port_;
    std::string outputFile_;
    bool begun_ = false;
    bool pageOpen_ = false;
};

// The process-wide device, created on first use over the system printer.
TRPBaseDevice& GlobalDevice();
TRPPrinterDevice* GlobalPrinterDevice();
// Replaces the process-wide device (tests inject theirs; null frees it until the next use).
void SetGlobalDevice(std::unique_ptr<TRPBaseDevice> device);
