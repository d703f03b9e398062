// The shared entry list, the export dialogs and the Export and Import commands on the offscreen
// platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>

#include "BankFile.h"
#include "BankFixture.h"
#include "ElastFrmQt.h"
#include "EntryListHelpers.h"
#include "EntryListView.h"
#include "ExportCommands.h"
#include "ExportForms.h"
#include "ExportSeams.h"
#include "ExportSelection.h"
#include "ExportWriters.h"
#include "GridRuns.h"
#include "ImportReaders.h"
#include "MainForm.h"
#include "ModalHelpers.h"
#include "TempDir.h"
#include "platform/Clipboard.h"
#include "platform/FileUtils.h"
#include "platform/qt/Application.h"
#include "ui_ExpC1Form.h"
#include "ui_ExpSelForm.h"
#include "ui_MainForm.h"

namespace {

Strings Column(const TEntryListView& list, int column) {
    Strings out;
    for (int r = 0; r < list.rowCount(); ++r) out.push_back(FromQString(CellText(list, r, column)));
    return out;
}

// The stored fields of an entry, without its place in the tree.
TEntry Fields(const TEntry& e) {
    TEntry f;
    f.AssignFields(e);
    return f;
}

// The entry of a name (the tree's rebuild sorts the bank).
const TEntry& ByName(const std::string& name) {
    for (int i = 0; i <= Bank().EntryHigh; ++i)
        if (Bank().Entry(i).Name == name) return Bank().Entry(i);
    throw std::runtime_error("no entry " + name);
}

class ExportForms : public BankFixture {
protected:
    ExportForms() { InstallScriptedSeams(); }
    // File dialogs answered from `answer` (empty cancels), the clipboard kept.
    void InstallScriptedSeams() {
        ExportSeams().ChooseSaveFile = [this](const TFileRequest& r, std::string& chosen) {
            requests.push_back(r);
            chosen = answer;
            return !answer.empty();
        };
        ExportSeams().ChooseOpenFile = ExportSeams().ChooseSaveFile;
        ExportSeams().SetClipboardText = [this](const std::string& text) { clipboard = text; };
    }
    void AddCategoryBank() {
        Add(Named("e0", "Work", "Mail"));
        Add(Named("e1", "Work", "News"));
        Add(Named("e2", "work", "News", "x"));
        Add(Named("e3"));
        Add(Named("e4", "Tools"));
    }
    static void Screenshot(QWidget& w, const char* name) {
        w.grab().save(QString(LORVANE_SCREENSHOT_DIR) + "/" + name + ".png");
    }

    TempDir dir;
    std::string answer;
    std::vector<TFileRequest> requests;
    std::string clipboard;
};

// ---- The shared list ----

TEST_F(ExportForms, ListRowsMarksAndAdministrators) {
    TEntry alpha = Named("Alpha");
    alpha.Favorite = Mark;
    Add(alpha);
    Add(Named(Mark + "Team", Mark + "Work"));
    Add(Named("beta"));
    TEntryListView list;
    list.FillEntries(Bank());
    EXPECT_EQ(list.columnCount(), 5);
    EXPECT_EQ(FromQString(list.model()->headerData(1, Qt::Horizontal).toString()), "Fav");
    EXPECT_EQ(Column(list, 0), (Strings{"Alpha", "beta"}));
    EXPECT_EQ(Column(list, 1), (Strings{"*", "\xA0"}));
    EXPECT_EQ(CellText(list, 1, 1), QString(QChar(0xA0)));
    Bank().IsAdministrator = true;
    list.FillEntries(Bank());
    EXPECT_EQ(Column(list, 0), (Strings{"Alpha", "beta", Mark + "Team"}));
    // Whole rows, several at once, visible without the focus.
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(list.showGrid());
    EXPECT_EQ(list.palette().color(QPalette::Inactive, QPalette::Highlight),
              list.palette().color(QPalette::Active, QPalette::Highlight));
}

// Counts the cell sizes the style measures.
class TCellSizeCount : public QProxyStyle {
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_ItemViewItem) ++Count;
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }
    mutable int Count = 0;
};

