#include <gtest/gtest.h>

#include "FakePrinter.h"
#include "RPDevice.h"

namespace {

class TPlainDevice : public TRPBaseDevice {
public:
    TPrintCanvas& Canvas() override { return canvas_; }
    std::vector<std::string> log;
    TRecordingCanvas canvas_{log};
};

struct Hooked {
    Hooked() {
        TranslateHook = [](const std::string& s) { return "<" + s + ">"; };
    }
    ~Hooked() { TranslateHook = DefaultTranslate; }
};

template <class F>
std::string ErrorOf(F f) {
    try {
        f();
    } catch (const EPrintReport& e) {
        return e.what();
    }
    return "no error";
}

std::unique_ptr<TRPPrinterDevice> Device(TFakePrinter*& fake,
                                         std::vector<std::string> queues = {"A", "B", "C"}) {
    auto p = std::make_unique<TFakePrinter>();
    p->Queues = std::move(queues);
    p->DefaultQueue = "b";
    fake = p.get();
    return std::make_unique<TRPPrinterDevice>(std::move(p));
}

}  // namespace

TEST(BaseDevice, NeutralDefaultsAndPaperSizes) {
    TPlainDevice d;
    EXPECT_EQ(d.XDPI(), 96);
    EXPECT_EQ(d.YDPI(), 96);
    int l = 1, t = 1, r = 1, b = 1;
    d.GetUnprintableMargins(l, t, r, b);
    EXPECT_EQ(l + t + r + b, 0);
    EXPECT_EQ(d.PageWidth(), 816);
    EXPECT_EQ(d.PageHeight(), 1056);
    EXPECT_EQ(d.MaxCopies(), 1);
    EXPECT_EQ(d.TextWidth("abc"), 0);
    EXPECT_EQ(d.GetOrientation(), 1);
    EXPECT_TRUE(d.SetPaperSize(0, 2100, 2970));
    EXPECT_EQ(d.PageWidth(), 794);
    EXPECT_EQ(d.PageHeight(), 1123);
    EXPECT_TRUE(d.SetPaperSize(0, 0, 2970));
    EXPECT_EQ(d.PageWidth(), 816);
    EXPECT_EQ(d.PageHeight(), 1056);
    EXPECT_FALSE(d.HasPrinter());
}

TEST(PrinterChoice, DefaultIsMatchedIgnoringCaseElseTheLast) {
    EXPECT_EQ(FindDefaultPrinter({"A", "B", "C"}, "b"), 1);
    EXPECT_EQ(FindDefaultPrinter({"A", "B", "C"}, "Z"), 2);
    EXPECT_EQ(FindDefaultPrinter({"A", "B", "C"}, ""), 2);
    EXPECT_EQ(FindDefaultPrinter({}, "A"), -2);
}

TEST(PrinterChoice, PaperSearchExactOrContained) {
    std::vector<std::string> papers = {"Letter", "Legal", "A4", "A4 Small"};
    EXPECT_EQ(FindListEntry(papers, "a4", false), 2);
    EXPECT_EQ(FindListEntry(papers, "a4 small", false), 3);
    EXPECT_EQ(FindListEntry(papers, "a4", true), -1);
    EXPECT_EQ(FindListEntry(papers, "A4", true), 2);
}

TEST(PrinterDevice, IndexSettlesOnTheDefaultAndIgnoresBadWrites) {
    TFakePrinter* fake;
    auto d = Device(fake);
    EXPECT_EQ(d->PrinterIndex(), 1);
    EXPECT_EQ(fake->Queue, "B");
    EXPECT_EQ(d->DeviceName(), "B");
    d->SetPrinterIndex(0);
    EXPECT_EQ(d->PrinterIndex(), 0);
    d->SetPrinterIndex(5);
    EXPECT_EQ(d->PrinterIndex(), 0);
    d->SetPrinterIndex(-7);
    EXPECT_EQ(d->PrinterIndex(), 0);
    d->SetPrinterIndex(-1);
    EXPECT_EQ(d->PrinterIndex(), 1);
    EXPECT_FALSE(d->NoPrinters());
}

TEST(PrinterDevice, WithoutPrintersNothingIsChosenAndNothingCrashes) {
    TFakePrinter* fake;
    auto d = Device(fake, {});
    EXPECT_EQ(d->PrinterIndex(), -2);
    EXPECT_TRUE(d->NoPrinters());
    EXPECT_FALSE(d->HasPrinter());
    d->SetPrinterIndex(-1);
    EXPECT_EQ(d->PrinterIndex(), -2);
    EXPECT_EQ(d->MaxCopies(), 1);
    EXPECT_EQ(d->GetCopies(), 1);
    // An output file is a printer of its own.
    d->SetOutputFileName("/tmp/out.pdf");
    EXPECT_FALSE(d->NoPrinters());
    EXPECT_TRUE(d->HasDevMode());

    TRPPrinterDevice none(nullptr);
    EXPECT_TRUE(none.NoPrinters());
    EXPECT_EQ(none.TextWidth(""), 1);
    EXPECT_EQ(none.PageWidth(), 816);
}

