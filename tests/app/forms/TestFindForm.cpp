// The find dialog on the offscreen platform: reset once per showing, Enter runs Find, the
// calendars pick the dates of both date pages, and the main window's Find commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankFixture.h"
#include "EsCal.h"
#include "FindEngine.h"
#include "FindForm.h"
#include "MainForm.h"
#include "ModalHelpers.h"
#include "Settings.h"
#include "TempDir.h"
#include "VirtualTrees.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "ui_FindForm.h"
#include "ui_MainForm.h"

namespace {

class FindFormTest : public BankFixture {
protected:
    FindFormTest() { Settings() = TSettings(); }

    static void AddEntries() {
        Add(Named("Alpha", "Work", "Docs"));
        Add(Named("My BANK page", "Home"));
        Add(Named("Gamma", "work", "Mail", "Old"));
        for (int i = 0; i <= Bank().EntryHigh; ++i) AddCategoryPath(Bank(), Bank().Entry(i));
    }
    // A calendar of the dialog, by its widget's object name.
    static TEsCalendar& Calendar(const TFindForm& form, const char* name) {
        auto* calendar =
            dynamic_cast<TEsCalendar*>(ControlOfWidget(form.findChild<QWidget*>(name)));
        if (!calendar) throw std::logic_error(std::string("no calendar ") + name);
        return *calendar;
    }
};

TEST_F(FindFormTest, ShowingResetsOnceAndFillsThePickLists) {
    AddEntries();
    TFindForm form;
    Ui::FindForm& f = form.Form();
    f.NameBox->setText("old");
    f.AccCntBoxB->setText("7");
    f.NameCaseSensitiveItem1->setChecked(true);
    f.rgAccCntSrchTypeItem3->setChecked(true);
    f.FindPage->setCurrentWidget(f.NotesPage);
    form.show();
    QApplication::processEvents();
    EXPECT_TRUE(f.NameBox->text().isEmpty());
    EXPECT_TRUE(f.AccCntBoxB->text().isEmpty());
    EXPECT_TRUE(f.NameCaseSensitiveItem0->isChecked());
    EXPECT_TRUE(f.rgAccCntSrchTypeItem0->isChecked());
    EXPECT_EQ(f.FindPage->currentWidget(), f.NamePage);
    EXPECT_EQ(f.FindPage->count(), 13);
    EXPECT_EQ(f.C1PickList->count(), 3);  // Home, Work, and the empty item
    EXPECT_EQ(f.C1PickList->item(1)->text(), "Work");
    EXPECT_EQ(f.C2PickList->count(), 3);
    EXPECT_EQ(f.C3PickList->count(), 2);
    // Activation again (a prompt over the dialog closing) keeps what was typed.
    f.NameBox->setText("typed");
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &activate);
    form.activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(f.NameBox->text(), "typed");
    form.hide();
    form.show();
    EXPECT_TRUE(f.NameBox->text().isEmpty());
    form.hide();
}

TEST_F(FindFormTest, WiderThanItsOwnerStaysOnTheScreen) {
    // Centred over a narrow window at the screen's corner, the dialog would start off screen.
    QWidget owner;
    owner.setGeometry(0, 0, 300, 200);
    owner.show();
    TFindForm form(&owner);
    form.show();
    WaitPlacedAndFramed(form);
    const QRect avail = form.screen()->availableGeometry();
    EXPECT_GE(form.frameGeometry().left(), avail.left());
    EXPECT_GE(form.frameGeometry().top(), avail.top());
}

TEST_F(FindFormTest, EnterRunsFindAndFocusesTheEntry) {
    AddEntries();
    TFindForm form;
    Ui::FindForm& f = form.Form();
    form.show();
    QApplication::processEvents();
    f.NameBox->setText("bank");
    QTest::keyClick(f.NameBox, Qt::Key_Return);
    EXPECT_EQ(Bank().FindIndex, 1);
    EXPECT_EQ(focused, std::vector<int>{1});
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.Shown.empty());

    form.show();
    f.FindPage->setCurrentWidget(f.NamePage);
    f.NameBox->setText("bank");
    f.NameCaseSensitiveItem1->setChecked(true);
    f.NameFindButton->click();
    EXPECT_EQ(Bank().FindIndex, -1);
    EXPECT_EQ(messages.LastText(), " Find was not successful! ");
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FindFormTest, RefusedPasswordKeepsTheDialogAndItsText) {
    AddEntries();
    TFindForm form;
    Ui::FindForm& f = form.Form();
    int asked = 0;
    form.CheckPassword = [&](int operation) {
        EXPECT_EQ(operation, 0);
        ++asked;
        return false;
    };
    form.show();
    f.PasswdBox->setText("secret");
    f.PasswdFindButton->click();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(f.PasswdBox->text(), "secret");
    EXPECT_TRUE(messages.Shown.empty());
    form.hide();
}

TEST_F(FindFormTest, CalendarsFollowTheDialogsFont) {
    TFindForm form;
    form.show();
    const int before = Calendar(form, "ChgDateACal").Font().Height();
    ASSERT_NE(before, 0);
    QFont larger = form.font();
    larger.setPixelSize(QFontInfo(form.font()).pixelSize() * 2);
    form.setFont(larger);
    QApplication::processEvents();
    EXPECT_NEAR(Calendar(form, "ChgDateACal").Font().Height(), 2 * before, 1);
    EXPECT_EQ(Calendar(form, "LastAccDateBCal").Font().Height(),
              Calendar(form, "ChgDateACal").Font().Height());
    form.hide();
}