TEST_F(ExportForms, ListSizesItsColumnsMeasuringEachTextOfAColumnOnce) {
    for (int i = 0; i < 30; ++i)
        Add(Named("Name " + std::to_string(i % 3), i % 2 ? "Work" : "Home and garden"));
    TCellSizeCount style;
    TEntryListView list;
    list.setStyle(&style);
    list.resize(700, 300);
    list.FillEntries(Bank());
    style.Count = 0;
    list.SizeColumns();
    // Name: three texts, Category 1: two, Categories 2 and 3: one each; Fav fits its caption.
    EXPECT_EQ(style.Count, 7);
    // As wide as the view measures every cell.
    QHeaderView& header = *list.horizontalHeader();
    const QAbstractItemView& view = list;
    for (int c : {elcName, elcCategory1, elcCategory2, elcCategory3})
        EXPECT_EQ(list.columnWidth(c),
                  std::max(header.sectionSizeHint(c), view.sizeHintForColumn(c)))
            << c;
    EXPECT_EQ(list.columnWidth(elcFav), header.sectionSizeHint(elcFav));
}

TEST_F(ExportForms, ListGridLinesAreOneDevicePixelAtAFractionalScale) {
    for (int i = 0; i < 8; ++i) Add(Named("n" + std::to_string(i)));
    TEntryListView list;
    list.resize(500, 200);
    list.show();
    list.FillEntries(Bank());
    QApplication::processEvents();
    QWidget* viewport = list.viewport();
    QImage picture(viewport->size() * 3 / 2, QImage::Format_RGB32);
    picture.setDevicePixelRatio(1.5);
    picture.fill(Qt::white);
    viewport->render(&picture);
    QStyleOptionViewItem option;
    const QRgb grid = QColor::fromRgba(QRgb(list.style()->styleHint(QStyle::SH_Table_GridLineColor,
                                                                    &option, &list)))
                          .rgb();
    const int x = (list.columnWidth(0) - 4) * 3 / 2;
    const int y = list.rowHeight(0) * 3 / 4;
    const std::vector<int> across = GridRuns(picture, grid, true, x);
    const std::vector<int> along = GridRuns(picture, grid, false, y);
    EXPECT_GE(across.size(), 8u);
    EXPECT_GE(along.size(), 4u);
    for (int run : across) EXPECT_EQ(run, 1) << "a row's line";
    for (int run : along) EXPECT_EQ(run, 1) << "a column's line";
}

TEST_F(ExportForms, HeaderClicksSortWithTheChainsAndKeepTheSelection) {
    Add(Named("n1", "b", "x", ""));
    Add(Named("n2", "a", "x", ""));
    Add(Named("n3", "a", "X", "a"));
    TEntry fav = Named("n0", "z", "y");
    fav.Favorite = Mark;
    Add(fav);
    TEntryListView list;
    list.resize(500, 200);
    list.show();
    list.FillEntries(Bank());
    EXPECT_EQ(Column(list, 0), (Strings{"n0", "n1", "n2", "n3"}));
    SelectByName(list, {"n3", "n0"});
    EXPECT_EQ(list.selectedIndices(), (std::vector<int>{2, 3}));
    ClickHeader(list, elcCategory2);
    EXPECT_EQ(list.SortColumn(), elcCategory2);
    EXPECT_EQ(Column(list, 0), (Strings{"n2", "n1", "n3", "n0"}));
    EXPECT_EQ(list.selectedIndices(), (std::vector<int>{2, 3}));
    std::vector<size_t> shown = list.SelectedRows();
    EXPECT_EQ(shown, (std::vector<size_t>{2, 3}));  // n3 before n0 as shown
    ClickHeader(list, elcFav);
    EXPECT_EQ(Column(list, 0), (Strings{"n0", "n1", "n2", "n3"}));
    // Ctrl+A selects every row.
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list.selectedIndices(), (std::vector<int>{0, 1, 2, 3}));
    // A row's own texts and icon follow it through sorting.
    list.SetRowText(0, 2, "zz");
    ClickHeader(list, elcCategory1);
    EXPECT_EQ(Column(list, 0).back(), "n1");
    Screenshot(list, "EntryListView");
}

// ---- The dialogs ----

