// The report engine on the system printer writing PDF files, read back with pdfinfo,
// pdftotext and pdftoppm.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "ChildProcess.h"
#include "RPMemo.h"
#include "RPrinter.h"
#include "TempDir.h"
#include "platform/Controls.h"

namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

int PageCount(const std::string& pdf) {
    std::string info = Output("pdfinfo '" + pdf + "'");
    size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string PageText(const std::string& pdf, int page) {
    std::string p = std::to_string(page);
    return Output("pdftotext -layout -f " + p + " -l " + p + " '" + pdf + "' -");
}

bool HaveTools() {
    return !Output("pdfinfo -v 2>&1; echo ok").empty() &&
           std::system("which pdfinfo >/dev/null 2>&1") == 0;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A report of `pages` pages of numbered lines (14 pages make about 20 KB).
void PrintLines(int pages) {
    TPrintReport r;
    r.OnPrintPage = [pages](TBaseReport& b, int& page) {
        for (int line = 0; line < 40; ++line)
            b.PrintLn("page " + std::to_string(page) + " line " + std::to_string(line));
        return page < pages;
    };
    r.Execute();
}

// What a report job ends with: "printed" or its failure's text.
std::string Outcome(int pages) {
    try {
        PrintLines(pages);
        return "printed";
    } catch (const std::exception& e) {
        return e.what();
    }
}

class PdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGuiApplication();
        if (!HaveTools()) GTEST_SKIP() << "poppler-utils are not installed";
        auto d = std::make_unique<TRPPrinterDevice>(CreateSystemPrinter());
        device = d.get();
        device->SetOutputFileName(dir.File("out.pdf"));
        device->SetPaperSize(1, 0, 0);  // Letter, whatever the locale's paper
        SetGlobalDevice(std::move(d));
    }
    void TearDown() override { SetGlobalDevice(nullptr); }
    std::string Pdf() const { return dir.File("out.pdf"); }
    // The names in the test's folder.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    TRPPrinterDevice* device = nullptr;
};

}  // namespace

TEST_F(PdfTest, AnOutputFileIsAPrinterWithoutMargins) {
    EXPECT_FALSE(device->NoPrinters());
    EXPECT_TRUE(device->HasPrinter());
    EXPECT_EQ(device->XDPI(), 600);
    EXPECT_EQ(device->PageWidth(), 5100);
    EXPECT_EQ(device->PageHeight(), 6600);
    EXPECT_EQ(device->TextWidth(""), 1);
    device->SetOrientation(1);
    EXPECT_EQ(device->PageWidth(), 6600);
    device->SetOrientation(0);
    // Courier New is measured in its metric twin: a 10-point cell is a twelfth of an inch.
    device->Canvas().Font().SetName("Courier New");
    device->Canvas().Font().SetHeight(-83);
    EXPECT_NEAR(device->TextWidth("0123456789"), 500, 5);
}

TEST_F(PdfTest, SkippedPagesAreNotEmitted) {
    device->Title = "pages";
    device->StartDoc();
    device->NewPageOutput(true);
    device->Canvas().Font().SetName("Arial");
    device->Canvas().Font().SetHeight(-100);
    device->Canvas().SetTextAlign(TA_LEFT | TA_BASELINE);
    device->Canvas().TextOut(600, 600, "one");
    device->NewPageOutput(false);
    device->NewPageOutput(true);
    device->Canvas().TextOut(600, 600, "three");
    device->EndDoc();
    EXPECT_EQ(PageCount(Pdf()), 2);
    EXPECT_NE(PageText(Pdf(), 2).find("three"), std::string::npos);

    std::filesystem::remove(Pdf());
    device->StartDoc();
    device->NewPageOutput(false);
    device->EndDoc();
    EXPECT_FALSE(std::filesystem::exists(Pdf()));
}

