// The entry editor, the update notice and the main window's entry and workgroup commands on
// the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankFile.h"
#include "BankFixture.h"
#include "DropSource.h"
#include "DropURLTarget.h"
#include "EditType.h"
#include "ElastFrmQt.h"
#include "EntryForm1.h"
#include "MainForm.h"
#include "MainTree.h"
#include "ModalHelpers.h"
#include "PasswordDlg.h"
#include "QCombo.h"
#include "Security.h"
#include "TempDir.h"
#include "TimeStampForm.h"
#include "WorkgroupUserFiles.h"
#include "platform/Clipboard.h"
#include "platform/qt/Application.h"
#include "ui_EntryForm1.h"
#include "ui_MainForm.h"
#include "ui_PasswordDlg.h"
#include "ui_TimeStampForm.h"

namespace {

class EntryFormTest : public ::testing::Test {
protected:
    EntryFormTest() {
        ResetBank();
        Settings() = TSettings();
        ResetProgramState();
        TEntryForm::Beep() = [this] { ++beeps; };
    }
    ~EntryFormTest() override {
        TEntryForm::Beep() = [] { QApplication::beep(); };
        ResetBank();
        Settings() = TSettings();
        ResetProgramState();
    }
    ScriptedMessages messages;
    TempDir dir;
    int beeps = 0;
};

TEST_F(EntryFormTest, PagesFillAndPicture) {
    TEntry& e = Bank().EditEntry;
    e.Name = "Example";
    e.URL = "http://example.com/";
    e.Category1 = "News";
    e.Favorite = Mark;
    e.Rating = "5";
    e.ChangeDate = 36892.0;
    e.AccessCount = 3;
    e.Notes = "first\r\nsecond";
    TEntryForm form(nullptr, 1);
    form.show();
    Ui::EntryForm& f = form.Form();
    EXPECT_EQ(form.windowTitle(), "Lorvane Entry Form");
    ASSERT_EQ(f.PageControl1->count(), 4);
    EXPECT_EQ(f.PageControl1->tabText(1), "User ID / PassWord");
    EXPECT_EQ(f.PageControl1->tabText(3), "Confidential Notes");
    EXPECT_EQ(f.NameEdit->Text(), "Example");
    EXPECT_TRUE(f.FavoriteYes->isChecked());
    EXPECT_EQ(f.DateEdit->text(), "Jan 01, 01");
    EXPECT_EQ(f.LastAccessEdit->text(), "");
    EXPECT_TRUE(f.DateEdit->isReadOnly());
    EXPECT_EQ(f.AccessCntEdit->text(), "3");
    EXPECT_EQ(f.NotesEdit->toPlainText(), "first\nsecond");
    EXPECT_EQ(f.PWEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(f.SaveButton->text(), "&Save");
    form.grab().save(LORVANE_SCREENSHOT_DIR "/entryform.png");
    f.PageControl1->setCurrentIndex(1);
    form.grab().save(LORVANE_SCREENSHOT_DIR "/entryform-user.png");

    f.NotesEdit->setPlainText("a\nb\nc");
    form.SaveButtonClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(e.Notes, "a\r\nb\r\nc");
    EXPECT_EQ(e.Favorite.str(), Mark);
}

TEST_F(EntryFormTest, OpensAtTheScreensSizeAndItsTextGrowsWithIt) {
    Bank().EditEntry.Name = "Example";
    Bank().EditEntry.Notes = "A note";
    TEntryForm form(nullptr, 0);
    auto* elastic = form.findChild<TElasticFormQt*>();
    ASSERT_NE(elastic, nullptr);
    elastic->SetSettleInterval(0);
    form.show();
    WaitPlacedAndFramed(form);
    // Rounded as the resizer does, in single precision: a pixel either way.
    const QSize sized = SizeForTheScreen(form, *elastic);
    EXPECT_NEAR(form.width(), sized.width(), 1);
    EXPECT_NEAR(form.height(), sized.height(), 1);
    form.grab().save(LORVANE_SCREENSHOT_DIR "/entryform-normal.png");
    QWidget* name = form.Form().NameEdit;
    const int before = QFontInfo(name->font()).pixelSize();
    form.resize(form.size() * 2);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFontInfo(name->font()).pixelSize() != before; }, 5000));
    QApplication::processEvents();
    EXPECT_NEAR(QFontInfo(name->font()).pixelSize(), 2 * before, 1);
    EXPECT_EQ(QFontInfo(form.Form().NotesEdit->font()).pixelSize(),
              QFontInfo(name->font()).pixelSize());
    form.grab().save(LORVANE_SCREENSHOT_DIR "/entryform-double.png");
}