TEST_F(ExportForms, SelectionDialogLooksAndStartsRight) {
    for (int i = 0; i < 40; ++i)
        Add(Named("Entry " + std::to_string(i), i % 3 ? "Work" : "Home", i % 2 ? "Mail" : ""));
    Bank().Entry(3).Favorite = Mark;
    TExpSelForm form;
    Ui::ExpSelForm& f = form.Form();
    EXPECT_EQ(form.windowTitle(), "Lorvane Export By Selection");
    EXPECT_EQ(f.Label1->text(), "Select Entries(s) to Export");
    EXPECT_EQ(form.ExportTo(), efClipboard);
    EXPECT_EQ(f.ExportToItem3->text(), "Bookmark ");
    EXPECT_EQ(form.ExportButton()->text(), "&Export");
    EXPECT_EQ(form.property("HelpContext").toInt(), 170);
    EXPECT_EQ(f.EntryList->rowCount(), 40);
    form.show();
    QApplication::processEvents();
    Screenshot(form, "ExpSelForm");
}

TEST_F(ExportForms, ListColumnsFitTheirTextsWithinTheList) {
    Bank().IsAdministrator = true;
    Add(Named("Comma, name and more", "Pers\xF6nliche Sachen", "Unterlagen"));
    Add(Named(Mark + "Team pages of the group", Mark + "Workgroup", "Shared"));
    Add(Named(Mark + "Team pages of the office", Mark + "Workgroup", "Shared"));
    Add(Named("Short"));
    TExpSelForm form;
    form.show();
    QApplication::processEvents();
    // Made larger, the dialog scales its fonts: the columns follow.
    TEntryListView& list = *form.Form().EntryList;
    form.findChild<TElasticFormQt*>()->SetSettleInterval(0);
    const QFont designed = list.font();
    form.resize(900, 700);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.font() != designed; }, 5000));
    QApplication::processEvents();
    Screenshot(form, "ExpSelFormTexts");
    // The grown captions keep their height: the export targets beside the buttons are not cut.
    for (QAbstractButton* b : form.findChildren<QAbstractButton*>())
        EXPECT_GE(b->height(), b->minimumSizeHint().height()) << FromQString(b->text());
    const QFontMetrics metrics(list.font());
    for (int c = 0; c < list.columnCount(); ++c)
        for (int r = 0; r < list.rowCount(); ++r)
            EXPECT_GE(list.columnWidth(c), metrics.horizontalAdvance(CellText(list, r, c)))
                << FromQString(CellText(list, r, c));
    // A very long name: no column wider than the list, every column still in view.
    Add(Named(std::string(400, 'n'), "Work"));
    list.FillEntries(Bank());
    QApplication::processEvents();
    Screenshot(form, "ExpSelFormLongName");
    int total = 0;
    for (int c = 0; c < list.columnCount(); ++c) {
        EXPECT_LE(list.columnWidth(c), list.viewport()->width());
        total += list.columnWidth(c);
    }
    EXPECT_LE(total, list.viewport()->width());
    EXPECT_GE(list.columnWidth(elcCategory1), metrics.horizontalAdvance("Pers\u00F6nliche Sachen"));
}

TEST_F(ExportForms, HugeNameShowsItsStartAndStaysChoosable) {
    const std::string huge(30 << 20, 'h');
    Add(Named("Alpha", "Work"));
    Add(Named(huge, "Work"));
    TExpSelForm form;
    form.show();
    QApplication::processEvents();
    TEntryListView& list = *form.Form().EntryList;
    ASSERT_EQ(list.rowCount(), 2);
    // Qt lays out and measures only the start of the name; the row keeps the whole of it.
    const QString shown = CellText(list, 1, elcName);
    EXPECT_EQ(shown.size(), qsizetype(ListCellTextBytes + 3));
    EXPECT_TRUE(shown.endsWith("..."));
    EXPECT_LE(list.columnWidth(elcName), list.viewport()->width());
    EXPECT_EQ(list.Rows()[list.RowAt(1)].Text(elcName), huge);
    SelectByName(list, {huge});
    EXPECT_EQ(list.selectedIndices(), std::vector<int>{1});
}

TEST_F(ExportForms, NothingSelectedKeepsTheDialogOpen) {
    AddCategoryBank();
    TExpSelForm form;
    form.SetExportTo(efFile);
    form.ExportButton()->click();
    EXPECT_EQ(messages.Texts(), Strings{"Nothing Selected!\rPlease try again."});
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(form.result(), 0);
}

