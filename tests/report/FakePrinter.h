// A TPrinter without a print system: a list of queue names, settings in memory, and a log of
// the document calls. Its canvas is the recording canvas.
#pragma once

#include <optional>

#include "RecordingDevice.h"
#include "platform/Printer.h"

class TFakePrinter : public TPrinter {
public:
    std::vector<std::string> Queues;
    std::string DefaultQueue;
    std::vector<std::string> Log;
    bool Landscaped = false;
    int Copies = 1;
    bool MultipleCopies = true;
    int Paper = 1;
    bool Valid = true;
    std::string Queue, File;

    TFakePrinter() : canvas_(Log) {}
    std::vector<std::string> PrinterNames() override { return Queues; }
    std::string DefaultPrinterName() override { return DefaultQueue; }
    bool SetPrinterName(const std::string& name) override {
        Queue = name;
        return Valid;
    }
    std::string PrinterName() override { return Queue; }
    bool IsValid() override { return Valid; }
    void SetOutputFileName(const std::string& name) override { File = name; }
    std::string OutputFileName() override { return File; }
    int Resolution() override { return 300; }
    TSize PageSizePixels() override { return Landscaped ? TSize{3300, 2550} : TSize{2550, 3300}; }
    bool Landscape() override { return Landscaped; }
    void SetLandscape(bool l) override { Landscaped = l; }
    bool SupportsMultipleCopies() override { return MultipleCopies; }
    int CopyCount() override { return Copies; }
    void SetCopyCount(int c) override { Copies = c; }
    bool SupportsDuplex() override { return false; }
    int Duplex() override { return 0; }
    void SetDuplex(int) override {}
    bool Collate() override { return false; }
    void SetCollate(bool) override {}
    std::vector<TPrinterPaper> Papers() override {
        return {{"Letter", 1}, {"Legal", 5}, {"A4", 9}, {"A4 Small", 10}};
    }
    int PaperNumber() override { return Paper; }
    TSize PaperTenthsMm() override { return {2159, 2794}; }
    bool SetPaperNumber(int n) override {
        Paper = n;
        return true;
    }
    bool SupportsCustomPaper() override { return true; }
    void PaperExtents(TSize& lo, TSize& hi) override {
        lo = {254, 254};
        hi = {5000, 5000};
    }
    bool SetCustomPaper(int, int) override {
        Paper = 256;
        return true;
    }
    std::vector<std::string> Fonts() override { return {"Arial"}; }
    int Bin = 0;
    std::vector<TPrinterPaper> Bins() override {
        return {{"Upper Tray", 256}, {"Lower Tray", 257}, {"Manual Feed", 258}};
    }
    int BinNumber() override { return Bin; }
    bool SetBinNumber(int n) override {
        Bin = n;
        return true;
    }
    void SetDocName(const std::string& name) override { Log.push_back("doc " + name); }
    bool Openable = true;
    bool BeginDocument() override {
        Log.push_back("begin");
        aborted_ = false;
        return Openable;
    }
    bool NewPage() override {
        Log.push_back("newPage");
        return true;
    }
    // Set: the print system refuses the job with this reason.
    std::optional<std::string> Refusal;
    bool EndDocument() override {
        Log.push_back("end");
        return !Refusal;
    }
    // What an abort cannot drop (a job the print system would not cancel); empty for nothing.
    std::string Left;
    void AbortDocument() override {
        Log.push_back("abort");
        aborted_ = true;
    }
    std::string ErrorText() override { return aborted_ ? Left : Refusal.value_or(""); }
    TPrintCanvas& Canvas() override { return canvas_; }

private:
    TRecordingCanvas canvas_;
    bool aborted_ = false;
};