TEST_F(EntryFormTest, HugeValuesShowTheirStartAndSaveWhole) {
    TEntry& e = Bank().EditEntry;
    const std::string name(30 << 20, 'n');
    const std::string line(HugeFieldBytes + 1, 'c');
    std::string notes;
    for (int i = 0; i < 40000; ++i)
        notes += "A line of notes of a usual length, " + std::to_string(i) + "\r\n";
    e.Name = name;
    e.Description = std::string(HugeFieldBytes + 1, 'd');
    e.Category1 = std::string(HugeFieldBytes + 1, 'k');
    e.Notes = notes;
    e.ConfNotes = "first\r\n" + line;
    TEntryForm form(nullptr, 1);
    form.show();
    Ui::EntryForm& f = form.Form();
    // Only the start goes into the controls, read-only; many short lines of notes go whole.
    EXPECT_EQ(f.NameEdit->text().size(), qsizetype(HugeFieldShownBytes + 3));
    EXPECT_TRUE(f.NameEdit->isReadOnly());
    EXPECT_TRUE(f.C1Combo->lineEdit()->isReadOnly());
    EXPECT_TRUE(f.CNotesEdit->isReadOnly());
    EXPECT_FALSE(f.NotesEdit->isReadOnly());
    EXPECT_FALSE(f.NameEdit->toolTip().isEmpty());
    EXPECT_FALSE(f.URLEdit->isReadOnly());
    // Delete empties a field, a typed character starts it anew; the others save as stored.
    QTest::keyClick(f.DescriptionEdit, Qt::Key_Delete);
    EXPECT_EQ(f.DescriptionEdit->text(), "");
    EXPECT_FALSE(f.DescriptionEdit->isReadOnly());
    QTest::keyClicks(f.CNotesEdit, "new");
    EXPECT_EQ(f.CNotesEdit->toPlainText(), "new");
    form.SaveButtonClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(e.Name == name);
    EXPECT_TRUE(e.Notes == notes);
    EXPECT_EQ(e.Category1.size(), HugeFieldBytes + 1);
    EXPECT_EQ(e.Description, "");
    EXPECT_EQ(e.ConfNotes, "new");
}