TEST_F(ExportForms, CancelledFileKeepsTheSelectionAndHtmlCancelCloses) {
    AddCategoryBank();
    TExpSelForm form;
    SelectByName(form.List(), {"e1", "e3"});
    for (int target : {efFile, efBankV1, efBookmark, efBankV2}) {
        form.SetExportTo(target);
        form.ExportButton()->click();
        EXPECT_EQ(form.result(), int(QDialog::Rejected));
        EXPECT_EQ(form.List().selectedIndices(), (std::vector<int>{1, 3}));
    }
    EXPECT_EQ(requests.size(), 4u);
    form.SetExportTo(efHTML);
    form.ExportButton()->click();
    EXPECT_EQ(form.result(), int(QDialog::Accepted));
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(ExportForms, SelectionExportsExactlyTheRowsInBankOrder) {
    Add(Named("zeta", "A"));
    Add(Named("Same", "B"));
    Add(Named("same", "C"));
    Add(Named("alpha", "D"));
    TExpSelForm form;
    TEntryListView& list = form.List();
    // Shown by name: alpha (3), Same (1), same (2), zeta (0); the selection as shown runs
    // against the bank's order.
    SelectByName(list, {"zeta", "same", "alpha"});
    answer = dir.File("sel.dat");
    form.SetExportTo(efFile);
    form.ExportButton()->click();
    EXPECT_EQ(form.result(), int(QDialog::Accepted));
    const std::vector<std::string> lines = SplitLines(ReadFileBytes(answer));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].substr(0, 7), "\"zeta\",");
    EXPECT_EQ(lines[2].substr(0, 7), "\"same\",");  // not its namesake "Same"
    EXPECT_EQ(lines[3].substr(0, 8), "\"alpha\",");
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (3 Entries)"});
}

TEST_F(ExportForms, CategoryDialogsRowsAndMatching) {
    AddCategoryBank();
    BuildCategoryKeys(Bank());
    TExpC1Form c1;
    EXPECT_EQ(Column(c1.List(), 0), (Strings{"Tools", "Work"}));
    EXPECT_EQ(c1.windowTitle(), "Lorvane Export By Category 1");
    TExpC12Form c12;
    EXPECT_EQ(Column(c12.List(), 1), (Strings{"", "Mail", "News"}));
    TExpC123Form c123;
    EXPECT_EQ(Column(c123.List(), 0), (Strings{"Tools", "Work", "Work", "work"}));
    EXPECT_EQ(Column(c123.List(), 2), (Strings{"", "", "", "x"}));
    // Sorting by Category 2 puts (Tools, "") first, then Mail, News / News by 3, 1.
    c123.List().SortBy(1);
    EXPECT_EQ(Column(c123.List(), 1), (Strings{"", "Mail", "News", "News"}));
    EXPECT_EQ(Column(c123.List(), 2), (Strings{"", "", "", "x"}));

    // "Work" takes Work and work, in bank order, whatever the row order.
    c1.List().SelectRows({1});
    c1.ExportButton()->click();
    EXPECT_EQ(c1.result(), int(QDialog::Accepted));
    EXPECT_LT(clipboard.find("e0\r\n"), clipboard.find("e1\r\n"));
    EXPECT_LT(clipboard.find("e1\r\n"), clipboard.find("e2\r\n"));
    EXPECT_EQ(clipboard.find("e4\r\n"), std::string::npos);
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (3 Entries)"});
    c1.show();
    QApplication::processEvents();
    Screenshot(c1, "ExpC1Form");
    c123.show();
    QApplication::processEvents();
    Screenshot(c123, "ExpC123Form");
}

TEST_F(ExportForms, NoCategoriesEndsTheDialogAtOnce) {
    Add(Named("plain"));
    BuildCategoryKeys(Bank());
    TExpC12Form form;
    EXPECT_EQ(messages.Texts(), Strings{"No categories assigned, operation cannot be completed"});
    EXPECT_EQ(form.exec(), int(QDialog::Rejected));
    Bank().CategoryKeys.clear();
    TExpC1Form empty;
    EXPECT_EQ(empty.exec(), int(QDialog::Rejected));
    EXPECT_EQ(messages.Shown.size(), 2u);
}