TEST_F(PdfTest, AnAbortedJobLeavesNoOutputAndTheEarlierFileAsItWas) {
    const auto failOnPage2 = [] {
        TPrintReport r;
        r.OnPrintPage = [](TBaseReport& b, int& page) {
            b.PrintLn("page " + std::to_string(page));
            if (page == 2) throw std::runtime_error("the entries ran out");
            return true;
        };
        EXPECT_THROW(r.Execute(), std::runtime_error);
    };
    const auto files = [this] {
        int n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            ++n;
        return n;
    };
    failOnPage2();
    EXPECT_FALSE(std::filesystem::exists(Pdf()));
    EXPECT_EQ(files(), 0);

    { std::ofstream(Pdf()) << "an earlier report"; }
    using std::filesystem::perms;
    std::filesystem::permissions(Pdf(), perms::owner_read | perms::owner_write | perms::group_read);
    failOnPage2();
    std::ifstream earlier(Pdf());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(earlier), {}), "an earlier report");
    EXPECT_EQ(files(), 1);

    // A finished job takes the file's place, with the file's permissions.
    TPrintReport r;
    std::string fileInTheJob;
    r.OnPrintPage = [&](TBaseReport& b, int&) {
        b.PrintLn("finished");
        fileInTheJob = device->Printer()->OutputFileName();
        return false;
    };
    r.Execute();
    EXPECT_EQ(PageCount(Pdf()), 1);
    EXPECT_EQ(std::filesystem::status(Pdf()).permissions(),
              perms::owner_read | perms::owner_write | perms::group_read);
    EXPECT_EQ(files(), 1);
    EXPECT_EQ(fileInTheJob, Pdf());
    EXPECT_EQ(device->Printer()->OutputFileName(), Pdf());
    EXPECT_EQ(device->PageWidth(), 5100) << "the paper stays";
}

TEST_F(PdfTest, AReportWithASkippedPage) {
    TPrintReport r;
    r.Selection = "1,3";
    r.SetMarginTop(0.5);
    r.SetMarginLeft(0.3);
    r.SetMarginRight(0.3);
    r.SetMarginBottom(0.5);
    r.SetLineHeightMethod(lhmFont);
    int page = 0;
    r.OnPrintHeader = [&](TBaseReport& b) {
        b.SetFont("Courier New", 10);
        b.Home();
        b.SetBold(true);
        b.PrintLn("Lorvane Information                     Page: " + std::to_string(++page));
        b.PrintLn(std::string(92, '='));
        b.SetBold(false);
    };
    r.OnPrintPage = [&](TBaseReport& b, int& p) {
        auto& c = static_cast<TCanvasReport&>(b);
        b.SetItalic(true);
        b.Print("Name:         ");
        b.SetItalic(false);
        b.SetBold(true);
        b.PrintLn("Entry on page " + std::to_string(p));
        b.SetBold(false);
        TMemoBuf memo;
        memo.SetText(
            "Notes that wrap across the width between the two positions, word by word, "
            "and go on for a while so that they take three lines or more.\r\nA second paragraph.");
        memo.PrintStart = b.GetMarginLeft() + 1.17;
        memo.PrintEnd = 5;
        b.PrintMemo(memo, 0, false);
        b.PrintLn(std::string(92, '-'));
        c.MoveTo(0.3, 5);
        c.LineTo(8.2, 5);
        c.SetPen(clBlack, TPenStyle::psSolid, TPenMode::pmCopy, -2);
        c.Rectangle(0.3, 5.5, 4, 6.5);
        c.PrintCenter("centred", 4.25);
        c.PrintRight("right", 8.2);
        return p < 3;
    };
    r.Execute();
    EXPECT_EQ(PageCount(Pdf()), 2);
    std::string p1 = PageText(Pdf(), 1), p2 = PageText(Pdf(), 2);
    EXPECT_NE(p1.find("Lorvane Information"), std::string::npos) << p1;
    EXPECT_NE(p1.find("Entry on page 1"), std::string::npos) << p1;
    EXPECT_NE(p1.find("Page: 1"), std::string::npos);
    EXPECT_NE(p2.find("Entry on page 3"), std::string::npos) << p2;
    EXPECT_NE(p2.find("Page: 3"), std::string::npos);
    EXPECT_EQ(p1.find("page 2"), std::string::npos);
    // A picture of the first page for a person to look at.
    if (const char* keep = std::getenv("LORVANE_REPORT_PNG")) {
        std::system(("pdftoppm -png -r 60 -f 1 -l 1 '" + Pdf() + "' '" + keep + "'").c_str());
    }
}

