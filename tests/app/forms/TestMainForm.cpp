// The main window and its dialogs on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QTest>
#include <cmath>
#include <functional>
#include <set>

#include "AboutBox.h"
#include "AdminSaveForm.h"
#include "AppSeams.h"
#include "BankCommands.h"
#include "BankFixture.h"
#include "BrowserSelectionForm.h"
#include "DropURLTarget.h"
#include "HelpManual.h"
#include "MainForm.h"
#include "MainTree.h"
#include "PasswordDlg.h"
#include "TempDir.h"
#include "VirtualStringTree.h"
#include "VirtualTrees.h"
#include "platform/Canvas.h"
#include "platform/FileUtils.h"
#include "platform/ImageList.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "ui_AboutBox.h"
#include "ui_AdminSaveForm.h"
#include "ui_BrowserSelectionForm.h"
#include "ui_MainForm.h"
#include "ui_PasswordDlg.h"

namespace {

// Runs `action` on the next modal dialog once it is shown.
void WhenModal(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) action(modal);
    });
}

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        ResetBank();
        Settings() = TSettings();
        ResetProgramState();
    }
    ~MainFormTest() override {
        ResetBank();
        Settings() = TSettings();
        ResetProgramState();
    }
    ScriptedMessages messages;
    TempDir dir;
};

