// The system printer's talk with the print system: a queue's paper sources from its printer
// description, and a job the print system refuses reported as lost.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "QtTestApplication.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>

#include <cups/cups.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ChildProcess.h"
#include "OtherUser.h"
#include "TempDir.h"
#include "platform/qt/QtPrinter.h"

namespace {

const std::string kData = LORVANE_TEST_DATA "/platform/";

TEST(PrinterDescription, TheInputSlotChoicesAreTheBins) {
    const std::vector<TInputSlot> sources = ReadPpdInputSlots(kData + "ThreeTrays.ppd");
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(sources[0].Keyword, "Upper");
    EXPECT_EQ(sources[0].Text, "Upper Tray");
    EXPECT_EQ(sources[1].Text, "Lower Tray");
    EXPECT_EQ(sources[2].Keyword, "Manual");
    EXPECT_EQ(sources[2].Text, "Bac \xE0 main");  // Latin-1 in the file, Windows-1252 here
}

TEST(PrinterDescription, DamagedOrForeignFilesGiveWhatCanBeRead) {
    // A string that never ends swallows the rest of the file: the choices before it stay.
    const std::vector<TInputSlot> damaged = ReadPpdInputSlots(kData + "DamagedTrays.ppd");
    ASSERT_EQ(damaged.size(), 2u);
    EXPECT_EQ(damaged[1].Keyword, "Lower");
    EXPECT_TRUE(ReadPpdInputSlots(kData + "filters.png").empty());
    EXPECT_TRUE(ReadPpdInputSlots(kData + "no-such-file.ppd").empty());
}

TEST(PrinterDescription, ItsDefaultPageSizeIsTheQueuesPaper) {
    const std::optional<QPageSize> a4 = ReadPpdDefaultPaper(kData + "OfficeA4.ppd");
    ASSERT_TRUE(a4);
    EXPECT_EQ(a4->sizePoints(), QSize(595, 842));
    EXPECT_EQ(a4->id(), QPageSize::A4);
    const std::optional<QPageSize> letter = ReadPpdDefaultPaper(kData + "ThreeTrays.ppd");
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->sizePoints(), QSize(612, 792));
    EXPECT_FALSE(ReadPpdDefaultPaper(kData + "no-such-file.ppd"));
}

TEST(PrinterDescription, ItsWidestUnprintableEdgeCoversEveryPaper) {
    EXPECT_EQ(ReadPpdLargestMargin(kData + "OfficeA4.ppd"), 36);  // US Letter's; A4's are 18
    EXPECT_EQ(ReadPpdLargestMargin(kData + "ThreeTrays.ppd"), 18);
    EXPECT_EQ(ReadPpdLargestMargin(kData + "no-such-file.ppd"), 0);
}

TEST(PrintJob, APdfFileTakesTheLocalesPaper) {
    NeedApplication();
    TempDir dir;
    const QLocale before;
    const auto paperIn = [&](QLocale locale) {
        QLocale::setDefault(locale);
        auto printer = CreateSystemPrinter();
        printer->SetOutputFileName(dir.File("report.pdf"));
        return printer->PaperTenthsMm();
    };
    const TSize a4 = paperIn(QLocale(QLocale::German, QLocale::Germany));
    const TSize us = paperIn(QLocale(QLocale::English, QLocale::UnitedStates));
    const TSize canada = paperIn(QLocale(QLocale::French, QLocale::Canada));
    QLocale::setDefault(before);
    EXPECT_EQ(a4.cx, 2100);
    EXPECT_EQ(a4.cy, 2970);
    EXPECT_EQ(us.cx, 2159);
    EXPECT_EQ(canada.cy, 2794);
}

// The queues of the private print system the test run starts (print-system.sh).
bool HasPrivateQueues() {
    NeedApplication();
    return QPrinterInfo::availablePrinterNames().contains("Trays");
}