TEST_F(EntryFormTest, LimitsRestrictTypingOnly) {
    TEntry& e = Bank().EditEntry;
    e.Name = std::string(60, 'n');
    e.URL = "http://" + std::string(293, 'u');
    TEntryForm form(nullptr, 1);
    form.show();
    Ui::EntryForm& f = form.Form();
    EXPECT_EQ(f.NameEdit->Text().size(), 60u);
    f.NameEdit->setFocus();
    f.NameEdit->deselect();
    QTest::keyClick(f.NameEdit, Qt::Key_X);
    EXPECT_EQ(f.NameEdit->Text().size(), 60u);
    EXPECT_EQ(beeps, 1);
    QTest::keyClick(f.NameEdit, Qt::Key_Left);  // no insertion, no beep
    EXPECT_EQ(beeps, 1);
    f.RatingEdit->setText("12");
    f.RatingEdit->setCursorPosition(2);
    QTest::keyClicks(f.RatingEdit, "34");
    EXPECT_EQ(f.RatingEdit->text(), "123");
    EXPECT_EQ(beeps, 2);
    f.RatingEdit->selectAll();
    QTest::keyClick(f.RatingEdit, Qt::Key_9);  // replaces the selection
    EXPECT_EQ(f.RatingEdit->text(), "9");
    EXPECT_EQ(beeps, 2);
    // Pasting (as the context menu does) is held to the limit too.
    QGuiApplication::clipboard()->setText("4567");
    f.RatingEdit->end(false);
    f.RatingEdit->paste();
    EXPECT_EQ(f.RatingEdit->text(), "9");
    EXPECT_EQ(beeps, 3);
    f.URLEdit->moveCursor(QTextCursor::End);
    f.URLEdit->paste();  // the long URL the program set does not grow
    EXPECT_EQ(f.URLEdit->toPlainText().size(), 300);
    EXPECT_EQ(beeps, 4);
    QGuiApplication::clipboard()->setText(QString(999, 'x') + "\n");  // 1001 as stored
    f.NotesEdit->paste();
    EXPECT_EQ(f.NotesEdit->toPlainText(), "");
    EXPECT_EQ(beeps, 5);
    QGuiApplication::clipboard()->setText("ab");
    f.NotesEdit->paste();
    EXPECT_EQ(f.NotesEdit->toPlainText(), "ab");
    EXPECT_EQ(beeps, 5);
    form.SaveButtonClick();
    EXPECT_EQ(e.Name.size(), 60u);
    EXPECT_EQ(e.URL.size(), 300u);
}