TEST_F(PdfTest, AHugeNamePrintsCutAtThePageEdge) {
    TPrintReport r;
    r.SetMarginLeft(0.5);
    r.OnPrintPage = [&](TBaseReport& b, int&) {
        b.SetFont("Courier New", 10);
        b.Home();
        b.PrintLn("Name: " + std::string(30 << 20, 'n') + "END");
        b.PrintLn("Next line");
        return false;
    };
    r.Execute();
    const std::string page = PageText(Pdf(), 1);
    EXPECT_NE(page.find("Next line"), std::string::npos) << page.substr(0, 400);
    EXPECT_EQ(page.find("END"), std::string::npos);
    // Twelve characters an inch from half an inch in to the edge of a page 8.5 inches wide.
    const size_t from = page.find("Name: "), to = page.find_first_not_of('n', from + 6);
    ASSERT_NE(from, std::string::npos);
    EXPECT_NEAR(double(to - from - 6), 90, 3);
}

TEST_F(PdfTest, OrientationChangedDuringAJobTurnsTheNextPage) {
    TPrintReport r;
    double widthOnPage2 = 0;
    r.OnPrintPage = [&](TBaseReport& b, int& p) {
        b.PrintLn("page " + std::to_string(p));
        if (p == 2) widthOnPage2 = b.PageWidth();
        if (p == 1) b.SetOrientation(poLandScape);
        return p < 2;
    };
    r.Execute();
    EXPECT_DOUBLE_EQ(widthOnPage2, 11);
    std::string info = Output("pdfinfo -f 1 -l 2 '" + Pdf() + "'");
    std::string packed;
    for (char c : info)
        if (c != ' ') packed += c;
    EXPECT_NE(packed.find("Page1size:612x792"), std::string::npos) << info;
    EXPECT_NE(packed.find("Page2size:792x612"), std::string::npos) << info;
    EXPECT_NE(PageText(Pdf(), 2).find("page 2"), std::string::npos);
}

// A disk that fills up under a job, here a file size limit: Qt writes its last buffer as it
// closes the file and keeps that write's failure to itself, so the document is cut. The job
// fails with the reason, the earlier file stays as it was, and no part file is left.
TEST_F(PdfTest, ADocumentWhoseWritesFailLeavesTheEarlierFileAsItWas) {
    const std::string earlier(32 << 10, 'e');
    std::ofstream(Pdf(), std::ios::binary) << earlier;
    // 14 pages fill Qt's buffer once and lose the rest as the file closes; 40 fail on the way.
    for (const int pages : {14, 40}) {
        const std::string outcome = ChildOutput([pages] {
            const rlimit limit{16 << 10, 16 << 10};
            ::signal(SIGXFSZ, SIG_IGN);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("no limit");
            return Outcome(pages);
        });
        EXPECT_NE(outcome.find(std::strerror(EFBIG)), std::string::npos) << outcome;
        EXPECT_TRUE(ReadAll(Pdf()) == earlier) << pages << " pages changed the earlier file";
        EXPECT_EQ(Files(), std::vector<std::string>{"out.pdf"});
    }
    // Without the limit the same job prints.
    EXPECT_EQ(Outcome(14), "printed");
    EXPECT_EQ(PageCount(Pdf()), 14);
    EXPECT_GT(std::filesystem::file_size(Pdf()), 16u << 10);
}

// A job killed on its way leaves its part file beside the file; the next job to that file
// removes it, but not one whose process still runs, nor another file's.
TEST_F(PdfTest, ThePartFileOfAKilledJobGoesWithTheNextJob) {
    const std::string said = ChildOutput([] {
        TPrintReport r;
        r.OnPrintPage = [](TBaseReport& b, int& page) {
            b.PrintLn("page " + std::to_string(page));
            if (page == 2) ::raise(SIGKILL);
            return true;
        };
        r.Execute();
        return std::string("not killed");
    });
    EXPECT_EQ(said, " (the child failed)");
    const std::vector<std::string> left = Files();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].starts_with(".out.pdf.") && left[0].ends_with(".part")) << left[0];
    const std::string running = ".out.pdf." + std::to_string(::getpid()) + "-99.part";
    const std::string other = ".other.pdf." + left[0].substr(9);
    std::ofstream(dir.File(running)) << "a job of this process";
    std::ofstream(dir.File(other)) << "another file's";
    EXPECT_EQ(Outcome(1), "printed");
    EXPECT_EQ(Files(), (std::vector<std::string>{other, running, "out.pdf"}));
}