TEST(PrintQueue, AQueueTakesItsDefaultPaper) {
    if (!HasPrivateQueues()) GTEST_SKIP() << "no private print system";
    auto printer = CreateSystemPrinter();
    ASSERT_TRUE(printer->SetPrinterName("OfficeA4"));
    EXPECT_EQ(printer->PaperTenthsMm(), (TSize{2100, 2970}));
    ASSERT_TRUE(printer->SetPrinterName("Trays"));
    EXPECT_EQ(printer->PaperTenthsMm(), (TSize{2159, 2794}));
    ASSERT_TRUE(printer->SetPaperNumber(9));  // A4, the caller's choice, holds for the job
    TempDir dir;
    printer->SetOutputFileName(dir.File("report.pdf"));
    printer->SetOutputFileName("");
    EXPECT_EQ(printer->PrinterName(), "Trays");
    EXPECT_EQ(printer->PaperTenthsMm(), (TSize{2159, 2794})) << "back to the queue's paper";
}

TEST(PrintQueue, AQueueChosenInThePrintDialogTakesItsDefaultPaper) {
    if (!HasPrivateQueues()) GTEST_SKIP() << "no private print system";
    auto printer = CreateSystemPrinter();
    ASSERT_TRUE(printer->SetPrinterName("Trays"));
    QPrinter& qt = *QtPrinterOf(*printer);
    {
        QPrintDialog dialog(&qt);
        dialog.open();
        auto* queues = dialog.findChild<QComboBox*>("printers");
        ASSERT_NE(queues, nullptr);
        queues->setCurrentIndex(queues->findText("OfficeA4"));
        dialog.accept();
    }
    ASSERT_EQ(printer->PrinterName(), "OfficeA4");
    printer->SetupChanged();
    EXPECT_EQ(printer->PaperTenthsMm(), (TSize{2100, 2970}));

    // A paper picked in the dialog with the queue holds.
    qt.setPrinterName("Trays");
    qt.setPageSize(QPageSize(QPageSize::Legal));
    printer->SetupChanged();
    EXPECT_EQ(printer->PaperNumber(), 5);
}

// The paper a job goes out on: the print engine's page layout gives both the job's "media"
// option and the size of the pages spooled.
struct TJobPaper {
    std::string Media;
    QSize Points;
    bool operator==(const TJobPaper&) const = default;
};
std::ostream& operator<<(std::ostream& out, const TJobPaper& paper) {
    return out << paper.Media << " " << paper.Points.width() << "x" << paper.Points.height();
}

// Prints one page after choosing `queue` in a real print dialog (with a file name: printing to
// that file) and, in its Properties, the page size named `paper`.
TJobPaper PrintWithPaperPicked(TPrinter& printer, const QString& queue, const QString& paper,
                               const std::string& file = "") {
    TJobPaper job;
    QPrinter& qt = *QtPrinterOf(printer);
    {
        QPrintDialog dialog(&qt);
        FollowPrintDialog(dialog, printer);
        dialog.open();
        auto* queues = dialog.findChild<QComboBox*>("printers");
        EXPECT_NE(queues, nullptr);
        if (!queues) return job;
        queues->setCurrentIndex(queues->findText(queue));
        if (auto* name = dialog.findChild<QLineEdit*>("filename"); name && !file.empty())
            name->setText(QString::fromStdString(file));
        bool picked = false;
        QTimer::singleShot(0, [&] {
            auto* properties = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!properties) return;
            if (auto* sizes = properties->findChild<QComboBox*>("pageSizeCombo")) {
                const int at = sizes->findText(paper);
                picked = at >= 0;
                sizes->setCurrentIndex(at);
            }
            properties->accept();
        });
        dialog.findChild<QPushButton*>("properties")->click();
        EXPECT_TRUE(picked) << "no page size " << paper.toStdString();
        dialog.accept();
    }
    printer.SetupChanged();
    if (file.empty())
        EXPECT_EQ(printer.PrinterName(), queue.toStdString());
    else
        EXPECT_EQ(printer.OutputFileName(), file);
    auto* engine = qt.printEngine();
    if (!printer.BeginDocument()) return job;
    const auto layout = engine->property(QPrintEngine::PPK_QPageLayout).value<QPageLayout>();
    job = {layout.pageSize().key().toStdString(),
           layout.fullRect(QPageLayout::Point).size().toSize()};
    printer.EndDocument();
    return job;
}

