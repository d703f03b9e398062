// The configuration dialog, the Configuration commands and the bulk maintenance dialogs on the
// offscreen platform, against a temporary settings store.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "BankFixture.h"
#include "BulkForms.h"
#include "ConfigAllForm.h"
#include "EditType.h"
#include "ElastFrmQt.h"
#include "EntryListHelpers.h"
#include "EntryListView.h"
#include "QCombo.h"
#include "TempDir.h"
#include "platform/Registry.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtColors.h"
#include "ui_CatChgSelForm.h"
#include "ui_ConfigAllForm.h"
#include "ui_FavUpdateForm.h"
#include "ui_SelectURLForm.h"

namespace {

class ConfigForms : public BankFixture {
protected:
    ConfigForms() {
        SetRegistryFileName(dir.File("registry.reg"));
        Settings() = TSettings();
    }
    ~ConfigForms() override { SetRegistryFileName(""); }
    static void Screenshot(QWidget& w, const std::string& name) {
        w.grab().save(QString(LORVANE_SCREENSHOT_DIR) + "/" + QString::fromStdString(name) +
                      ".png");
    }
    TempDir dir;
};

// ---- The configuration dialog ----

TEST_F(ConfigForms, RadioIndexMappingAndSwatches) {
    TSettings& s = Settings();
    s.Minimize = s.Interleave = s.PWordFile = s.PWEachSave = s.AutoExpand = true;
    s.PromptOnStartup = true;
    s.DefaultBrowserNo = 2;
    TConfigAllForm form(0);
    EXPECT_EQ(form.RadioIndex("rgMinimize"), 0);
    EXPECT_EQ(form.RadioIndex("rgInterleave"), 1);
    EXPECT_EQ(form.RadioIndex("PasswdReq"), 0);
    EXPECT_EQ(form.RadioIndex("PasswdOnEachSave"), 1);
    EXPECT_EQ(form.RadioIndex("rgAutoExpand"), 0);
    EXPECT_EQ(form.RadioIndex("rgDefaultBrowser"), 1);
    EXPECT_EQ(form.RadioIndex("rgPromptBeforeOpen"), 1);
    EXPECT_EQ(form.RadioIndex("rgConfirmDelete"), 0);
    EXPECT_EQ(form.Form().rgMinimizeItem0->text(), "Yes ");
    // The default first colour is yellow.
    const QColor swatch = form.Form().Category1ColorLbl->palette().color(QPalette::Window);
    EXPECT_EQ(swatch, QColor(255, 255, 0));
    // An out-of-range browser number is clamped.
    s.DefaultBrowserNo = 7;
    TConfigAllForm clamped(0);
    EXPECT_EQ(clamped.RadioIndex("rgDefaultBrowser"), 2);
}

TEST_F(ConfigForms, UnchangedRoundTripKeepsEverySetting) {
    TSettings& s = Settings();
    s.Browser1 = "/usr/bin/b1";
    s.Browser2Name = "Two";
    s.DefaultBrowserNo = 1;
    s.Browser = s.Browser1;
    s.NoOfURLs = 2;
    s.StartupURLs[0] = "a";
    s.StartupURLs[1] = "b";
    s.CleanUpPhrases = {"Home", "Welcome"};
    s.BankPassword = "secret";
    s.PWordCfg = s.PWEachExp = s.AutoLoad = true;
    s.UserName = "me";
    s.FontStyle = fsBold;
    s.WgFontColor = 0x123456;
    s.AutoScrollInt = 7;
    const TSettings before = s;
    TConfigAllForm form(0);
    ASSERT_TRUE(form.Validate());
    TSettings after = before;
    CopyConfigFormTexts(form.Texts(), after);
    EXPECT_EQ(after, before);
    // Saved and read back alike.
    SaveSettings();
    Settings() = TSettings();
    LoadSettings();
    Settings().ColumnTable = before.ColumnTable;
    EXPECT_EQ(Settings(), before);
}

TEST_F(ConfigForms, DefaultBrowserFillsTheFirstPathWhenNoneIsConfigured) {
    Seams().FindDefaultBrowser = [] { return std::string("/usr/bin/web"); };
    TConfigAllForm form(cpBrowser);
    EXPECT_EQ(form.Form().BrowserEdit1->text(), "/usr/bin/web");
    TSettings s = Settings();
    CopyConfigFormTexts(form.Texts(), s);
    EXPECT_EQ(s.Browser1, "/usr/bin/web");
    EXPECT_EQ(s.Browser, "/usr/bin/web");
}

TEST_F(ConfigForms, StartupListLimitDeleteAndClear) {
    TConfigAllForm form(0);
    Strings picked;
    for (int i = 0; i < 30; ++i) picked.push_back("n" + std::to_string(i));
    form.PickStartupNames = [&](Strings& names) {
        names = picked;
        return true;
    };
    form.AddButtonClick();
    ASSERT_EQ(form.StartupNames().size(), 25u);
    EXPECT_EQ(form.StartupNames().back(), "n24");
    EXPECT_EQ(messages.LastText(), "Startup URLs limited to 25");

    // Filling the list exactly says so too.
    form.ClearButtonClick();
    picked.resize(25);
    messages.Shown.clear();
    form.AddButtonClick();
    EXPECT_EQ(form.StartupNames().size(), 25u);
    EXPECT_EQ(messages.LastText(), "Startup URLs limited to 25");

    form.ClearButtonClick();
    EXPECT_TRUE(form.StartupNames().empty());
    picked = {"1", "2", "3", "4", "5"};
    const size_t shown = messages.Shown.size();
    form.AddButtonClick();
    EXPECT_EQ(messages.Shown.size(), shown);  // no shortage, no message
    QTreeWidget* list = form.Form().URLList;
    list->topLevelItem(1)->setSelected(true);
    list->topLevelItem(3)->setSelected(true);
    form.DeleteButtonClick();
    EXPECT_EQ(form.StartupNames(), (Strings{"1", "3", "5"}));
}

TEST_F(ConfigForms, PickerFilterSortAndMarks) {
    TEntry fav = Named("b", "x", "2", "z");
    fav.Favorite = Mark;
    Add(fav);
    Add(Named("a", "y", "1", "z"));
    Add(Named("C", "x", "1", "Z"));
    Add(Named(Mark + "W"));
    TSelectURLForm picker;
    TEntryListView& list = picker.List();
    ASSERT_EQ(list.rowCount(), 3);  // no workgroup entry for a user
    EXPECT_EQ(FromQString(picker.windowTitle()), "Lorvane Startup URL Selection");
    picker.show();
    ClickHeader(list, elcCategory3);
    Strings order;
    for (int r = 0; r < list.rowCount(); ++r) order.push_back(FromQString(CellText(list, r, 0)));
    // C3 ties (z, Z), then C1 (x, x, y), then C2 (1, 2).
    EXPECT_EQ(order, (Strings{"C", "b", "a"}));
    EXPECT_EQ(CellText(list, 1, elcFav), "*");
    EXPECT_EQ(CellText(list, 0, elcFav), QString(QChar(0xA0)));
    SelectByName(list, {"a", "C"});
    EXPECT_EQ(picker.SelectedNames(), (Strings{"C", "a"}));
}

TEST_F(ConfigForms, ColoursStartFromTheSavedSettingAndSaveAsText) {
    TConfigAllForm form(cpAppearance);
    std::vector<TColor> offered;
    form.AskColor = [&](TColor& c) {
        offered.push_back(c);
        c = FromQColor(QColor(255, 0, 0));
        return true;
    };
    form.ColorButtonClick(0);
    form.ColorButtonClick(0);
    EXPECT_EQ(offered, (std::vector<TColor>{0x00FFFF, 0x00FFFF}));
    EXPECT_EQ(form.Form().Category1ColorLbl->palette().color(QPalette::Window), QColor(255, 0, 0));
    CopyConfigFormTexts(form.Texts(), Settings());
    EXPECT_EQ(ColorToText(Settings().BkC1Color), "000000FF");
}

TEST_F(ConfigForms, FontCancelKeepsTheAcceptedFont) {
    TConfigAllForm form(cpAppearance);
    bool accept = true;
    form.AskFont = [&](int, TFontSetting& font) {
        if (!accept) {
            font.Name = "Other";
            return false;
        }
        font = {"Courier", 12, 0xFF, TFontStyles(fsItalic | fsUnderline)};
        return true;
    };
    form.FontChangeButtonClick(0);
    accept = false;
    form.FontChangeButtonClick(0);
    EXPECT_EQ(form.Texts().Fonts[0].Name, "Courier");
    EXPECT_EQ(form.Form().CurrentFontDisplay->font().italic(), true);
    CopyConfigFormTexts(form.Texts(), Settings());
    EXPECT_EQ(Settings().FontName, "Courier");
    EXPECT_EQ(Settings().FontSize, 12);
    EXPECT_EQ(Settings().FontStyle, fsItalic);  // only bold and italic are kept
    EXPECT_EQ(Settings().WgFontName, "Arial");
}

TEST_F(ConfigForms, FontColourDialogRenders) {
    TFontColorDialog dialog;
    dialog.SetFont({"Arial", 11, 0x0000FF, fsBold});
    EXPECT_EQ(dialog.Font().Size, 11);
    EXPECT_EQ(dialog.Font().Color, 0x0000FFu);
    EXPECT_EQ(dialog.Font().Style, fsBold);
    EXPECT_EQ(dialog.Font().Name, "Arial");  // kept, whatever family stands in for it
    Screenshot(dialog, "FontColorDialog");
}

TEST_F(ConfigForms, InvalidDelaysAndMismatchedPasswordsKeepTheDialogOpen) {
    const TSettings before = Settings();
    for (const char* bad : {"0", "10001", ""}) {
        TConfigAllForm form(0);
        form.Form().Memo1->setPlainText("changed");
        form.Form().AutoScrollDelayEdit->SetText(bad);
        form.SaveButtonClick();
        EXPECT_EQ(form.result(), 0) << bad;
        EXPECT_EQ(form.Form().PageControl1->currentIndex(), cpTreeAction);
    }
    EXPECT_EQ(messages.Texts()[0], "Value 0 out of range 1..10000");
    EXPECT_EQ(messages.Texts()[1], "Value 10001 out of range 1..10000");
    EXPECT_EQ(messages.Texts()[2], "Value  out of range 1..10000");
    TConfigAllForm form(0);
    form.Form().BankPasswordEdit->setText("one");
    form.Form().BankPasswordEdit2->setText("two");
    form.SaveButtonClick();
    EXPECT_EQ(form.result(), 0);
    EXPECT_EQ(messages.LastText(), "The PassWord entries are not the same.\rPlease try again.");
    EXPECT_EQ(Settings(), before);
}

// ---- Bulk maintenance ----

class BulkForms : public ConfigForms {};

TEST_F(BulkForms, CategoryChangeActsOnSelectedRowsOnly) {
    Add(Named("one", "A", "B", "C"));
    Add(Named("ONE", "A", "B", "C"));
    Add(Named("two", "A", "B", "C"));
    TCatChgSelForm form;
    form.ChangeButtonClick();
    EXPECT_EQ(messages.LastText(), "No Entries Selected!\rPlease try again.");
    EXPECT_EQ(form.result(), 0);
    SelectByName(form.List(), {"one", "two"});
    form.Form().C2Combo->SetText("Tools");
    form.Form().CheckBox1->setChecked(true);
    form.Form().CheckBox3->setChecked(true);
    form.ChangeButtonClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(Bank().Entry(0).Category2, "Tools");
    EXPECT_EQ(Bank().Entry(0).Category1, "A");
    EXPECT_NE(Bank().Entry(0).ChangeDate, NoDate);
    EXPECT_EQ(Bank().Entry(1).Category2, "B");
    EXPECT_EQ(Bank().Entry(2).Category2, "Tools");
    Screenshot(form, "CatChgSelForm");
}

TEST_F(BulkForms, CategoryComboExitRefillsTheNextLevel) {
    Add(Named("a", "Work", "Mail", "In"));
    Add(Named("b", "Work", "News"));
    Add(Named("c", "Home", "Garden"));
    for (int i = 0; i <= Bank().EntryHigh; ++i) AddCategoryPath(Bank(), Bank().Entry(i));
    TCatChgSelForm form;
    form.Form().C1Combo->SetText("  Work ");
    form.C1ComboExit();
    EXPECT_EQ(form.Form().C1Combo->Text(), "Work");
    EXPECT_EQ(form.Form().C2Combo->ItemTexts(), (Strings{"Mail", "News"}));
    form.Form().C2Combo->SetText("Mail");
    form.C2ComboExit();
    EXPECT_EQ(form.Form().C3Combo->ItemTexts(), (Strings{"In"}));
}

TEST_F(BulkForms, DeleteBySelectionWithCaseVariantsAndConfirmation) {
    Add(Named("one"));
    Add(Named("ONE"));
    Add(Named(Mark + "wg"));
    Add(Named("two"));
    Bank().IsAdministrator = true;
    TDelSelForm form;
    SelectByName(form.List(), {"one", Mark + "wg"});
    messages.Answer(mrNo);
    form.DeleteButtonClick();
    EXPECT_EQ(Names().size(), 4u);
    EXPECT_EQ(form.result(), 0);
    messages.Answer(mrYes);
    form.DeleteButtonClick();
    EXPECT_EQ(Names(), (Strings{"ONE", "two"}));
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_TRUE(Bank().WorkgroupModified);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(BulkForms, FavouritesOrderAndDone) {
    const std::pair<const char*, int> entries[] = {{"b", 5}, {"a", 5}, {"c", 12}, {"d", 0}};
    for (auto [name, count] : entries) {
        TEntry e = Named(name);
        e.AccessCount = count;
        Add(e);
    }
    TFavUpdateForm form;
    QTreeWidget* list = form.Form().FavUpdateList;
    ASSERT_EQ(list->topLevelItemCount(), 4);
    Strings names;
    for (int r = 0; r < 4; ++r) names.push_back(FromQString(list->topLevelItem(r)->text(2)));
    EXPECT_EQ(names, (Strings{"c", "a", "b", "d"}));
    EXPECT_EQ(list->topLevelItem(0)->text(1), "      12");
    EXPECT_TRUE(list->isColumnHidden(TFavUpdateForm::fcIndex));
    EXPECT_EQ(list->headerItem()->text(0), "Fav");
    list->topLevelItem(3)->setCheckState(0, Qt::Checked);  // d
    Screenshot(form, "FavUpdateForm");
    // Made larger, the dialog scales its font; the columns follow, a large count shows whole.
    Bank().Entry(0).AccessCount = 2146617999;
    TFavUpdateForm large;
    large.show();
    QTreeWidget* counts = large.Form().FavUpdateList;
    large.findChild<TElasticFormQt*>()->SetSettleInterval(0);
    const QFont designed = counts->font();
    large.resize(900, 700);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts->font() != designed; }, 5000));
    QApplication::processEvents();
    Screenshot(large, "FavUpdateFormLarge");
    ASSERT_EQ(counts->topLevelItem(0)->text(1), "2146617999");
    EXPECT_GE(counts->columnWidth(1),
              QFontMetrics(counts->font()).horizontalAdvance(counts->topLevelItem(0)->text(1)));
    form.FavUpdateDoneButtonClick();
    EXPECT_TRUE(Bank().Entry(3).IsFavorite());
    EXPECT_FALSE(Bank().Entry(0).IsFavorite());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

}  // namespace