TEST_F(EntryFormTest, MarkerKeyLineBreaksAndCategoryChoices) {
    Bank().IsAdministrator = true;
    for (const auto& [c1, c2, c3] :
         {std::tuple{"News", "Local", "Town"}, {"News", "World", ""}, {"Sport", "Ball", ""}}) {
        TEntry entry = BankFixture::Named("n", c1, c2, c3);
        AddCategoryPath(Bank(), entry);
    }
    Bank().EditEntry.Name = "Site";
    TEntryForm form(nullptr, 0);
    form.show();
    Ui::EntryForm& f = form.Form();
    EXPECT_EQ(f.C1Combo->ItemTexts(), (Strings{"News", "Sport"}));
    QTest::keyClick(f.NameEdit, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(f.NameEdit, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(f.NameEdit->Text(), Mark + "Site");
    Bank().IsAdministrator = false;
    f.NameEdit->SetText("Site");
    QTest::keyClick(f.NameEdit, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(f.NameEdit->Text(), "Site");
    f.NameEdit->setText("a\nb");
    EXPECT_EQ(f.NameEdit->Text(), "ab");

    f.C1Combo->SetText(" News ");
    f.C2Combo->SetText("W");
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(f.C2Combo, &in);
    EXPECT_EQ(f.C1Combo->Text(), "News");
    EXPECT_EQ(f.C2Combo->ItemTexts(), (Strings{"Local", "World"}));
    EXPECT_EQ(f.C2Combo->Text(), "W");
    f.C2Combo->SetText("Local ");
    QApplication::sendEvent(f.C3Combo, &in);
    EXPECT_EQ(f.C3Combo->ItemTexts(), Strings{"Town"});
}

TEST_F(EntryFormTest, RefusedSaveKeepsWhatWasTyped) {
    BankFixture::Add(BankFixture::Named("Taken"));
    Bank().EditEntry.Name = "Mine";
    TEntryForm form(nullptr, 1);
    form.show();
    Ui::EntryForm& f = form.Form();
    f.NameEdit->SetText("Taken");
    f.URLEdit->setPlainText("http://typed");
    form.SaveButtonClick();
    EXPECT_EQ(messages.LastText(), "This name already exists!\rPlease try again");
    EXPECT_NE(form.result(), QDialog::Accepted);
    form.hide();
    form.show();  // shown again: the typed texts stay
    EXPECT_EQ(f.URLEdit->toPlainText(), "http://typed");
    f.NameEdit->SetText("Mine");
    f.PWEdit->setText("a");
    f.PWEdit2->setText("b");
    // Leaving the re-entered password warns; a message box taking the focus does not.
    QFocusEvent toMessage(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.PWEdit2, &toMessage);
    const size_t shown = messages.Shown.size();
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(f.PWEdit2, &tab);
    ASSERT_EQ(messages.Shown.size(), shown + 1);
    EXPECT_EQ(messages.LastText(), "The PassWord entries are not the same.\rPlease try again.");
    form.SaveButtonClick();
    EXPECT_EQ(messages.LastText(), "The PassWord entries are not the same.\rPlease try again.");
    EXPECT_NE(form.result(), QDialog::Accepted);

    // A pasted URL keeps the characters the code page lacks as escapes.
    f.PWEdit2->setText("a");
    f.URLEdit->setPlainText(QString::fromUtf8("http://x.jp/\xE6\x97\xA5\xC3\xA9"));
    form.SaveButtonClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(Bank().EditEntry.URL, "http://x.jp/%E6%97%A5\xE9");
}

// ---- The main window's commands ----

TEST_F(EntryFormTest, MainWindowAddsModifiesAndDropsEntries) {
    TMainForm main;
    Bank().NewBank = true;
    WhenModal([](QWidget* w) {
        auto* form = qobject_cast<TEntryForm*>(w);
        ASSERT_NE(form, nullptr);
        form->Form().NameEdit->SetText("First");
        form->Form().URLEdit->setPlainText("http://first/");
        form->Form().SaveButton->click();
    });
    main.Form().tbAddEntry->trigger();
    ASSERT_EQ(Bank().Count(), 1);
    EXPECT_EQ(Bank().Entry(0).URL, "http://first/");
    EXPECT_TRUE(main.Form().SaveBank1->isEnabled());
    EXPECT_EQ(Bank().FocusedEntry, 0);

    WhenModal([](QWidget* w) {
        auto* form = qobject_cast<TEntryForm*>(w);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Form().NameEdit->Text(), "First");
        form->Form().NameEdit->SetText("Renamed");
        form->Form().SaveButton->click();
    });
    main.Form().ModifyEntry1->trigger();
    EXPECT_EQ(Bank().Entry(0).Name, "Renamed");

    WhenModal([](QWidget* w) {
        auto* form = qobject_cast<TEntryForm*>(w);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Mode(), 1);
        EXPECT_EQ(form->Form().URLEdit->toPlainText(), "http://dropped/%E6%97%A5");
        form->Form().SaveButton->click();
    });
    main.DropURLTarget1Drop("Dropped", "http://dropped/%E6%97%A5");
    EXPECT_EQ(Bank().Count(), 2);

    main.Form().CopyURLtoClipboard1->trigger();
    EXPECT_EQ(ClipboardText(), Bank().Entry(Bank().FocusedEntry).URL);

    // Delete through the tool button: the tree follows.
    main.FocusEntry(0);
    ASSERT_EQ(Bank().FocusedEntry, 0);
    const std::string first = Bank().Entry(0).Name, second = Bank().Entry(1).Name;
    messages.Answer(mrYes);
    main.Form().tbDeleteEntry->trigger();
    EXPECT_EQ(messages.LastText(), "Do you want to delete\r" + first + "?");
    ASSERT_EQ(Bank().Count(), 1);
    EXPECT_EQ(Bank().Entry(0).Name, second);
    EXPECT_EQ(Bank().FocusedEntry, 0);
    EXPECT_EQ(main.FocusedEntryNode(), 0);
}

TEST_F(EntryFormTest, DropWaitsForTheDragToEnd) {
    TMainForm main;
    Bank().NewBank = true;
    // The editor is answered once it shows: after the drop's handler, which runs after the drop.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&answer] {
        auto* form = qobject_cast<TEntryForm*>(QApplication::activeModalWidget());
        if (!form) return;
        answer.stop();
        EXPECT_EQ(form->Form().NameEdit->Text(), "Dropped page");
        form->Form().SaveButton->click();
    });
    answer.start(0);
    QMimeData mime;
    mime.setData(kMimeNetscapeUrl, "http://dropped/\nDropped page");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &drop);
    ASSERT_TRUE(drop.isAccepted());
    EXPECT_EQ(Bank().Count(), 0);  // nothing asked inside the drop
    for (int i = 0; i < 3 && Bank().Count() == 0; ++i) QCoreApplication::processEvents();
    ASSERT_EQ(Bank().Count(), 1);
    EXPECT_EQ(Bank().Entry(0).URL, "http://dropped/");
}