TEST(PrintQueue, APaperPickedInThePrintDialogGoesWithTheJob) {
    if (!HasPrivateQueues()) GTEST_SKIP() << "no private print system";
    const TJobPaper a4{"A4", {595, 842}}, letter{"Letter", {612, 792}};
    auto printer = CreateSystemPrinter();
    ASSERT_TRUE(printer->SetPrinterName("OfficeA4"));
    EXPECT_EQ(PrintWithPaperPicked(*printer, "OfficeA4", "US Letter"), letter);
    ASSERT_TRUE(printer->SetPrinterName("Trays"));
    EXPECT_EQ(PrintWithPaperPicked(*printer, "Trays", "A4"), a4);

    // Another queue chosen in the same dialog does not put its own paper over the pick.
    ASSERT_TRUE(printer->SetPrinterName("Trays"));
    ASSERT_TRUE(printer->SetPaperNumber(9));
    EXPECT_EQ(PrintWithPaperPicked(*printer, "OfficeA4", "US Letter"), letter);
    ASSERT_TRUE(printer->SetPrinterName("OfficeA4"));
    ASSERT_TRUE(printer->SetPaperNumber(1));
    EXPECT_EQ(PrintWithPaperPicked(*printer, "Trays", "A4"), a4);
    // Nor where the pick is the paper the first queue had: Letter for Trays, A4 for OfficeA4.
    ASSERT_TRUE(printer->SetPrinterName("Trays"));
    EXPECT_EQ(PrintWithPaperPicked(*printer, "OfficeA4", "US Letter"), letter);
    ASSERT_TRUE(printer->SetPrinterName("OfficeA4"));
    EXPECT_EQ(PrintWithPaperPicked(*printer, "Trays", "A4"), a4);

    // Nor for a file, whose own paper is the locale's.
    TempDir dir;
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_TRUE(printer->SetPrinterName("Trays"));
    const TJobPaper toFileOnLetter = PrintWithPaperPicked(
        *printer, "Print to File (PDF)", "Letter / ANSI A", dir.File("letter.pdf"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    printer->SetOutputFileName("");
    ASSERT_TRUE(printer->SetPrinterName("OfficeA4"));
    const TJobPaper toFileOnA4 =
        PrintWithPaperPicked(*printer, "Print to File (PDF)", "A4", dir.File("a4.pdf"));
    QLocale::setDefault(before);
    EXPECT_EQ(toFileOnLetter, letter);
    EXPECT_EQ(toFileOnA4, a4);
}

TEST(PrintQueue, TheChosenBinGoesWithTheJob) {
    if (!HasPrivateQueues()) GTEST_SKIP() << "no private print system";
    QStringList options;
    auto printer = CreateSystemPrinter([&options](QPainter& painter, QPrinter& qt) {
        options =
            qt.printEngine()->property(QPrintEngine::PrintEnginePropertyKey(0xfe00)).toStringList();
        return EndPrintJob(painter, qt);
    });
    ASSERT_TRUE(printer->SetPrinterName("Trays"));
    ASSERT_EQ(printer->Bins().size(), 3u);
    ASSERT_TRUE(printer->SetBinNumber(257));
    ASSERT_TRUE(printer->BeginDocument());
    EXPECT_FALSE(printer->EndDocument()) << "the queue refuses jobs";
    const qsizetype at = options.indexOf("InputSlot");
    ASSERT_GE(at, 0) << options.join(' ').toStdString();
    EXPECT_EQ(options.value(at + 1), "Lower");
    EXPECT_EQ(options.count("InputSlot"), 1);
}

// The jobs the print system knows of for a queue, finished ones too, from the oldest.
std::vector<int> QueueJobs(const char* queue) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ALL);
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) ids.push_back(jobs[i].id);
    cupsFreeJobs(count, jobs);
    std::sort(ids.begin(), ids.end());
    return ids;
}

// What a job was handed over with as its "job-hold-until" option ("" for none).
std::string JobHold(int id) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "job-hold-until");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    ipp_attribute_t* hold =
        response ? ippFindAttribute(response, "job-hold-until", IPP_TAG_ZERO) : nullptr;
    const char* value = hold ? ippGetString(hold, 0, nullptr) : nullptr;
    std::string result = value ? value : "";
    ippDelete(response);
    return result;
}

// The state the print system gives a job of a queue.
ipp_jstate_t JobState(const char* queue, int id) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ALL);
    ipp_jstate_t state = ipp_jstate_t(0);
    for (int i = 0; i < count; ++i)
        if (jobs[i].id == id) state = jobs[i].state;
    cupsFreeJobs(count, jobs);
    return state;
}

