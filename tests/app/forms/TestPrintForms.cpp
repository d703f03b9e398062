// The Print command's dialogs on the offscreen platform, and a print run to a PDF file read
// back with poppler's command-line tools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "BankFixture.h"
#include "EntryListHelpers.h"
#include "EntryListView.h"
#include "ExportCommands.h"
#include "MainForm.h"
#include "ModalHelpers.h"
#include "PrintForms.h"
#include "RPrinter.h"
#include "TempDir.h"
#include "platform/Printer.h"
#include "platform/qt/Application.h"
#include "ui_ReptSelForm.h"

namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        pclose(p);
    }
    return out;
}

bool HavePoppler() {
    return std::system("which pdftotext pdfinfo pdftoppm >/dev/null 2>&1") == 0;
}

class PrintForms : public BankFixture {
protected:
    PrintForms() {
        auto d = std::make_unique<TRPPrinterDevice>(CreateSystemPrinter());
        device = d.get();
        device->SetOutputFileName(dir.File("out.pdf"));
        SetGlobalDevice(std::move(d));
    }
    ~PrintForms() override { SetGlobalDevice(nullptr); }
    void AddBank() {
        TEntry a = Named("Alpha");
        a.UserID = "alice";
        a.Password = "apw";
        a.Notes = "First note line\r\nSecond note line";
        Add(a);
        TEntry b = Named("Beta");
        b.Description = "The second site";
        b.UserID = "bob";
        Add(b);
        Add(Named("Gamma"));
    }
    // The print dialog answering the report choice with `kind` (Cancel for -1) and the
    // printer set-up with `printerOk`.
    void Script(TPrintSelForm& form, int kind, bool printerOk) {
        form.ChooseReport = [this, kind](TReptSelForm& choice) {
            ++choices;
            if (kind < 0) return int(QDialog::Rejected);
            if (kind == rkCustom) choice.Form().RptNoItem1->click();
            return int(QDialog::Accepted);
        };
        form.SetUpPrinter = [this, printerOk] {
            ++setups;
            return printerOk;
        };
    }
    bool Printed() const { return std::filesystem::exists(dir.File("out.pdf")); }
    static void Screenshot(QWidget& w, const char* name) {
        w.grab().save(QString(LORVANE_SCREENSHOT_DIR) + "/" + name + ".png");
    }

    TempDir dir;
    TRPPrinterDevice* device = nullptr;
    int choices = 0, setups = 0;
};

}  // namespace

TEST_F(PrintForms, ReportChoiceStartsWithUserIdsAndCustomTicksEveryField) {
    TReptSelForm form;
    EXPECT_EQ(form.windowTitle(), "Lorvane Report Selection");
    EXPECT_EQ(form.Kind(), rkUserIdPassword);
    EXPECT_EQ(form.findChildren<QCheckBox*>().size(), pfFieldCount);
    TPrintFields none{};
    EXPECT_EQ(form.Fields(), none);
    // Each box ticks its own field.
    EXPECT_EQ(form.Form().Cat3ChkBox->text(), "Category 3");
    EXPECT_EQ(form.Form().CNoteChkBox->text(), "Confidential Notes");
    form.Form().Cat3ChkBox->click();
    form.Form().CNoteChkBox->click();
    TPrintFields two{};
    two[pfCategory3] = two[pfConfNotes] = true;
    EXPECT_EQ(form.Fields(), two);
    form.Form().RptNoItem1->click();
    EXPECT_EQ(form.Kind(), rkCustom);
    TPrintFields all;
    all.fill(true);
    EXPECT_EQ(form.Fields(), all);
    // Unticking afterwards sticks; going back to the user ids changes no box.
    form.Form().NotesChkBox->click();
    form.Form().RptNoItem0->click();
    all[pfNotes] = false;
    EXPECT_EQ(form.Fields(), all);
    form.Form().RptNoItem1->click();
    form.show();
    Screenshot(form, "ReptSelForm");
    EXPECT_EQ(form.Fields()[pfNotes], true);
    // A click on "Custom" while it is the choice already keeps what was unticked.
    form.Form().NotesChkBox->click();
    QRadioButton* custom = form.Form().RptNoItem1;
    QTest::mouseClick(custom, Qt::LeftButton, {}, QPoint(8, custom->height() / 2));
    EXPECT_EQ(form.Kind(), rkCustom);
    EXPECT_EQ(form.Fields()[pfNotes], false);
}

TEST_F(PrintForms, NothingSelectedAsksNothingAndPrintsNothing) {
    AddBank();
    TPrintSelForm form;
    Script(form, rkUserIdPassword, true);
    EXPECT_EQ(form.windowTitle(), "Lorvane Print Selection");
    EXPECT_EQ(form.List().rowCount(), 3);
    form.PrintButton()->click();
    EXPECT_EQ(messages.Texts(), Strings{"No Entries Selected!\rPlease try again."});
    EXPECT_EQ(choices, 0);
    EXPECT_EQ(setups, 0);
    EXPECT_FALSE(Printed());
    form.show();
    SelectByName(form.List(), {"Beta"});
    Screenshot(form, "PrintSelForm");
}