TEST(PrinterDevice, CopiesAcceptOneToTheMaximum) {
    TFakePrinter* fake;
    auto d = Device(fake);
    EXPECT_EQ(d->MaxCopies(), 999);
    for (int bad : {0, -1, 1000}) {
        d->SetCopies(bad);
        EXPECT_EQ(d->GetCopies(), 1) << bad;
    }
    d->SetCopies(3);
    EXPECT_EQ(d->GetCopies(), 3);
    d->SetCopies(999);
    EXPECT_EQ(d->GetCopies(), 999);
    fake->MultipleCopies = false;
    d->SetCopies(2);
    EXPECT_EQ(d->GetCopies(), 999);
}

TEST(PrinterDevice, OrientationTurnsThePageAtOnceWhileIdle) {
    TFakePrinter* fake;
    auto d = Device(fake);
    EXPECT_EQ(d->GetOrientation(), 0);
    d->SetOrientation(2);
    EXPECT_EQ(d->GetOrientation(), 0);
    EXPECT_EQ(d->PageWidth(), 2550);
    d->SetOrientation(1);
    EXPECT_EQ(d->GetOrientation(), 1);
    EXPECT_EQ(d->PageWidth(), 11 * 300);
    EXPECT_EQ(d->PageHeight(), 8.5 * 300);
}

TEST(PrinterDevice, PaperSelection) {
    TFakePrinter* fake;
    auto d = Device(fake);
    EXPECT_TRUE(d->SelectPaper("a4", false));
    EXPECT_EQ(fake->Paper, 9);
    EXPECT_FALSE(d->SelectPaper("a4", true));
    EXPECT_FALSE(d->SelectBin("Tray 1", false));
    EXPECT_EQ(d->Bins().size(), 3u);
    EXPECT_TRUE(d->SupportsBin(257));
    EXPECT_FALSE(d->SupportsBin(1));
    EXPECT_TRUE(d->SelectBin("lower", false));
    EXPECT_EQ(fake->Bin, 257);
    EXPECT_FALSE(d->SelectBin("lower tray", true));
    EXPECT_TRUE(d->SelectBin("Manual Feed", true));
    EXPECT_EQ(fake->Bin, 258);
    EXPECT_FALSE(d->SetPaperSize(9, 0, 0));  // already so
    EXPECT_TRUE(d->SetPaperSize(5, 0, 0));
    EXPECT_EQ(fake->Paper, 5);
    EXPECT_FALSE(d->SetPaperSize(0, 100, 2000));  // below the smallest paper
    EXPECT_TRUE(d->SetPaperSize(0, 1000, 2000));
    EXPECT_EQ(fake->Paper, 256);
    fake->Valid = false;
    TFakePrinter* other;
    auto invalid = Device(other);
    other->Valid = false;
    EXPECT_FALSE(invalid->SelectPaper("A4", true));
}