TEST_F(MainFormTest, AtCreationEveryCommandButSavingAndTheWorkgroupBankIsReady) {
    TMainForm form;
    Ui::MainForm& f = form.Form();
    const std::set<QAction*> waiting = {f.SaveBank1, f.tbSaveButton, f.SaveAs1,
                                        f.LoadWorkgroupBank1, f.tbLoadWorkgroup};
    for (QAction* a : form.findChildren<QAction*>()) {
        if (a->isSeparator() || a->menu()) continue;
        EXPECT_EQ(a->isEnabled(), !waiting.count(a)) << a->objectName().toStdString();
    }
    EXPECT_FALSE(form.findChild<QTimer*>("FileStampCheck")->isActive());
    // Creation itself says nothing.
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(MainFormTest, AStatusTextStartingWithATabIsCentred) {
    TMainForm form;
    form.SetStatusText("\tLoading # 100");
    EXPECT_EQ(form.findChild<QLabel*>("StatusText")->text(), "Loading # 100");
    EXPECT_TRUE(form.findChild<QLabel*>("StatusText")->alignment() & Qt::AlignHCenter);
    form.SetStatusText("plain");
    EXPECT_TRUE(form.findChild<QLabel*>("StatusText")->alignment() & Qt::AlignLeft);
}

// Also run at a scale of 1.5 (the appui_scaled test): 24 pixels for 16 points, not more pixels
// scaled down.
TEST_F(MainFormTest, TreeImagesHaveTheScreensOwnPixels) {
    TMainForm form;
    const TCustomImageList* images = form.VST().Images();
    ASSERT_NE(images, nullptr);
    const double ratio = form.devicePixelRatioF();
    EXPECT_EQ(images->PixelWidth(), int(std::lround(images->Width() * ratio)));
}

TEST_F(MainFormTest, HelpOpensTheManualAtTheAnchorOfTheWindowThatAsked) {
    // The build puts the manual beside the program and beside this test program.
    const std::string program = LORVANE_PROGRAM;
    EXPECT_FALSE(FindHelpManual(program.substr(0, program.rfind('/') + 1)).empty());
    const std::string manual = FindHelpManual(ProgramFolder());
    ASSERT_FALSE(manual.empty());

    TMainForm form;
    // The configured browser gets the manual's address.
    Settings().Browser = "/opt/browser";
    std::vector<std::string> opened;
    Seams().StartProgram = [&](const std::vector<std::string>& command, const TStartFailed&) {
        opened.push_back(command.back());
    };
    form.show();
    QApplication::processEvents();
    form.Form().Contents1->trigger();
    form.Form().tbHelpButton->trigger();
    form.findChild<QAction*>("HelpKey")->trigger();
    // F1 in a dialog: the dialog's section, by its class or its own help context.
    TPasswordDlg password(&form);
    TAdminSaveForm admin(&form);
    for (QDialog* dialog : {static_cast<QDialog*>(&password), static_cast<QDialog*>(&admin)}) {
        dialog->show();
        QApplication::processEvents();
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_F1);
        dialog->hide();
    }
    std::vector<std::string> expected;
    for (int context : {0, 0, 10, 40, 92}) expected.push_back(HelpManualURL(manual, context));
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(opened.back().substr(opened.back().size() - 11), "#context-92");
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(MainFormTest, OpensABankAndRendersIt) {
    const std::string bank = dir.File("x.bnk");
    BankFixture::WriteAll(
        bank, BankFixture::CRLF({"#----F#2.0", "#00001#Na=Alpha", "#00001#Ux=http://alpha",
                                 "#00001#Fx=\xBB", "#00002#Na=Beta", "#00002#Ux=http://beta",
                                 "#00002#C1=Work", "#00002#C2=Docs", "#00003#Na=Gamma",
                                 "#00003#Ux=None", "#00003#C1=Home"}));
    TMainForm form;
    std::vector<std::string> opened;
    Seams().OpenDocument = [&](const std::string& target, const TStartFailed&) {
        opened.push_back(target);
    };
    form.show();
    form.resize(1024, 768);
    QApplication::processEvents();
    ASSERT_TRUE(OpenBank(bank));
    EXPECT_EQ(FromQString(form.windowTitle()), "Lorvane     [" + bank + "]    3 Entries");
    EXPECT_EQ(form.VST().TotalCount(), 7u);
    EXPECT_TRUE(form.Form().SaveAs1->isEnabled());
    EXPECT_FALSE(form.Form().SaveBank1->isEnabled());

    // Focus follows the tree; Go To URL on an entry without a URL counts and reports.
    const int gamma = SelectEntryNode(Bank(), "Gamma");
    ASSERT_GE(gamma, 0);
    EXPECT_EQ(Bank().FocusedEntry, gamma);
    form.Form().GoToURL1->trigger();
    EXPECT_EQ(messages.LastText(), "Entry does not have a URL!");
    EXPECT_EQ(Bank().Entry(gamma).AccessCount, 1);
    SelectEntryNode(Bank(), "Beta");
    form.Form().tbGoToButton->trigger();
    EXPECT_EQ(opened, std::vector<std::string>{"http://beta"});
    // Moving the focus closes the information panel and lets column widths be saved again.
    int closed = 0;
    Seams().CloseInfoPanel = [&] {
        ++closed;
        InfoPanel().InfoShown = false;
    };
    InfoPanel().InfoShown = true;
    InfoPanel().SuppressColumnSave = true;
    form.VST().SetFocusedNode(form.VST().GetFirst());
    EXPECT_EQ(Bank().FocusedEntry, -1);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(InfoPanel().SuppressColumnSave);

    QApplication::processEvents();
    const QImage shot = form.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(1024, 768));
    shot.save(LORVANE_SCREENSHOT_DIR "/mainform.png");
    // The tree as the user sees it: nine captioned columns over rows whose first column takes
    // the folder colours (Favorites, Alpha, Home: a level-1 folder, an entry, a folder).
    {
        TBaseVirtualTree& vst = form.VST();
        TVirtualTreeColumns& columns = vst.Header().Columns();
        ASSERT_EQ(columns.Count(), ColumnCount);
        for (int n = 0; n < ColumnCount; ++n)
            EXPECT_EQ(columns.Items(n).Text(),
                      FieldCaptions[size_t(Settings().ColumnTable[size_t(n)].Field)]);
        EXPECT_GT(vst.Header().VisibleHeight(), 0);
        const QPoint host = HostWidget(vst)->mapTo(&form, QPoint(0, 0));
        const TRect client = vst.ClientOrigin();
        auto at = [&](int x, int y) {
            const QRgb p = shot.pixel(host.x() + client.Left + x, host.y() + client.Top + y);
            return TColor(qRed(p) | qGreen(p) << 8 | qBlue(p) << 16);
        };
        const int right = columns.Items(0).Width() - 10;
        EXPECT_EQ(at(right, 12), Settings().BkC1Color);
        EXPECT_EQ(at(right, 24 + 12), Settings().BkURLColor);
        EXPECT_EQ(at(right, 48 + 12), Settings().BkC1Color);
        bool captionInk = false;
        for (int x = 0; x < 80 && !captionInk; ++x)
            for (int y = -vst.Header().VisibleHeight(); y < 0; ++y)
                if (qGray(shot.pixel(host.x() + client.Left + x, host.y() + client.Top + y)) < 100)
                    captionInk = true;
        EXPECT_TRUE(captionInk) << "the header shows its captions";
    }
    // The tool bar sits under the menu bar and draws its icons.
    const QRect bar = form.Form().ToolBar1->geometry();
    bool drawn = false;
    for (int x = bar.left(); x < bar.left() + 60 && !drawn; ++x)
        for (int y = bar.top(); y < bar.bottom(); ++y)
            if (qGray(shot.pixel(x, y)) < 100) drawn = true;
    EXPECT_TRUE(drawn);

    // The tree's handlers over the first column: background by level, folder images, texts
    // and fonts, drawn row by row onto a picture as the tree will draw its cells.
    TBaseVirtualTree& tree = form.VST();
    TBitmap cells(300, int(tree.TotalCount()) * 24);
    TCanvas& canvas = cells.Canvas();
    int row = 0;
    std::vector<TColor> backgrounds;
    for (PVirtualNode n = tree.GetFirst(); n; n = tree.GetNext(n), ++row) {
        const int level = int(tree.GetNodeLevel(n));
        const TRect cell{level * 18, row * 24, 300, row * 24 + 24};
        ASSERT_TRUE(tree.OnBeforeCellPaint);
        tree.OnBeforeCellPaint(&tree, canvas, n, 0, cell);
        backgrounds.push_back(cells.Pixel(299, row * 24 + 12));
        bool ghosted = false;
        int image = -1;
        tree.OnGetImageIndex(&tree, n, ikNormal, 0, ghosted, image);
        if (image >= 0) form.VST().Images()->Draw(canvas, cell.Left + 2, cell.Top + 4, image);
        const TTreeNodeData& data = *tree.GetNodeData<TTreeNodeData>(n);
        std::string text = TreeDefaultText;
        MainTreeGetText(Bank(), Settings(), data, 0, text);
        const TCellFont font = MainTreeCellFont(Bank(), Settings(), data);
        canvas.Font().SetName(font.Name);
        canvas.Font().SetSize(font.Size);
        canvas.Font().SetColor(font.Color);
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        canvas.TextOut(cell.Left + 22, cell.Top + 4, text);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    }
    cells.SaveToFile(LORVANE_SCREENSHOT_DIR "/cells.png");
    const TSettings& s = Settings();
    // Favorites, Alpha, Home, Gamma, Work, Docs, Beta.
    EXPECT_EQ(backgrounds,
              (std::vector<TColor>{s.BkC1Color, s.BkURLColor, s.BkC1Color, s.BkURLColor,
                                   s.BkC1Color, s.BkC2Color, s.BkURLColor}));

    // A changed bank asks at close; a cancelled save keeps the window open.
    Bank().BankModified = true;
    messages.Answer(mrNo);
    EXPECT_TRUE(form.close());
    EXPECT_EQ(messages.LastText(), bank + "\rhas been modified!\rDo you want to save?");
}