// ---- The main window's seams ----

TEST_F(ExportForms, FileDialogKeepsItsFolderAndMatchesBothCases) {
    TMainForm main;
    std::filesystem::create_directories(dir.File("a"));
    QStringList filters;
    QString folder, name;
    auto capture = [&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        folder = QFileInfo(dialog->directory().absolutePath()).canonicalFilePath();
        if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit")) name = edit->text();
        dialog->reject();
    };
    const QString a = QFileInfo(QString::fromStdString(dir.File("a"))).canonicalFilePath();
    std::string chosen;
    WhenModal(capture);
    EXPECT_FALSE(ExportSeams().ChooseSaveFile(
        {dir.File("a"), "Lorvane.dat", "Bank Data (*.dat)|*.dat|All Files (*.*)|*.*", "dat"},
        chosen));
    EXPECT_EQ(filters, (QStringList{"Bank Data (*.dat *.DAT)", "All Files (*)"}));
    EXPECT_EQ(folder, a);
    // No folder asked for: the one of the last use, also for opening.
    WhenModal(capture);
    EXPECT_FALSE(ExportSeams().ChooseOpenFile(
        {"", "Bookmark.htm", "Bookmark (*.htm)|*.htm|All Files (*.*)|*.*", "htm"}, chosen));
    EXPECT_EQ(filters, (QStringList{"Bookmark (*.htm *.html *.HTM *.HTML)", "All Files (*)"}));
    EXPECT_EQ(folder, a);
    EXPECT_EQ(name, "Bookmark.htm");
    // A request without a name (a pattern) gets none: the last use's name is not carried over.
    WhenModal(capture);
    EXPECT_FALSE(ExportSeams().ChooseSaveFile(
        {"", "*.bnk", "Bank (*.bnk)|*.bnk|All Files (*.*)|*.*", "bnk"}, chosen));
    EXPECT_EQ(name, "");
    EXPECT_EQ(folder, a);
    // Each dialog goes with its use, and its name completer's popup with it.
    EXPECT_TRUE(main.findChildren<QFileDialog*>().empty());
    // Clipboard exports go through the program's clipboard, line breaks and all.
    ExportSeams().SetClipboardText("one\r\ntwo\r\n");
    EXPECT_EQ(ClipboardText(), "one\r\ntwo\r\n");
}

// ---- The commands ----

class ExportCommandsTest : public ExportForms {
protected:
    ExportCommandsTest() : form(std::make_unique<TMainForm>()) { InstallScriptedSeams(); }
    ~ExportCommandsTest() override { form.reset(); }
    Ui::MainForm& F() { return form->Form(); }
    // Opens the By Selection dialog, selects every row, exports to `target`.
    void ExportAll(int target, const std::string& file) {
        answer = file;
        WhenModal([target](QWidget* w) {
            auto* dialog = qobject_cast<TExpSelForm*>(w);
            ASSERT_NE(dialog, nullptr);
            dialog->List().selectAll();
            dialog->SetExportTo(target);
            dialog->ExportButton()->click();
        });
        F().BySelection1->trigger();
    }
    // A fresh, open, empty bank.
    void EmptyBank() {
        ResetBank();
        Bank().NewBank = true;
        messages.Shown.clear();
    }
    std::unique_ptr<TMainForm> form;
};

TEST_F(ExportCommandsTest, PasswordFirstThenTheBank) {
    std::vector<int> asked;
    bool allow = false;
    OperationPasswordCheck() = [&](int op) {
        asked.push_back(op);
        return allow;
    };
    F().BySelection1->trigger();
    EXPECT_TRUE(messages.Shown.empty());  // a cancelled password shows nothing
    allow = true;
    F().ByCategory11->trigger();
    EXPECT_EQ(asked, (std::vector<int>{4, 4}));
    EXPECT_EQ(messages.Texts(), Strings{"No Bank Is Open!\rThis operation cannot be completed."});
    EXPECT_TRUE(F().BySelection1->isEnabled());
    EXPECT_TRUE(F().NetscapeFavorites1->isEnabled());
}