// The private print system cannot print, so what tells is how a job is handed over: an
// aborted one held for ever, and cancelled; the next one as usual.
TEST(PrintQueue, AnAbortedJobIsHeldAndCancelledNotPrinted) {
    if (!HasPrivateQueues()) GTEST_SKIP() << "no private print system";
    auto printer = CreateSystemPrinter();
    ASSERT_TRUE(printer->SetPrinterName("OfficeA4"));
    printer->SetDocName("Report");
    const size_t before = QueueJobs("OfficeA4").size();
    ASSERT_TRUE(printer->BeginDocument());
    printer->Canvas().TextOut(100, 100, "Dropped");
    printer->AbortDocument();
    EXPECT_EQ(printer->ErrorText(), "");
    ASSERT_TRUE(printer->BeginDocument());
    printer->Canvas().TextOut(100, 100, "Printed");
    printer->EndDocument();
    const std::vector<int> jobs = QueueJobs("OfficeA4");
    ASSERT_EQ(jobs.size(), before + 2);
    EXPECT_EQ(JobHold(jobs[before]), "indefinite");
    EXPECT_EQ(JobState("OfficeA4", jobs[before]), IPP_JSTATE_CANCELED);
    EXPECT_NE(JobHold(jobs[before + 1]), "indefinite");
}

// The queue "Kept" refuses every cancel: the aborted job stays held, and the abort tells which
// job on which queue, and why.
TEST(PrintQueue, AnAbortedJobThePrintSystemWillNotCancelIsToldOf) {
    if (!HasPrivateQueues()) GTEST_SKIP() << "no private print system";
    auto printer = CreateSystemPrinter();
    ASSERT_TRUE(printer->SetPrinterName("Kept"));
    ASSERT_TRUE(printer->BeginDocument());
    printer->Canvas().TextOut(100, 100, "Dropped");
    printer->AbortDocument();
    const std::vector<int> jobs = QueueJobs("Kept");
    ASSERT_FALSE(jobs.empty());
    EXPECT_EQ(JobState("Kept", jobs.back()), IPP_JSTATE_HELD);
    const std::string told = printer->ErrorText();
    EXPECT_NE(told.find("job " + std::to_string(jobs.back()) + " ("), std::string::npos) << told;
    EXPECT_NE(told.find("on the queue Kept stays held: Forbidden"), std::string::npos) << told;
    // The next job starts with no such word.
    ASSERT_TRUE(printer->BeginDocument());
    EXPECT_EQ(printer->ErrorText(), "");
    printer->EndDocument();
}

TEST(PrintJob, TheOutcomeComesFromThePainterThePrinterAndThePrintSystem) {
    EXPECT_EQ(PrintJobFailure(true, false, 0, ""), std::nullopt);
    EXPECT_EQ(PrintJobFailure(true, false, 0x0506, "Destination \"Office\" is not accepting jobs."),
              "Destination \"Office\" is not accepting jobs.");
    EXPECT_EQ(
        PrintJobFailure(true, false, 0x0001, "successful-ok-ignored-or-substituted-attributes"),
        std::nullopt);
    EXPECT_EQ(PrintJobFailure(false, false, 0, ""), "");
    EXPECT_EQ(PrintJobFailure(true, true, 0, ""), "");
}

TEST(PrintJob, AJobThePrintSystemRefusesIsNoSuccess) {
    NeedApplication();
    TempDir dir;
    auto printer = CreateSystemPrinter([](QPainter& painter, QPrinter&) {
        painter.end();
        return std::optional<std::string>("server-error-not-accepting-jobs");
    });
    printer->SetOutputFileName(dir.File("refused.pdf"));
    EXPECT_TRUE(printer->Bins().empty()) << "a file has no paper sources";
    EXPECT_FALSE(printer->SetBinNumber(256));
    ASSERT_TRUE(printer->BeginDocument());
    printer->Canvas().TextOut(100, 100, "Lost");
    EXPECT_FALSE(printer->EndDocument());
    EXPECT_EQ(printer->ErrorText(), "server-error-not-accepting-jobs");

    auto working = CreateSystemPrinter();
    working->SetOutputFileName(dir.File("printed.pdf"));
    ASSERT_TRUE(working->BeginDocument());
    EXPECT_TRUE(working->EndDocument());
    EXPECT_EQ(working->ErrorText(), "");
    EXPECT_TRUE(std::ifstream(dir.File("printed.pdf")).good());
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Prints `pages` pages of lines (14 make about 20 KB); the job's failure, or "printed".
std::string PrintPages(TPrinter& printer, int pages) {
    if (!printer.BeginDocument()) return "not begun: " + printer.ErrorText();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1 && !printer.NewPage()) return "lost: " + printer.ErrorText();
        for (int line = 0; line < 40; ++line)
            printer.Canvas().TextOut(
                600, 600 + line * 120,
                "page " + std::to_string(page) + " line " + std::to_string(line));
    }
    return printer.EndDocument() ? "printed" : "lost: " + printer.ErrorText();
}