TEST_F(MainFormTest, TheTreeAnswersKeysAndClicks) {
    const std::string bank = dir.File("k.bnk");
    BankFixture::WriteAll(
        bank, BankFixture::CRLF({"#----F#2.0", "#00001#Na=Alpha", "#00001#Ux=http://alpha",
                                 "#00001#C1=Work", "#00002#Na=Beta", "#00002#Ux=http://beta",
                                 "#00002#C1=Work"}));
    TMainForm form;
    std::vector<std::string> opened;
    Seams().OpenDocument = [&](const std::string& target, const TStartFailed&) {
        opened.push_back(target);
    };
    form.show();
    form.resize(800, 600);
    QApplication::processEvents();
    ASSERT_TRUE(OpenBank(bank));
    TBaseVirtualTree& vst = form.VST();
    QWidget* host = HostWidget(vst);
    PVirtualNode work = vst.GetFirst();
    ASSERT_NE(work, nullptr);
    vst.SetExpanded(work, false);
    vst.SetFocusedNode(work);

    // Keys through the window system: plus expands, Down moves, Enter opens the entry.
    QTest::keyClick(host, Qt::Key_Plus);
    EXPECT_TRUE(vst.Expanded(work));
    QTest::keyClick(host, Qt::Key_Down);
    ASSERT_NE(vst.FocusedNode(), work);
    EXPECT_GE(Bank().FocusedEntry, 0);
    QTest::keyClick(host, Qt::Key_Return);
    EXPECT_EQ(opened.size(), 1u);
    QTest::keyClick(host, Qt::Key_Minus);  // an entry has no children: nothing to collapse

    // A click on the folder's expand button collapses it.
    const PVirtualNode entry = vst.FocusedNode();
    QWidget* viewport = nullptr;
    for (QWidget* w : host->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!qobject_cast<QScrollBar*>(w)) viewport = w;
    ASSERT_NE(viewport, nullptr);
    const TRect row = vst.GetDisplayRect(work, 0, false);
    const QPoint button(int(vst.Indent()) / 2, (row.Top + row.Bottom) / 2);
    THitInfo hit;
    vst.GetHitTestInfoAt(button.x(), button.y(), true, hit);
    ASSERT_TRUE(hit.HitPositions & hiOnItemButton);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, button);
    EXPECT_FALSE(vst.Expanded(work));
    EXPECT_EQ(vst.FocusedNode(), entry) << "a button click leaves the focus alone";
}

