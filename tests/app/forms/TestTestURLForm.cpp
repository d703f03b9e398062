// The web page access test dialog on the offscreen platform, over a scripted connector.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <set>

#include "AppSeams.h"
#include "BankFixture.h"
#include "ElastFrmQt.h"
#include "EntryListHelpers.h"
#include "MainForm.h"
#include "TestURlForm1.h"
#include "VirtualTrees.h"
#include "platform/qt/Application.h"
#include "ui_MainForm.h"
#include "ui_TestURlForm1.h"

namespace {

class FakeConnector : public TUrlConnector {
public:
    void Start(const std::string& url, TDone done) override {
        started.push_back(url);
        pending = std::move(done);
    }
    void Cancel() override {
        ++cancels;
        pending = nullptr;
    }
    void Finish(bool ok) {
        TDone done = std::move(pending);
        pending = nullptr;
        done(ok, ok ? std::string() : "[10061] Connection refused");
    }
    std::vector<std::string> started;
    TDone pending;
    int cancels = 0;
};

class TestURLForm : public BankFixture {
protected:
    TestURLForm() {
        for (const char* name : {"Delta", "alpha", "Charlie", "Bravo"}) Add(Named(name));
        TEntry ftp = Named("Echo");
        ftp.URL = "ftp://echo";
        Add(ftp);
        Bank().Entry(1).Favorite = Mark;
    }
    std::string Text(QLabel* label) { return FromQString(label->text()); }
    std::vector<std::string> Shown(TTestURLForm& form, int column = 0) {
        std::vector<std::string> out;
        for (int r = 0; r < form.TestList().rowCount(); ++r)
            out.push_back(FromQString(CellText(form.TestList(), r, column)));
        return out;
    }
    // Selects the rows shown at these display positions.
    void SelectShown(TTestURLForm& form, const std::vector<int>& display) {
        std::vector<size_t> rows;
        for (int d : display) rows.push_back(form.TestList().RowAt(d));
        form.TestList().SelectRows(rows);
    }