// Where no file can be made beside the file (a folder the user cannot write, a file they can),
// the document is written elsewhere and copied over the file only once whole, with its space
// taken first: an aborted job, or one whose copy would not fit (here under a file size limit
// set as Qt has closed the document), leaves the earlier file as it was. A file the user cannot
// write is refused before the job starts. As root, the jobs run as another user.
TEST(PrintJob, WhereNothingCanBeMadeBesideTheFileTheEarlierOneStaysUntilTheDocumentIsWhole) {
    NeedApplication();
    char made[] = "/tmp/lorvane-print.XXXXXX";
    ASSERT_NE(::mkdtemp(made), nullptr);
    const std::string folder = made, report = folder + "/report.pdf",
                      locked = folder + "/locked.pdf", temp = folder + "/tmp";
    const std::string earlier(8 << 10, 'e');
    std::filesystem::create_directory(temp);
    ::chmod(temp.c_str(), 01777);
    std::ofstream(report, std::ios::binary) << earlier;
    std::ofstream(locked, std::ios::binary) << earlier;
    ::chmod(report.c_str(), 0666);
    ::chmod(locked.c_str(), 0444);
    ::chmod(folder.c_str(), 0555);
    const std::string said = ChildOutput([&] {
        if (RunningAsRoot() && !BecomeNobody()) return std::string("cannot change user");
        ::setenv("TMPDIR", temp.c_str(), 1);
        ::signal(SIGXFSZ, SIG_IGN);
        rlim_t limit = RLIM_INFINITY;
        auto printer = CreateSystemPrinter([&limit](QPainter& painter, QPrinter& qt) {
            std::optional<std::string> failure = EndPrintJob(painter, qt);
            const rlimit after{limit, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &after);
            return failure;
        });
        printer->SetOutputFileName(report);
        const auto kept = [&] { return ReadAll(report) == earlier ? " kept; " : " changed; "; };
        std::string outcomes;
        if (printer->BeginDocument()) {
            printer->Canvas().TextOut(600, 600, "dropped");
            printer->AbortDocument();
            outcomes += "aborted";
        }
        outcomes += kept();
        limit = 12 << 10;  // below the document, above the earlier file
        outcomes += PrintPages(*printer, 14);
        outcomes += kept();
        limit = RLIM_INFINITY;
        const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &none);
        outcomes += PrintPages(*printer, 14) + "; ";
        printer->SetOutputFileName(locked);
        return outcomes + PrintPages(*printer, 1);
    });
    ::chmod(folder.c_str(), 0755);
    const std::string parts[] = {"aborted kept; ", std::strerror(EFBIG), " kept; ", "printed; ",
                                 std::strerror(EACCES)};
    size_t at = 0;
    for (const std::string& part : parts) {
        at = said.find(part, at);
        EXPECT_NE(at, std::string::npos) << "\"" << part << "\" in " << said;
        if (at == std::string::npos) break;
    }
    const std::string printed = ReadAll(report);
    EXPECT_GT(printed.size(), 16u << 10);
    EXPECT_TRUE(printed.starts_with("%PDF-") && printed.find("%%EOF") != std::string::npos);
    EXPECT_EQ(std::filesystem::status(report).permissions(), std::filesystem::perms(0666));
    EXPECT_TRUE(ReadAll(locked) == earlier);
    EXPECT_TRUE(std::filesystem::is_empty(temp));
    std::filesystem::remove_all(folder);
}

}  // namespace