TEST_F(ExportCommandsTest, CategoryCommandBuildsAndReleasesTheKeys) {
    AddCategoryBank();
    bool sawKeys = false;
    WhenModal([&](QWidget* w) {
        sawKeys = !Bank().CategoryKeys.empty();
        auto* dialog = qobject_cast<TExpC12Form*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->reject();
    });
    F().ByCategory1andCategory21->trigger();
    EXPECT_TRUE(sawKeys);
    EXPECT_TRUE(Bank().CategoryKeys.empty());
}

TEST_F(ExportCommandsTest, DatRoundTripThroughTheCommands) {
    TEntry e = Named("Full", "C1", "C2", "C3");
    e.Description = "desc";
    e.Rating = "5";
    e.UserID = "me";
    e.Password = "pw";
    e.EMail = "a@b";
    e.Notes = "n1\r\nn2";
    e.ConfNotes = "secret";
    e.ChangeDate = EncodeDate(2021, 3, 4) + 0.75;
    e.LastAccess = EncodeDate(2005, 6, 7);
    e.AccessCount = 12;
    Add(e);
    Add(Named("Second"));
    ExportAll(efFile, dir.File("all.dat"));
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (2 Entries)"});
    EmptyBank();
    answer = dir.File("all.dat");
    F().LorvaneExportImport->trigger();
    EXPECT_EQ(messages.Texts(), Strings{"Import complete (2 entries)"});
    EXPECT_EQ(requests.back().InitialDir, UserDataFolder());
    ASSERT_EQ(Bank().EntryHigh, 1);
    TEntry back = ByName("Full");
    EXPECT_EQ(back.ChangeDate, EncodeDate(2021, 3, 4));  // day precision
    EXPECT_EQ(back.LastAccess, EncodeDate(2005, 6, 7));
    e.ChangeDate = back.ChangeDate;
    EXPECT_EQ(Fields(back), Fields(e));
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_TRUE(F().SaveBank1->isEnabled());
    // The same file again: "_" names, the duplicate message first.
    messages.Shown.clear();
    F().LorvaneExportImport->trigger();
    Strings names = Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Strings{"Full", "Second", "_Full", "_Second"}));
    EXPECT_EQ(messages.Texts(), (Strings{"Duplicate names in import data have been modified.\r"
                                         "Look for names beginning with \"_\".",
                                         "Import complete (2 entries)"}));
}

TEST_F(ExportCommandsTest, DatImportedTwiceRenamesOneEntry) {
    Add(Named("Only"));
    ExportAll(efFile, dir.File("one.dat"));
    messages.Shown.clear();
    answer = dir.File("one.dat");
    F().LorvaneExportImport->trigger();
    EXPECT_EQ(Names(), (Strings{"Only", "_Only"}));
    EXPECT_EQ(messages.Texts(), (Strings{"Duplicate names in import data have been modified.\r"
                                         "Look for names beginning with \"_\".",
                                         "Import complete (1 entries)"}));
}