TEST_F(MainFormTest, TheTreeShowsAndCopiesTheBanksWindows1252TextsAsUnicode) {
    const std::string bank = dir.File("x.bnk");
    BankFixture::WriteAll(
        bank, BankFixture::CRLF({"#----F#2.0", "#00001#Na=Caf\xE9 \x80", "#00001#Ux=http://cafe"}));
    TMainForm form;
    form.show();
    QApplication::processEvents();
    ASSERT_TRUE(OpenBank(bank));
    auto& tree = static_cast<TVirtualStringTree&>(form.VST());
    PVirtualNode entry = nullptr;
    for (PVirtualNode n = tree.GetFirst(); n; n = tree.GetNext(n))
        if (tree.GetNodeData<TTreeNodeData>(n)->Kind == nkEntry) entry = n;
    ASSERT_NE(entry, nullptr);
    const std::string shown = "Caf\xC3\xA9 \xE2\x82\xAC";  // "Café €"
    EXPECT_EQ(tree.Text(entry, 0), shown);
    tree.ClearSelection();
    tree.AddToSelection(entry);
    std::string copied;
    ASSERT_TRUE(tree.RenderOLEData(StandardFormatUnicodeText, false, copied));
    EXPECT_NE(copied.find(shown), std::string::npos) << copied;
}

