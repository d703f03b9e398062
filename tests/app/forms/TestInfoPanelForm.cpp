// The information panel in the main window, the View commands that add to it, the tree's
// navigation commands and its popup menu, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <QtTest/QTest>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankFixture.h"
#include "InfoPanel.h"
#include "MainForm.h"
#include "MainTree.h"
#include "MainWindowFixture.h"
#include "MarkMemo.h"
#include "TempDir.h"
#include "VirtualTrees.h"
#include "platform/qt/ControlHost.h"
#include "ui_MainForm.h"

namespace {

class InfoPanelFormTest : public MainWindowTest {
protected:
    static std::string MemoText(TMarkMemo& memo) { return memo.TextRange(0, memo.CharCount()); }
    static std::string Joined(const Strings& lines) {
        std::string text;
        for (const std::string& l : lines) text += l + "\r\n";
        return text;
    }
};

const Strings Sample = {"#00001#Na=Beta", "#00001#Ux=http://beta", "#00001#C1=Work",
                        "#00001#C2=Docs", "#00001#De=the docs",    "#00002#Na=Gamma",
                        "#00002#Ux=None"};

TEST_F(InfoPanelFormTest, ShowsTheFocusedEntryBesideTheShrunkenTree) {
    TMainForm form;
    Open(form, Sample);
    QWidget* tree = form.findChild<QWidget*>("VST");
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->width(), 1024);
    form.VST().Header().Columns()[0].SetWidth(250);
    const int beta = SelectEntryNode(Bank(), "Beta");
    ASSERT_GE(beta, 0);
    Bank().Entry(beta).Notes = "first note\r\nsecond note";
    form.Form().DisplayInformation1->trigger();
    QApplication::processEvents();
    ASSERT_TRUE(InfoMemoOf(form));
    TMarkMemo& memo = *InfoMemoOf(form);
    EXPECT_TRUE(InfoPanel().InfoShown);
    EXPECT_TRUE(InfoPanel().SuppressColumnSave);
    EXPECT_EQ(MemoText(memo), Joined(BuildEntryInfo(Bank().Entry(beta)).Lines));
    EXPECT_TRUE(memo.ReadOnly);
    EXPECT_TRUE(memo.WordWrap());
    EXPECT_EQ(memo.EndOfTextMark().Style(), TPenStyle::psClear);
    EXPECT_EQ(memo.Keywords().Count(), 14);
    const TKeywordRec label = memo.Keywords().Record(0);
    EXPECT_EQ(label.Options, 1);
    EXPECT_EQ(label.Style, 16);
    EXPECT_EQ(label.Context, 1);
    EXPECT_EQ(memo.TopLine(), 0);

    // Geometry: the memo 5 pixels right of the tree, as tall, 10 pixels short of the edge.
    EXPECT_EQ(tree->width(), 250 + 25);  // the first column's width
    QWidget* host = HostWidget(memo);
    const QPoint treeAt = tree->mapTo(&form, QPoint(0, 0));
    EXPECT_EQ(host->geometry(),
              QRect(treeAt.x() + tree->width() + 5, treeAt.y(),
                    1024 - (treeAt.x() + tree->width() + 5) - 10, tree->height()));

    // The name black on yellow, the labels red.
    const QImage shot = form.grab().toImage();
    shot.save(LORVANE_SCREENSHOT_DIR "/mainform-infopanel.png");
    const QImage panel = host->grab().toImage();
    int yellow = 0, red = 0;
    for (int y = 0; y < panel.height(); ++y)
        for (int x = 0; x < panel.width(); ++x) {
            const QColor c = panel.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() < 60) ++yellow;
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++red;
        }
    EXPECT_GT(yellow, 20);
    EXPECT_GT(red, 20);

    // The panel follows the window's size.
    form.resize(900, 600);
    QApplication::processEvents();
    EXPECT_EQ(host->geometry().right(), 900 - 10 - 1);
    EXPECT_EQ(host->height(), tree->height());
    EXPECT_EQ(host->y(), tree->mapTo(&form, QPoint(0, 0)).y());

    // Inside the panel the main menu's shortcuts still work.
    int collapsed = 0;
    QObject::connect(form.Form().CollapseTree1, &QAction::triggered, [&] { ++collapsed; });
    form.activateWindow();
    host->setFocus();
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(collapsed, 1);

    // Another node takes the focus: the panel goes and the tree gets its width back.
    SelectEntryNode(Bank(), "Gamma");
    EXPECT_FALSE(InfoPanel().InfoShown);
    EXPECT_EQ(InfoMemoOf(form), nullptr);
    QApplication::processEvents();
    EXPECT_EQ(tree->width(), form.centralWidget()->width());
}

TEST_F(InfoPanelFormTest, WithoutAFocusedEntryOnlyTheMarkIsSet) {
    TMainForm form;
    Open(form, Sample);
    Bank().FocusedEntry = -1;
    form.ShowEntryInfo();
    EXPECT_TRUE(InfoPanel().InfoShown);
    EXPECT_EQ(InfoMemoOf(form), nullptr);
    // A focused entry out of range counts as none.
    Bank().FocusedEntry = 57;
    form.ShowEntryInfo();
    EXPECT_EQ(InfoMemoOf(form), nullptr);
    SelectEntryNode(Bank(), "Gamma");
    EXPECT_FALSE(InfoPanel().InfoShown);
}

TEST_F(InfoPanelFormTest, ViewCommandsAddTheirLinesBehindThePassword) {
    TMainForm form;
    Open(form, Sample);
    const int beta = SelectEntryNode(Bank(), "Beta");
    Bank().Entry(beta).Password = "s3cret";
    Bank().Entry(beta).ConfNotes = "the safe";
    Settings().PWordPWord = true;
    Settings().BankPassword = "open";
    int asked = 0;
    std::string typed = "wrong";
    Seams().AskPassword = [&](std::string& text) {
        ++asked;
        text = typed;
        return asked < 2;  // the first answer is wrong, then Cancel
    };
    form.Form().ShowUserIDPassword1->trigger();
    EXPECT_EQ(InfoMemoOf(form), nullptr);
    EXPECT_EQ(asked, 2);

    asked = 0;
    typed = "open";
    form.Form().tbShowUserIDPassword->trigger();
    ASSERT_TRUE(InfoMemoOf(form));
    const Strings info = BuildEntryInfo(Bank().Entry(beta)).Lines;
    Strings lines = info;
    lines.insert(lines.end(), {"User ID PassWord:s3cret", ""});
    EXPECT_EQ(MemoText(*InfoMemoOf(form)), Joined(lines));
    // Confidential notes go below, into the same panel.
    TMarkMemo* shown = InfoMemoOf(form);
    form.Form().ShowConfidentialNotes1->trigger();
    EXPECT_EQ(InfoMemoOf(form), shown);
    lines.insert(lines.end(), {"Confidential Notes:", "the safe", ""});
    EXPECT_EQ(MemoText(*InfoMemoOf(form)), Joined(lines));

    // Exit closes the panel with the window.
    form.Form().Exit1->trigger();
    EXPECT_FALSE(InfoPanel().InfoShown);
    EXPECT_EQ(InfoMemoOf(form), nullptr);
}

}  // namespace