TEST(PrinterDevice, DocumentCallsFollowTheStateMachineWithExactTexts) {
    Hooked hook;
    TFakePrinter* fake;
    auto d = Device(fake);
    const std::string notPrinting = "<Invalid method call.  Device is not printing.>";
    const std::string printing = "<Invalid method call.  Device already printing.>";
    EXPECT_EQ(ErrorOf([&] { d->EndDoc(); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { d->AbortDoc(); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { d->NewPage(); }), notPrinting);
    EXPECT_EQ(ErrorOf([&] { d->NewPageOutput(true); }), notPrinting);
    d->Title = "Job";
    d->StartDoc();
    EXPECT_EQ(ErrorOf([&] { d->StartDoc(); }), printing);
    EXPECT_EQ(ErrorOf([&] { d->SetCopies(2); }), printing);
    EXPECT_EQ(ErrorOf([&] { d->SetDuplex(1); }), printing);
    EXPECT_EQ(ErrorOf([&] { d->SetCollate(true); }), printing);
    EXPECT_EQ(ErrorOf([&] { d->SelectPaper("A4", false); }), printing);
    EXPECT_EQ(ErrorOf([&] { d->SetPaperSize(9, 0, 0); }), printing);
    EXPECT_EQ(ErrorOf([&] { d->SetPrinterIndex(0); }), printing);
    EXPECT_EQ(ErrorOf([&] { d->SelectBin("x", false); }), "no error");
    d->EndDoc();
    EXPECT_FALSE(d->Printing());
}

TEST(PrinterDevice, PagesBeginLazilySoSkippedPagesEmitNothing) {
    TFakePrinter* fake;
    auto d = Device(fake);
    d->Title = "T";
    d->StartDoc();
    d->NewPageOutput(true);
    d->NewPageOutput(false);
    d->NewPageOutput(true);
    d->EndDoc();
    EXPECT_EQ(fake->Log, (std::vector<std::string>{"doc T", "begin", "newPage", "end"}));

    fake->Log.clear();
    d->StartDoc();
    d->NewPageOutput(false);
    d->EndDoc();
    EXPECT_EQ(fake->Log, (std::vector<std::string>{"doc T"}));

    fake->Log.clear();
    d->StartDoc();
    d->NewPageOutput(true);
    d->AbortDoc();
    EXPECT_EQ(fake->Log, (std::vector<std::string>{"doc T", "begin", "abort"}));
    EXPECT_FALSE(d->Printing());
    EXPECT_FALSE(d->Aborted());
}

TEST(PrinterDevice, BeginDocOpensTheFirstPageAndPaperFactsNeedAValidPrinter) {
    TFakePrinter* fake;
    auto d = Device(fake);
    d->Title = "T";
    d->BeginDoc();
    EXPECT_TRUE(d->Printing());
    EXPECT_EQ(fake->Log, (std::vector<std::string>{"doc T", "begin"}));
    d->EndDoc();
    TSize lo{-1, -1}, hi{-1, -1};
    d->GetPaperExtents(lo, hi);
    EXPECT_EQ(lo, (TSize{254, 254}));
    EXPECT_EQ(hi, (TSize{5000, 5000}));
    EXPECT_TRUE(d->SupportsOrientation());
    fake->Valid = false;
    TSize kept{7, 7}, keptHigh{8, 8};
    d->GetPaperExtents(kept, keptHigh);
    EXPECT_EQ(kept, (TSize{7, 7})) << "without printer settings nothing is said";
    EXPECT_FALSE(d->SupportsOrientation());
}

TEST(PrinterDevice, TextWidthOfNothingIsOne) {
    TFakePrinter* fake;
    auto d = Device(fake);
    EXPECT_EQ(d->TextWidth(""), 1);
    EXPECT_EQ(d->TextWidth("ab"), 100);
}

TEST(GlobalDevice, TestsInjectTheirDevice) {
    auto rec = std::make_unique<TRecordingDevice>();
    TRecordingDevice* raw = rec.get();
    SetGlobalDevice(std::move(rec));
    EXPECT_EQ(&GlobalDevice(), raw);
    EXPECT_EQ(GlobalPrinterDevice(), nullptr);
    SetGlobalDevice(nullptr);
    // Without a display there is no printer factory: a printer device without printers.
    ASSERT_NE(GlobalPrinterDevice(), nullptr);
    EXPECT_TRUE(GlobalPrinterDevice()->NoPrinters());
    SetGlobalDevice(nullptr);
}

TEST(PrinterDevice, TakesOverTheChoiceMadeOnThePrinter) {
    TFakePrinter* fake;
    auto d = Device(fake);
    EXPECT_EQ(d->PrinterIndex(), 1);
    fake->Queue = "C";
    fake->File = "/tmp/x.pdf";
    d->PrinterSetupChanged();
    EXPECT_EQ(d->PrinterIndex(), 2);
    EXPECT_EQ(d->DeviceName(), "C");
    EXPECT_EQ(d->OutputFileName(), "/tmp/x.pdf");
}

TEST(PrinterDevice, AJobThePrintSystemRefusesIsAnErrorWithItsReason) {
    Hooked hook;
    TFakePrinter* fake;
    auto d = Device(fake);
    fake->Refusal = "Destination \"B\" is not accepting jobs.";
    d->StartDoc();
    d->NewPageOutput(true);
    EXPECT_EQ(ErrorOf([&] { d->EndDoc(); }),
              "<Invalid Printer - B on  ()>\rDestination \"B\" is not accepting jobs.");
    EXPECT_FALSE(d->Printing());
    fake->Refusal.reset();
    d->StartDoc();
    d->NewPageOutput(true);
    EXPECT_EQ(ErrorOf([&] { d->EndDoc(); }), "no error");
}

TEST(PrinterDevice, AnAbortThatLeavesAJobBehindSaysSo) {
    TFakePrinter* fake;
    auto d = Device(fake);
    fake->Left = "The aborted job 7 on the queue B stays held: Forbidden";
    d->StartDoc();
    d->NewPageOutput(true);
    EXPECT_EQ(ErrorOf([&] { d->AbortDoc(); }), fake->Left);
    EXPECT_FALSE(d->Printing());
    fake->Left.clear();
    d->StartDoc();
    d->NewPageOutput(true);
    EXPECT_EQ(ErrorOf([&] { d->AbortDoc(); }), "no error");
}

TEST(PrinterDevice, APrinterThatCannotOpenNamesItself) {
    Hooked hook;
    TFakePrinter* fake;
    auto d = Device(fake);
    fake->Openable = false;
    d->StartDoc();
    EXPECT_EQ(ErrorOf([&] { d->NewPageOutput(true); }), "<Invalid Printer - B on  ()>");
    d->AbortDoc();
    EXPECT_FALSE(d->Printing());
    EXPECT_EQ(fake->Log, (std::vector<std::string>{"doc ", "begin"}));
}