    FakeConnector connector;
};

TEST_F(TestURLForm, ListsTheWebEntriesSortedWithHiddenURLAndResultColumns) {
    TTestURLForm form(nullptr, &connector);
    EXPECT_EQ(FromQString(form.windowTitle()), "Lorvane Web Page Access Test");
    EXPECT_EQ(form.size(), QSize(608, 437));
    TEntryListView& list = form.TestList();
    ASSERT_EQ(list.columnCount(), 7);
    EXPECT_EQ(FromQString(list.model()->headerData(2, Qt::Horizontal).toString()), "Category 1");
    EXPECT_TRUE(list.isColumnHidden(tuColumnURL));
    EXPECT_TRUE(list.isColumnHidden(tuColumnResult));
    EXPECT_EQ(Shown(form), (Strings{"alpha", "Bravo", "Charlie", "Delta"}));
    EXPECT_EQ(Shown(form, 1)[0], "*");
    EXPECT_EQ(Shown(form, tuColumnURL)[1], "http://Bravo");
    EXPECT_TRUE(Text(form.Form().Label6).empty());
    EXPECT_EQ(Text(form.Form().Label5), "Select (Ctrl-A to select All)");
    EXPECT_EQ(FromQString(form.Form().TestButton->toolTip()), "Test selected entries.");
    // Ctrl+A selects every row.
    QKeyEvent ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QApplication::sendEvent(&list, &ctrlA);
    EXPECT_EQ(list.SelectedRows().size(), 4u);
}

TEST_F(TestURLForm, TestsTheSelectedRowsInTheOrderShownAndLocksTheDialogMeanwhile) {
    TTestURLForm form(nullptr, &connector);
    form.TestList().SortBy(0);
    SelectShown(form, {0, 2, 3});
    form.Form().TestButton->click();
    EXPECT_EQ(Shown(form), (Strings{"alpha", "Charlie", "Delta"}));
    EXPECT_EQ(connector.started, Strings{"http://alpha"});
    EXPECT_FALSE(form.Form().TestButton->isEnabled());
    EXPECT_FALSE(form.Form().DeleteButton->isEnabled());
    EXPECT_TRUE(form.Form().CloseButton->isEnabled());
    EXPECT_FALSE(form.TestList().horizontalHeader()->sectionsClickable());
    EXPECT_EQ(form.TestList().selectionMode(), QAbstractItemView::NoSelection);
    form.TestList().selectAll();  // refused while running
    EXPECT_EQ(form.TestList().SelectedRows().size(), 3u);

    connector.Finish(true);
    EXPECT_EQ(form.TestList().SelectedRows().size(), 2u);  // the tested row is unselected
    connector.Finish(false);
    connector.Finish(true);
    EXPECT_EQ(connector.started, (Strings{"http://alpha", "http://Charlie", "http://Delta"}));
    EXPECT_EQ(Text(form.Form().Label6), "2 of 3 Tests Were Successful!");
    EXPECT_EQ(Shown(form, tuColumnResult), (Strings{"S", "", "S"}));
    EXPECT_TRUE(form.TestList().SelectedRows().empty());
    EXPECT_TRUE(form.Form().TestButton->isEnabled());
    EXPECT_TRUE(form.TestList().horizontalHeader()->sectionsClickable());
    EXPECT_EQ(form.TestList().selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(Text(form.Form().Label8).empty());

    // What a run leaves: nothing selected, so Test again empties the list.
    form.Form().TestButton->click();
    EXPECT_EQ(form.TestList().rowCount(), 0);
    EXPECT_EQ(Text(form.Form().Label6), "0 Tests Were Successful!");
}

TEST_F(TestURLForm, CloseDuringAConnectCancelsItAndStartsNoOther) {
    TTestURLForm form(nullptr, &connector);
    form.TestList().selectAll();
    form.Form().TestButton->click();
    ASSERT_TRUE(connector.pending);
    form.Form().CloseButton->click();
    EXPECT_EQ(connector.cancels, 1);
    EXPECT_FALSE(form.Run().Running());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(connector.started.size(), 1u);
    // Esc (reject) stops a run just as well.
    TTestURLForm other(nullptr, &connector);
    other.TestList().selectAll();
    other.Form().TestButton->click();
    other.reject();
    EXPECT_EQ(connector.cancels, 2);
    EXPECT_FALSE(other.Run().Running());
}

TEST_F(TestURLForm, DeleteRemovesTheSelectedRowsEntriesAndCloses) {
    Add(Named("ALPHA"));  // the same name in another letter case stays
    TTestURLForm form(nullptr, &connector);
    SelectShown(form, {0, 4});  // "alpha" and "Delta"
    messages.Answer(mrYes);
    form.Form().DeleteButton->click();
    EXPECT_EQ(Names(), (Strings{"Charlie", "Bravo", "Echo", "ALPHA"}));
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_EQ(messages.LastText(), "Deletes complete.");
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(TestURLForm, RendersItsRowsAndStates) {
    Settings().ConfirmDeletes = true;
    TTestURLForm form(nullptr, &connector);
    auto* elastic = form.findChild<TElasticFormQt*>();
    ASSERT_NE(elastic, nullptr);
    elastic->ResolutionIndependence = false;  // the design size on any screen
    form.TestList().selectAll();
    form.show();
    form.Form().TestButton->click();
    connector.Finish(true);
    connector.Finish(false);
    QApplication::processEvents();
    const QImage shot = form.grab().toImage();
    shot.save(LORVANE_SCREENSHOT_DIR "/testurlform.png");
    EXPECT_EQ(shot.size(), form.size());
    EXPECT_FALSE(Text(form.Form().Label3).empty());
    form.CloseButtonClick();
}

TEST_F(TestURLForm, RowsShareOneIconPerState) {
    for (int i = 0; i < 40; ++i) Add(Named("n" + std::to_string(i)));
    TTestURLForm form(nullptr, &connector);
    form.TestList().selectAll();
    form.Form().TestButton->click();
    connector.Finish(true);
    connector.Finish(false);
    std::set<qint64> icons;
    for (int r = 0; r < form.TestList().rowCount(); ++r) {
        const QModelIndex cell = form.TestList().model()->index(r, 0);
        icons.insert(qvariant_cast<QIcon>(cell.data(Qt::DecorationRole)).cacheKey());
    }
    EXPECT_EQ(form.TestList().rowCount(), 44);
    EXPECT_EQ(icons.size(), 3u) << "answered, failed and untested";
    form.CloseButtonClick();
}

TEST_F(TestURLForm, TheMainWindowsCommandNeedsABankAndRebuildsTheTreeAfterwards) {
    TMainForm main;  // starts without a bank
    EXPECT_TRUE(main.Form().TestWebPageAccess1->isEnabled());
    main.Form().TestWebPageAccess1->trigger();
    EXPECT_EQ(messages.Texts(), Strings{"No Bank Is Open!\rThis operation cannot be completed."});
    messages.Shown.clear();
    for (const char* name : {"Delta", "alpha"}) Add(Named(name));
    int validated = 0;
    Seams().ValidateUser = [&] { ++validated; };
    // The dialog closes as soon as it is shown.
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<TTestURLForm*>(QApplication::activeModalWidget()))
            dialog->CloseButtonClick();
    });
    Settings().UserName = "me";
    main.Form().TestWebPageAccess1->trigger();
    EXPECT_EQ(validated, 1);
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_GT(main.VST().TotalCount(), 0u);  // rebuilt after the dialog
}

}  // namespace
