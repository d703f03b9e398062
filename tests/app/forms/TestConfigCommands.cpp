// The Configuration commands and the bulk maintenance commands of the main window on the
// offscreen platform, against a temporary settings store.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <type_traits>

#include "BankFixture.h"
#include "ConfigAllForm.h"
#include "DupForm.h"
#include "ElastFrmQt.h"
#include "ExportCommands.h"
#include "GridRuns.h"
#include "MainForm.h"
#include "ModalHelpers.h"
#include "TempDir.h"
#include "VirtualStringTree.h"
#include "platform/Registry.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "ui_DupForm.h"
#include "ui_MainForm.h"

namespace {

// Sets the text of the named line or text edit inside `parent`; a missing one fails the test.
template <class W>
void SetChildText(QWidget& parent, const char* name, const QString& text) {
    W* w = parent.findChild<W*>(name);
    ASSERT_NE(w, nullptr) << name;
    if constexpr (std::is_same_v<W, QPlainTextEdit>)
        w->setPlainText(text);
    else
        w->setText(text);
}

class ConfigCommands : public BankFixture {
protected:
    ConfigCommands() {
        SetRegistryFileName(dir.File("registry.reg"));
        Settings() = TSettings();
    }
    ~ConfigCommands() override { SetRegistryFileName(""); }
    static void Screenshot(QWidget& w, const std::string& name) {
        w.grab().save(QString(LORVANE_SCREENSHOT_DIR) + "/" + QString::fromStdString(name) +
                      ".png");
    }
    // A configuration dialog that answers Save at once, after `edit` changed it.
    static void SaveWith(std::function<void(TConfigAllForm&)> edit) {
        WhenModal([edit](QWidget* w) {
            auto* form = qobject_cast<TConfigAllForm*>(w);
            if (!form) return;
            edit(*form);
            form->SaveButtonClick();
        });
    }
    TempDir dir;
};

TEST_F(ConfigCommands, EachMenuCommandOpensItsPage) {
    TMainForm main;
    Ui::MainForm& f = main.Form();
    QAction* commands[] = {f.Startup1, f.Appearance1, f.Maintenance1, f.Security1,
                           f.Browser1, f.Workgroup1,  f.TreeAction1};
    for (int page = 0; page < 7; ++page) {
        int shown = -1;
        WhenModal([&](QWidget* w) {
            auto* form = qobject_cast<TConfigAllForm*>(w);
            ASSERT_NE(form, nullptr);
            const auto* pages = form->findChild<QTabWidget*>("PageControl1");
            EXPECT_NE(pages, nullptr);
            shown = pages ? pages->currentIndex() : -1;
            Screenshot(*form, "ConfigPage" + std::to_string(page));
            form->reject();
        });
        ASSERT_TRUE(commands[page]->isEnabled());
        commands[page]->trigger();
        EXPECT_EQ(shown, page);
    }
}

TEST_F(ConfigCommands, RunConfigurationAppliesPhrasesAndSaves) {
    TMainForm main;
    Settings() = TSettings();
    SaveWith([](TConfigAllForm& form) {
        SetChildText<QPlainTextEdit>(form, "Memo1", "  Home  \n\nWelcome");
        form.SetRadioIndex("rgAutoScroll", 0);
        SetChildText<QLineEdit>(form, "AutoExpandDelayEdit", "250");
    });
    main.Maintenance1Click();
    EXPECT_EQ(Settings().CleanUpPhrases, (Strings{"Home", "Welcome"}));
    EXPECT_TRUE(Settings().AutoScroll);
    EXPECT_EQ(main.VST().AutoExpandDelay(), 250u);
    const std::string key = std::string(SettingsKey) + "URLNamesCleanUp";
    TRegValue value;
    ASSERT_EQ(Registry()->QueryValue(TRegRoot::CurrentUser, key, "01", value), 0);
    EXPECT_STREQ(value.Data.c_str(), "Welcome");
    ASSERT_EQ(Registry()->QueryValue(TRegRoot::CurrentUser, key, "Count", value), 0);
    EXPECT_EQ(value.AsDWord(), 2u);
}

TEST_F(ConfigCommands, RebuildOnlyWhenInterleaveChangesAndUserChangeRevalidates) {
    TMainForm main;
    Settings() = TSettings();
    Add(Named("a", "C"));
    main.RebuildTree();
    const unsigned nodes = main.VST().TotalCount();
    ASSERT_GT(nodes, 0u);
    // The tree shows what it showed until a rebuild: an emptied bank makes one visible.
    Bank().TruncateEntries(-1);
    SaveWith([](TConfigAllForm&) {});
    main.Appearance1Click();
    EXPECT_EQ(main.VST().TotalCount(), nodes);
    SaveWith([](TConfigAllForm& form) { form.SetRadioIndex("rgInterleave", 1); });
    main.Appearance1Click();
    EXPECT_TRUE(Settings().Interleave);
    EXPECT_EQ(main.VST().TotalCount(), 0u);

    int checks = 0;
    RunValidationOnce([&] { ++checks; });
    SaveWith(
        [](TConfigAllForm& form) { SetChildText<QLineEdit>(form, "UserNameEdit", "  someone "); });
    main.Workgroup1Click();
    EXPECT_EQ(Settings().UserName, "someone");
    EXPECT_FALSE(UserValidated());
    RunValidationOnce([&] { ++checks; });
    EXPECT_EQ(checks, 2);
}

TEST_F(ConfigCommands, AFailedSaveIsReportedWithEverythingApplied) {
    TMainForm main;
    Add(Named("a", "C"));
    main.RebuildTree();
    Bank().TruncateEntries(-1);  // a rebuild empties the tree
    std::filesystem::create_directory(dir.File("blocked.reg"));
    SetRegistryFileName(dir.File("blocked.reg"));
    RunValidationOnce([] {});
    SaveWith([](TConfigAllForm& form) {
        SetChildText<QLineEdit>(form, "UserNameEdit", " someone ");
        SetChildText<QLineEdit>(form, "WrkGrpUserFileName", "/shared/users");
        SetChildText<QLineEdit>(form, "AutoExpandDelayEdit", "250");
        form.SetRadioIndex("rgInterleave", 1);
    });
    main.Workgroup1Click();
    EXPECT_EQ(Settings().UserName, "someone");
    EXPECT_FALSE(UserValidated()) << "the new user is asked for again";
    EXPECT_TRUE(main.Form().LoadWorkgroupBank1->isEnabled());
    EXPECT_EQ(main.VST().AutoExpandDelay(), 250u);
    EXPECT_EQ(main.VST().TotalCount(), 0u);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
}

TEST_F(ConfigCommands, RefusedPasswordOpensNothing) {
    TMainForm main;
    int asked = -1;
    OperationPasswordCheck() = [&](int operation) {
        asked = operation;
        return false;
    };
    bool shown = false;
    WhenModal([&](QWidget* w) {
        shown = true;
        static_cast<QDialog*>(w)->reject();
    });
    main.Security1Click();
    QApplication::processEvents();
    EXPECT_EQ(asked, 3);
    EXPECT_FALSE(shown);
}

TEST_F(ConfigCommands, ClearAccessCountsAsksFirst) {
    TMainForm main;
    TEntry e = Named("a");
    e.AccessCount = 4;
    Add(e);
    messages.Answer(mrNo);
    main.Form().ClearAccessCounts1->trigger();
    EXPECT_EQ(Bank().Entry(0).AccessCount, 4);
    EXPECT_FALSE(Bank().BankModified);
    messages.Answer(mrYes);
    main.Form().ClearAccessCounts1->trigger();
    EXPECT_EQ(Bank().Entry(0).AccessCount, 0);
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_TRUE(main.Form().SaveBank1->isEnabled());
}

// ---- Duplicate URLs ----

// The client area of a tree: the child of its host that is not a scroll bar.
QWidget* TreeViewport(TBaseVirtualTree& tree) {
    for (QWidget* w : HostWidget(tree)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!qobject_cast<QScrollBar*>(w)) return w;
    return nullptr;
}

// The dialog's tree, found by its name.
TVirtualStringTree& URLTree(TDupForm& form) {
    auto* tree =
        dynamic_cast<TVirtualStringTree*>(ControlOfWidget(form.findChild<QWidget*>("URLTree")));
    EXPECT_NE(tree, nullptr);
    return *tree;
}

void AddUrls(const Strings& urls) {
    for (size_t i = 0; i < urls.size(); ++i) {
        TEntry e = BankFixture::Named("e" + std::to_string(i), "C");
        e.URL = urls[i];
        BankFixture::Add(e);
    }
}

TEST_F(ConfigCommands, DuplicateTreeGroupsAndDeletesCheckedChildren) {
    AddUrls({"http://a.com/x", "http://A.com/x", "None", "http://b.org", "http://a.com/x", ""});
    TDupForm form(false);
    EXPECT_EQ(FromQString(form.windowTitle()), "Lorvane Duplicate URLs   (On Full URL)");
    TBaseVirtualTree& tree = URLTree(form);
    ASSERT_EQ(tree.RootNodeCount(), 1u);
    PVirtualNode group = tree.GetFirstChild(nullptr);
    EXPECT_EQ(tree.GetNodeData<TDupNodeData>(group)->EntryIndex, -1);
    EXPECT_EQ(tree.CheckType(group), ctNone);
    std::vector<int> children;
    for (PVirtualNode c = tree.GetFirstChild(group); c; c = tree.GetNextSibling(c)) {
        EXPECT_EQ(tree.CheckType(c), ctCheckBox);
        children.push_back(tree.GetNodeData<TDupNodeData>(c)->EntryIndex);
    }
    EXPECT_EQ(children, (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(form.CellText(*tree.GetNodeData<TDupNodeData>(group), 1), "");
    // The tree shows the bank's Windows-1252 texts as Unicode.
    Bank().Entry(1).Name = "caf\xE9";
    EXPECT_EQ(URLTree(form).Text(tree.GetNextSibling(tree.GetFirstChild(group)), 1), "caf\xC3\xA9");
    form.resize(760, 300);
    form.show();
    QApplication::processEvents();
    Screenshot(form, "DupForm");

    // Nothing checked: the error, the dialog stays.
    form.DeleteButtonClick();
    EXPECT_EQ(messages.LastText(), "No Entries Selected!\rPlease try again.");
    EXPECT_EQ(form.result(), 0);
    // The first and second of three go; the third stays.
    PVirtualNode first = tree.GetFirstChild(group);
    tree.SetCheckState(first, csCheckedNormal);
    tree.SetCheckState(tree.GetNextSibling(first), csCheckedNormal);
    EXPECT_EQ(form.CheckedEntries(), (std::vector<int>{0, 1}));
    messages.Answer(mrYes);
    form.DeleteButtonClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(Names(), (Strings{"e2", "e3", "e4", "e5"}));
    EXPECT_TRUE(Bank().BankModified);
}

TEST_F(ConfigCommands, DuplicateTreeColumnsFitTheirTextsWithinTheList) {
    const std::string url = "http://www.example.com/a/rather/long/path/to/a/page.html";
    // The widest URL is not the longest: narrow characters take less room than wide ones.
    const std::string wide = "http://" + std::string(40, 'W'),
                      narrow = "http://" + std::string(120, 'i');
    AddUrls({url, url, narrow, narrow, wide, wide});
    TDupForm form(false);
    form.show();
    form.resize(1000, 300);
    QApplication::processEvents();
    TBaseVirtualTree& tree = URLTree(form);
    EXPECT_GT(tree.Header().Columns()[0].Width(), 200);
    EXPECT_EQ(tree.Header().Columns()[0].Width(), tree.GetMaxColumnWidth(0))
        << "the whole URL shows";

    AddUrls({std::string(2000, 'x'), std::string(2000, 'x')});
    TDupForm cut(false);
    cut.show();
    cut.resize(760, 300);
    QApplication::processEvents();
    Screenshot(cut, "DupFormLongURL");
    TVirtualTreeColumns& columns = URLTree(cut).Header().Columns();
    int total = 0;
    for (int c = 0; c < columns.Count(); ++c) total += columns[c].Width();
    EXPECT_EQ(total, URLTree(cut).ClientWidth()) << "a URL longer than the list is cut to it";
    // The cut URL ends in "...": its last marks sit low in the line, as dots do.
    TVirtualStringTree& cutTree = URLTree(cut);
    PVirtualNode group = cutTree.GetFirstChild(nullptr);
    while (group && cutTree.Text(group, 0).size() < 2000) group = cutTree.GetNextSibling(group);
    ASSERT_NE(group, nullptr);
    const TRect cell = cutTree.GetDisplayRect(cutTree.GetFirstChild(group), 0, false);
    const QImage shot = TreeViewport(cutTree)->grab().toImage();
    int top = cell.Bottom, bottom = cell.Top, last = -1;
    for (int x = (cell.Left + cell.Right) / 2; x < cell.Right - 1; ++x)
        for (int y = cell.Top + 1; y < cell.Bottom - 1; ++y)
            if (qGray(shot.pixel(x, y)) < 110) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                last = x;
            }
    ASSERT_GT(last, 0) << "the cell shows text";
    for (int y = top; y < (top + bottom) / 2; ++y)
        EXPECT_GE(qGray(shot.pixel(last, y)), 110) << "a mark high in the line at " << y;
}

TEST_F(ConfigCommands, DuplicateTreeMeasuresEachTextOnceAndNotOnAResize) {
    // One group of 1,000 entries on the major domain, over a few texts.
    for (int i = 0; i < 1000; ++i) {
        TEntry e = Named("name " + std::to_string(i % 4), "Cat " + std::to_string(i % 3));
        e.URL = "http://a.com/" + std::to_string(i % 5);
        Add(e);
    }
    TDupForm form(true);
    TVirtualStringTree& tree = URLTree(form);
    // Each text measured (and each painted) is first given its font.
    int measured = 0;
    tree.OnPaintText = [&](TBaseVirtualTree*, TCanvas&, PVirtualNode, TColumnIndex, TVSTTextType) {
        ++measured;
    };
    form.resize(760, 300);
    form.show();
    QApplication::processEvents();
    const int nodes = int(tree.TotalCount());
    EXPECT_EQ(nodes, 1001);
    EXPECT_LT(measured, nodes / 2) << "the opening";
    measured = 0;
    form.resize(860, 300);
    QApplication::processEvents();
    EXPECT_LT(measured, nodes / 2) << "a resize";
}

TEST_F(ConfigCommands, DuplicateDialogOpensAtTheScreensSizeAndKeepsItsFonts) {
    AddUrls({"http://a.com/x", "http://a.com/x"});
    TDupForm form(true);
    auto* elastic = form.findChild<TElasticFormQt*>();
    ASSERT_NE(elastic, nullptr);
    EXPECT_FALSE(elastic->ElasticFont);
    elastic->SetSettleInterval(0);
    int rescaled = 0;
    elastic->OnAfterResize = [&](TObject*) { ++rescaled; };
    form.show();
    WaitPlacedAndFramed(form);
    // Rounded as the resizer does, in single precision: a pixel either way.
    const QSize sized = SizeForTheScreen(form, *elastic);
    EXPECT_NEAR(form.width(), sized.width(), 1);
    EXPECT_NEAR(form.height(), sized.height(), 1);
    Screenshot(form, "DupFormNormal");
    QWidget* button = form.Form().DeleteButton;
    const QFont designed = button->font();
    const int before = rescaled;
    form.resize(form.size() * 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rescaled > before; }, 5000));
    QApplication::processEvents();
    EXPECT_EQ(button->font(), designed);
    EXPECT_EQ(form.font(), designed);
    Screenshot(form, "DupFormDouble");
}