TEST_F(FindFormTest, CalendarsPickTheDatesOfBothPages) {
    TEntry e = Named("dated");
    e.LastAccess = EncodeDate(2024, 5, 4) + 0.4;
    Add(e);
    TFindForm form;
    Ui::FindForm& f = form.Form();
    form.show();
    // Nothing picked yet: no comparison with the zero date.
    f.FindPage->setCurrentWidget(f.LastAccPage);
    f.rgLastAccSearchTypeItem2->setChecked(true);
    f.LastAccFindButton->click();
    EXPECT_EQ(messages.LastText(), " Find was not successful! ");

    form.show();
    TEsCalendar& a = Calendar(form, "ChgDateACal");
    a.SetDate(EncodeDate(2024, 5, 3));
    a.OnChange(&a, EncodeDate(2024, 5, 4));
    EXPECT_EQ(FindState().FindDateA, EncodeDate(2024, 5, 4));
    EXPECT_EQ(f.ChgDateABox->text(), "May 04, 24");
    EXPECT_EQ(f.LastAccDateABox->text(), "May 04, 24");
    EXPECT_EQ(Calendar(form, "LastAccDateACal").Date(), EncodeDate(2024, 5, 4));
    f.FindPage->setCurrentWidget(f.LastAccPage);
    f.LastAccFindButton->click();  // "Equal to A": within a day of its midnight
    EXPECT_EQ(Bank().FindIndex, 0);

    // The next showing writes the kept dates again.
    form.show();
    EXPECT_EQ(f.ChgDateABox->text(), "May 04, 24");
    EXPECT_TRUE(f.ChgDateBBox->text().isEmpty());
    QApplication::processEvents();
    f.FindPage->setCurrentWidget(f.ChgDatePage);
    form.resize(900, 330);
    QApplication::processEvents();
    form.grab().save(LORVANE_SCREENSHOT_DIR "/find-dates.png");
    f.FindPage->setCurrentWidget(f.NamePage);
    form.grab().save(LORVANE_SCREENSHOT_DIR "/find-name.png");
    f.FindPage->setCurrentWidget(f.CatPage);
    form.grab().save(LORVANE_SCREENSHOT_DIR "/find-category.png");
    f.FindPage->setCurrentWidget(f.AccCntPage);
    form.grab().save(LORVANE_SCREENSHOT_DIR "/find-count.png");
    form.hide();
}

TEST_F(FindFormTest, AltRightMarksTheNameOnce) {
    TFindForm form;
    Ui::FindForm& f = form.Form();
    form.show();
    f.NameBox->setText("Team");
    QTest::keyClick(f.NameBox, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(FromQString(f.NameBox->text()), Mark + "Team");
    QTest::keyClick(f.NameBox, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(FromQString(f.NameBox->text()), Mark + "Team");
    form.hide();
}

TEST_F(FindFormTest, MainWindowFindAndFindNext) {
    TempDir dir;
    const std::string bank = dir.File("f.bnk");
    WriteAll(bank, CRLF({"#----F#2.0", "#00001#Na=Alpha", "#00001#Ux=http://alpha",
                         "#00002#Na=Beta", "#00002#Ux=http://beta", "#00002#C1=Work",
                         "#00003#Na=Alphabet", "#00003#Ux=http://x", "#00003#C1=Home"}));
    TMainForm main;
    main.show();
    QApplication::processEvents();
    ASSERT_TRUE(OpenBank(bank));
    int validations = 0;
    Seams().ValidateUser = [&] { ++validations; };
    QTimer::singleShot(0, [&] {
        Ui::FindForm& f = main.findChild<TFindForm*>()->Form();
        f.NameBox->setText("alpha");
        f.NameFindButton->click();
    });
    main.Form().FindFirst1->trigger();
    EXPECT_EQ(validations, 0);  // no user configured
    ASSERT_GE(Bank().FindIndex, 0);
    const int first = Bank().FindIndex;
    EXPECT_EQ(main.FocusedEntryNode(), first);
    main.Form().tbFindNext->trigger();
    ASSERT_GE(Bank().FindIndex, 0);
    EXPECT_NE(Bank().FindIndex, first);
    EXPECT_EQ(main.FocusedEntryNode(), Bank().FindIndex);
    main.Form().FindNext1->trigger();
    EXPECT_EQ(Bank().FindIndex, -1);
    EXPECT_EQ(messages.LastText(), " Find was not successful! ");

    Settings().UserName = "joe";
    QTimer::singleShot(0, [&] { main.findChild<TFindForm*>()->reject(); });
    main.Form().tbFindFirst->trigger();
    EXPECT_EQ(validations, 1);
}

TEST_F(FindFormTest, NoBankNoFind) {
    TMainForm main;
    main.Form().FindFirst1->trigger();
    EXPECT_EQ(messages.LastText(), "No Bank Is Open!\rThis operation cannot be completed.");
    main.Form().FindNext1->trigger();
    EXPECT_EQ(messages.Shown.size(), 2u);
}

}  // namespace