TEST_F(ExportCommandsTest, ImportMessagesShowUnderTheNormalCursor) {
    struct CursorAtMessages : ScriptedMessages {
        int Show(const MessageRequest& request) override {
            waiting.push_back(QApplication::overrideCursor() != nullptr);
            return ScriptedMessages::Show(request);
        }
        std::vector<bool> waiting;
    } shown;
    Add(Named("Only"));
    ExportAll(efFile, dir.File("one.dat"));
    shown.waiting.clear();
    answer = dir.File("one.dat");
    F().LorvaneExportImport->trigger();  // the duplicate notice and the count
    EXPECT_EQ(shown.waiting, std::vector<bool>(2, false));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ExportCommandsTest, BankAndBookmarkRoundTrips) {
    TEntry e = Named("Full", "C1", "C2", "C3");
    e.Description = "desc";
    e.Rating = "4";
    e.UserID = "me";
    e.Password = "pw";
    e.EMail = "a@b";
    e.Notes = "n1\r\nn2";
    e.ConfNotes = "secret";
    e.ChangeDate = 44000.5;
    e.LastAccess = 44001.25;
    e.AccessCount = 3;
    Add(e);
    Add(Named("Plain"));
    const std::vector<TEntry> original = {Fields(Bank().Entry(0)), Fields(Bank().Entry(1))};

    ExportAll(efBankV2, dir.File("v2.bnk"));
    EmptyBank();
    answer = dir.File("v2.bnk");
    F().LorvaneBankImport->trigger();
    EXPECT_EQ(messages.Texts(), Strings{"Import complete (2 entries)"});
    ASSERT_EQ(Bank().EntryHigh, 1);
    EXPECT_EQ(Fields(ByName("Full")), original[0]);
    EXPECT_EQ(Fields(ByName("Plain")), original[1]);

    ExportAll(efBankV1, dir.File("v1.bnk"));
    EmptyBank();
    answer = dir.File("v1.bnk");
    F().LorvaneBankImport->trigger();
    ASSERT_EQ(Bank().EntryHigh, 1);
    EXPECT_EQ(ByName("Full").Notes, e.Notes);
    EXPECT_EQ(ByName("Full").Category3, "C3");
    EXPECT_EQ(ByName("Full").Password.str(), "");  // version 1 has names, URLs, notes only

    ExportAll(efBookmark, dir.File("b.htm"));
    EmptyBank();
    answer = dir.File("b.htm");
    F().NetscapeFavorites1->trigger();
    EXPECT_EQ(messages.Texts(), Strings{"Import complete (2 entries)"});
    ASSERT_EQ(Bank().EntryHigh, 1);
    for (int i = 0; i < 2; ++i) {
        const TEntry& back = Bank().Entry(i);
        const TEntry& want = back.Name == "Full" ? original[0] : original[1];
        EXPECT_EQ(back.URL, want.URL);
        EXPECT_EQ((Strings{back.Category1, back.Category2, back.Category3}),
                  (Strings{want.Category1, want.Category2, want.Category3}));
    }
    EXPECT_EQ(requests.back().InitialDir, HomeFolder());

    ExportAll(efHTML, dir.File("C1.htm"));
    EXPECT_TRUE(FileExists(dir.File("Index.htm")));
    EXPECT_TRUE(FileExists(dir.File("C1.htm")));
}

TEST_F(ExportCommandsTest, ReceivedBookmarkFilesAndFavoritesFolders) {
    Bank().NewBank = true;
    answer = std::string(LORVANE_TEST_DATA) + "/app/bookmarks/netscape_nested.htm";
    F().NetscapeFavorites1->trigger();
    EXPECT_EQ(messages.LastText(), "Import complete (8 entries)");
    std::map<std::string, std::string> folders;
    for (int i = 0; i <= Bank().EntryHigh; ++i) {
        const TEntry& e = Bank().Entry(i);
        folders[e.Name] = e.Category1 + "/" + e.Category2;
    }
    EXPECT_EQ(folders["Nested 1"], "/");
    EXPECT_EQ(folders["Nested 1-2"], "Folder1, the first,folder to encounter/");
    EXPECT_EQ(folders["Nested 3-1"], "Folder3/Folder3-1");

    // A Favorites folder through the folder picker seam.
    std::filesystem::create_directories(dir.File("Fav/News"));
    WriteAll(dir.File("Fav/News/x.url"), "[InternetShortcut]\r\nURL=http://x/\r\n");
    std::string prompt;
    ExportSeams().ChooseFolder = [&](const std::string& p, const std::string&, std::string& c) {
        prompt = p;
        c = dir.File("Fav");
        return true;
    };
    F().InternetExplorerFavorites1->trigger();
    EXPECT_EQ(prompt, "Select \"Favorites\" Folder To Import");
    EXPECT_EQ(Bank().Entry(Bank().EntryHigh).Category1, "News");
    EXPECT_EQ(messages.LastText(), "Import complete (1 entries)");
}

TEST_F(ExportCommandsTest, FileErrorsAreShownAndTheDialogStays) {
    Add(Named("One"));
    answer = dir.File("no/such/folder/x.dat");
    bool stayed = false;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<TExpSelForm*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->List().selectAll();
        dialog->SetExportTo(efFile);
        dialog->ExportButton()->click();
        stayed = dialog->isVisible();
        dialog->reject();
    });
    F().BySelection1->trigger();
    EXPECT_TRUE(stayed);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
    EXPECT_FALSE(Exporter().ExportFile);
    // A file that cannot be read: shown, nothing imported.
    messages.Shown.clear();
    answer = dir.File("missing.dat");
    F().LorvaneExportImport->trigger();
    EXPECT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(Bank().EntryHigh, 0);
}

}  // namespace