TEST_F(ConfigCommands, DuplicateTreeGridLinesAreOneDevicePixelAtAFractionalScale) {
    AddUrls({"http://a.com/x", "http://a.com/x", "http://b.org/y", "http://b.org/y"});
    for (bool majorDomain : {false, true}) {
        TDupForm form(majorDomain);
        form.show();
        form.resize(500, 250);  // room for every column on a small screen too
        QApplication::processEvents();
        TBaseVirtualTree& tree = URLTree(form);
        QWidget* viewport = TreeViewport(tree);
        QImage picture(viewport->size() * 3 / 2, QImage::Format_RGB32);
        picture.setDevicePixelRatio(1.5);
        picture.fill(Qt::white);
        viewport->render(&picture);
        const TColor color = ColorToRGB(tree.Colors().Color(TVTColors::GridLineColor));
        const QRgb grid = qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
        const TRect row = tree.GetDisplayRect(tree.GetFirstChild(tree.GetFirstChild(nullptr)), 1,
                                              false);  // an entry's row
        // The columns' lines are dotted: each shows a dot on one of two neighbouring lines.
        std::vector<int> along = GridRuns(picture, grid, false, (row.Top + 4) * 3 / 2);
        for (int run : GridRuns(picture, grid, false, (row.Top + 5) * 3 / 2)) along.push_back(run);
        EXPECT_GE(along.size(), 5u) << majorDomain << " " << viewport->width();
        for (int run : along) EXPECT_EQ(run, 1) << "a column's line";
        picture.save(QString(LORVANE_SCREENSHOT_DIR "/DupFormGrid%1.png").arg(majorDomain));
    }
}

TEST_F(ConfigCommands, DuplicateCommandsOnMajorDomainThroughTheMenu) {
    TMainForm main;
    AddUrls({"http://a.com/x", "http://a.com/y", "http://b.org/x"});
    unsigned roots = 0;
    WhenModal([&](QWidget* w) {
        auto* form = qobject_cast<TDupForm*>(w);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(FromQString(form->windowTitle()), "Lorvane Duplicate URLs   (On Major Domain)");
        roots = URLTree(*form).RootNodeCount();
        form->reject();
    });
    main.Form().DuplicateURLsDomain1->trigger();
    EXPECT_EQ(roots, 1u);
    EXPECT_EQ(Bank().EntryHigh, 2);
}

}  // namespace