TEST_F(EntryFormTest, PasswordDialogAnswersCheckPassword) {
    TMainForm main;
    Settings().PWordPrnt = true;
    Settings().BankPassword = "Secret";
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<TPasswordDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->Form().Password->setText(" secret");
        dlg->accept();
    });
    EXPECT_TRUE(CheckPassword(poPrint));
    EXPECT_TRUE(PasswordGiven());
    PasswordGiven() = false;
}

TEST_F(EntryFormTest, WorkgroupLoadTimerAndNotice) {
    TMainForm main;
    Settings().UserName = "alice";
    Settings().WorkGroupUser = dir.File("users.dat");
    WriteWorkgroupUserFile(Settings().WorkGroupUser, "bank.bnk", {{"Alice", true}});
    BankFixture::WriteAll(dir.File("bank.bnk"),
                          BankFixture::CRLF({"#----F#2.0", "#00000#" + ScrambledBankMarker(true),
                                             "#00001#Na=W", "#00001#Ux=http://w"}));
    main.UpdateLoadWorkgroup();
    ASSERT_TRUE(main.Form().LoadWorkgroupBank1->isEnabled());
    main.Form().LoadWorkgroupBank1->trigger();
    EXPECT_EQ(Bank().Count(), 1);
    EXPECT_TRUE(main.findChild<QTimer*>("FileStampCheck")->isActive());
    EXPECT_TRUE(messages.Shown.empty());

    // Unchanged: no notice.
    main.FileStampCheckTimer();
    // Changed: the notice names the file.
    Bank().WorkgroupFileTime -= 1;
    bool shown = false;
    WhenModal([&shown, this](QWidget* w) {
        auto* notice = qobject_cast<TTimeStampForm*>(w);
        ASSERT_NE(notice, nullptr);
        shown = true;
        EXPECT_EQ(notice->windowTitle(), "Lorvane");
        EXPECT_EQ(FromQString(notice->Form().Label1->text()), dir.File("bank.bnk"));
        EXPECT_EQ(notice->Form().Label2->text(), "has been updated since you loaded it!");
        EXPECT_EQ(notice->findChild<QTimer*>("Timer1")->interval(), 30000);
        notice->grab().save(LORVANE_SCREENSHOT_DIR "/timestamp.png");
        notice->Form().OKButton->click();
    });
    main.FileStampCheckTimer();
    EXPECT_TRUE(shown);

    // A missing file gives no notice.
    std::remove(dir.File("bank.bnk").c_str());
    TTimeStampForm::CloseDelay() = 50;  // a wrong notice must not hang the test
    shown = false;
    QTimer::singleShot(0, [&shown] { shown = QApplication::activeModalWidget() != nullptr; });
    main.FileStampCheckTimer();
    QCoreApplication::processEvents();
    TTimeStampForm::CloseDelay() = 30000;
    EXPECT_FALSE(shown);
}

TEST_F(EntryFormTest, NoticeClosesItself) {
    const int kept = TTimeStampForm::CloseDelay();
    EXPECT_EQ(kept, 30000);
    TTimeStampForm::CloseDelay() = 5;
    TTimeStampForm notice(nullptr, "/x/bank.bnk");
    EXPECT_EQ(notice.exec(), QDialog::Accepted);
    TTimeStampForm::CloseDelay() = kept;
}

}  // namespace