TEST_F(MainFormTest, AdminSaveDialog) {
    TAdminSaveForm dialog;
    EXPECT_EQ(dialog.windowTitle(), "Lorvane Administrator Options");
    EXPECT_EQ(dialog.WhatToSave(), 0);
    EXPECT_EQ(dialog.HowToSave(), 0);
    EXPECT_EQ(dialog.Form().WhatCombined->text(), "Combined (Local + Workgroup) Bank");
    auto* cancel = dialog.findChild<QPushButton*>("CancelButton");
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(dialog.Form().Buttons->buttonRole(cancel), QDialogButtonBox::RejectRole);
    int what = -1, how = -1;
    WhenModal([](QWidget* w) {
        auto* d = static_cast<TAdminSaveForm*>(w);
        d->Form().WhatCombined->setChecked(true);
        d->Form().HowWorkgroup->setChecked(true);
        d->findChild<QPushButton*>("OKButton")->click();
    });
    ASSERT_TRUE(dialog.Choose(what, how));
    EXPECT_EQ(what, 2);
    EXPECT_EQ(how, 1);
    WhenModal([](QWidget* w) { w->findChild<QPushButton*>("CancelButton")->click(); });
    EXPECT_FALSE(dialog.Choose(what, how));
    dialog.show();
    dialog.grab().save(LORVANE_SCREENSHOT_DIR "/adminsave.png");
}

TEST_F(MainFormTest, BrowserSelectionNeedsALine) {
    Settings().Browser1Name = "One";
    Settings().Browser2Name = "Two";
    Settings().Browser3Name = "Three";
    TBrowserSelectionForm form;
    ASSERT_EQ(form.Form().BrowserList->count(), 3);
    EXPECT_EQ(form.Form().BrowserList->item(1)->text(), "Two");
    form.OKButtonClick();
    EXPECT_EQ(messages.LastText(), "Please select a browser");
    EXPECT_EQ(form.Chosen(), -1);
    form.show();
    form.grab().save(LORVANE_SCREENSHOT_DIR "/browsers.png");
    form.Form().BrowserList->setCurrentRow(2);
    form.OKButtonClick();
    EXPECT_EQ(form.Chosen(), 2);

    int choice = 1;
    WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    RunBrowserSelection(nullptr, choice);
    EXPECT_EQ(choice, 1);
}

TEST_F(MainFormTest, LaunchBrowserAsksWithRoomForAnAddress) {
    TMainForm form;
    int width = 0, needed = 0;
    WhenModal([&](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "Http://");
        width = edit->width();
        needed = edit->fontMetrics().horizontalAdvance("http://www.example.com/docs/index.html");
        static_cast<QDialog*>(w)->reject();
    });
    form.Form().LaunchBrowser1->trigger();
    EXPECT_GE(width, needed);
}

TEST_F(MainFormTest, PasswordAndAboutBox) {
    TPasswordDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Lorvane Password");
    EXPECT_EQ(dialog.Form().Password->echoMode(), QLineEdit::Password);
    std::string typed;
    WhenModal([](QWidget* w) {
        auto* d = static_cast<TPasswordDlg*>(w);
        EXPECT_TRUE(d->Form().Password->text().isEmpty());
        d->Form().Password->setText(ToQString("s\xE9same"));
        d->findChild<QPushButton*>("OKBtn")->click();
    });
    ASSERT_TRUE(dialog.Ask(typed));
    EXPECT_EQ(typed, "s\xE9same");
    WhenModal([](QWidget* w) {
        w->grab().save(LORVANE_SCREENSHOT_DIR "/password.png");
        w->findChild<QPushButton*>("CancelBtn")->click();
    });
    EXPECT_FALSE(dialog.Ask(typed));
    EXPECT_TRUE(typed.empty());

    TAboutBox about;
    about.show();
    EXPECT_EQ(about.Form().Title->text(), "Lorvane");
    EXPECT_TRUE(about.Form().Version->text().startsWith("Version: "));
    EXPECT_EQ(about.Form().Build->text().count('.'), 2);  // three levels
    EXPECT_EQ(about.Form().Title->font().pointSize(), 24);
    EXPECT_EQ(about.Form().Title->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(about.Form().Mail->cursor().shape(), Qt::PointingHandCursor) << "a link";
    EXPECT_EQ(about.Form().WebSite->cursor().shape(), Qt::PointingHandCursor);
    about.grab().save(LORVANE_SCREENSHOT_DIR "/about.png");
}

}  // namespace