TEST_F(PrintForms, CancellingTheChoiceOrThePrinterPrintsNothing) {
    AddBank();
    TPrintSelForm form;
    SelectByName(form.List(), {"Alpha"});
    Script(form, -1, true);
    form.PrintButton()->click();
    EXPECT_EQ(choices, 1);
    EXPECT_EQ(setups, 0);
    Script(form, rkCustom, false);
    form.PrintButton()->click();
    EXPECT_EQ(setups, 1);
    EXPECT_FALSE(Printed());
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(PrintForms, PrintsTheCustomReportToPdf) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils are not installed";
    AddBank();
    TPrintSelForm form;
    SelectByName(form.List(), {"Alpha", "Beta"});
    Script(form, rkCustom, true);
    form.PrintButton()->click();
    ASSERT_TRUE(Printed());
    EXPECT_TRUE(messages.Shown.empty());
    const std::string pdf = dir.File("out.pdf");
    EXPECT_NE(Output("pdfinfo '" + pdf + "'").find("Pages:           1"), std::string::npos);
    const std::string text = Output("pdftotext -layout '" + pdf + "' -");
    EXPECT_NE(text.find("Lorvane Information"), std::string::npos) << text;
    EXPECT_NE(text.find("Page: 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Alpha"), std::string::npos) << text;
    EXPECT_NE(text.find("The second site"), std::string::npos) << text;
    EXPECT_NE(text.find("Second note line"), std::string::npos) << text;
    EXPECT_EQ(text.find("Gamma"), std::string::npos) << text;
    // The fixed-pitch face the 92 columns are laid out for.
    const std::string fonts = Output("pdffonts '" + pdf + "'");
    EXPECT_NE(fonts.find("LiberationMono"), std::string::npos) << fonts;
    // A look at the page.
    Output("pdftoppm -png -r 80 -f 1 -l 1 -singlefile '" + pdf + "' '" +
           std::string(LORVANE_SCREENSHOT_DIR) + "/PrintedCustomReport'");
    // The dialog stays for another run: the user id list this time.
    std::filesystem::remove(pdf);
    Script(form, rkUserIdPassword, true);
    SelectByName(form.List(), {"Alpha", "Beta"});
    form.PrintButton()->click();
    ASSERT_TRUE(Printed());
    const std::string ids = Output("pdftotext -layout '" + pdf + "' -");
    EXPECT_NE(ids.find("Lorvane User ID / Password Information"), std::string::npos) << ids;
    EXPECT_NE(ids.find("bob"), std::string::npos) << ids;
    Output("pdftoppm -png -r 80 -f 1 -l 1 -singlefile '" + pdf + "' '" +
           std::string(LORVANE_SCREENSHOT_DIR) + "/PrintedUserIdReport'");
}

TEST_F(PrintForms, NamesDifferingInCaseAreTwoEntries) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils are not installed";
    TEntry first = Named("Twin");
    first.UserID = "firstid";
    Add(first);
    TEntry second = Named("twin");
    second.UserID = "secondid";
    Add(second);
    TPrintSelForm form;
    SelectByName(form.List(), {"Twin", "twin"});
    Script(form, rkUserIdPassword, true);
    form.PrintButton()->click();
    const std::string text = Output("pdftotext -layout '" + dir.File("out.pdf") + "' -");
    EXPECT_NE(text.find("firstid"), std::string::npos) << text;
    EXPECT_NE(text.find("secondid"), std::string::npos) << text;
}

TEST_F(PrintForms, EntriesPrintInTheOrderShown) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils are not installed";
    TEntry a = Named("Alpha", "Zed");
    a.UserID = "alphaid";
    Add(a);
    TEntry b = Named("Beta", "Ace");
    b.UserID = "betaid";
    Add(b);
    TPrintSelForm form;
    form.List().SortBy(elcCategory1);
    SelectByName(form.List(), {"Alpha", "Beta"});
    Script(form, rkUserIdPassword, true);
    form.PrintButton()->click();
    const std::string text = Output("pdftotext -layout '" + dir.File("out.pdf") + "' -");
    ASSERT_NE(text.find("alphaid"), std::string::npos) << text;
    EXPECT_LT(text.find("betaid"), text.find("alphaid")) << text;
}

TEST_F(PrintForms, PrinterSetUpWorksOnThePrinterThatPrints) {
    bool wasPrintDialog = false;
    WhenModal([&](QWidget* modal) {
        wasPrintDialog = qobject_cast<QPrintDialog*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_FALSE(ShowPrinterSetup(nullptr));
    EXPECT_TRUE(wasPrintDialog);
    WhenModal([&](QWidget* modal) {
        modal->grab().save(QString(LORVANE_SCREENSHOT_DIR) + "/PrinterSetup.png");
        static_cast<QDialog*>(modal)->accept();
    });
    EXPECT_TRUE(ShowPrinterSetup(nullptr));
    // The file chosen on the printer is the one printed to.
    EXPECT_EQ(device->OutputFileName(), dir.File("out.pdf"));
    EXPECT_TRUE(device->HasPrinter());
}

TEST_F(PrintForms, PrintCommandAsksThePrintPasswordFirst) {
    TMainForm window;
    std::vector<int> asked;
    OperationPasswordCheck() = [&](int operation) {
        asked.push_back(operation);
        return false;
    };
    window.Print1Click();
    EXPECT_EQ(asked, std::vector<int>{PrintPasswordOperation});
    EXPECT_TRUE(messages.Shown.empty());
    // Allowed, but no bank and no new one: nothing opens.
    OperationPasswordCheck() = [](int) { return true; };
    messages.Answer(mrNo);
    window.Print1Click();
    EXPECT_EQ(messages.Texts().size(), 1u);
}
