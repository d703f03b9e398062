// The tree's navigation commands and its popup menu, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankFixture.h"
#include "InfoPanel.h"
#include "MainForm.h"
#include "MainTree.h"
#include "MainWindowFixture.h"
#include "TempDir.h"
#include "VirtualTrees.h"
#include "platform/Clipboard.h"
#include "platform/Menus.h"
#include "platform/qt/ControlHost.h"
#include "ui_MainForm.h"

namespace {

class TreeNavigationTest : public MainWindowTest {};

const Strings Entries = {"#00001#Na=Beta", "#00001#Ux=http://beta", "#00001#C1=Work",
                         "#00001#C2=Docs", "#00001#De=the docs",    "#00002#Na=Gamma",
                         "#00002#Ux=None"};

TEST_F(TreeNavigationTest, NavigationCommands) {
    Strings lines;
    for (int i = 0; i < 60; ++i) {
        const std::string n = "#" + std::string(i < 9 ? "0000" : "000") + std::to_string(i + 1);
        lines.push_back(n + "#Na=E" + std::to_string(100 + i));
        lines.push_back(n + "#C1=" + (i < 30 ? "Alpha" : "Beta"));
    }
    TMainForm form;
    Open(form, lines);
    TBaseVirtualTree& tree = form.VST();
    form.Form().CollapseTree1->trigger();
    EXPECT_FALSE(tree.Expanded(tree.GetFirst()));
    EXPECT_EQ(tree.TopNode(), tree.GetFirst());
    form.Form().tbExpandTree->trigger();
    for (PVirtualNode n = tree.GetFirst(); n; n = tree.GetNextSibling(n))
        EXPECT_TRUE(tree.Expanded(n));
    form.Form().BottomoftheTree1->trigger();
    QApplication::processEvents();
    EXPECT_NE(tree.TopNode(), tree.GetFirst());
    form.Form().CollapseTree1->trigger();
    form.Form().TopoftheTree1->trigger();
    EXPECT_EQ(tree.TopNode(), tree.GetFirst());
    EXPECT_TRUE(tree.Expanded(tree.GetFirst()));
    EXPECT_FALSE(tree.Expanded(tree.GetNextSibling(tree.GetFirst())));
    // Expanding puts the focused node at the top.
    const int e110 = SelectEntryNode(Bank(), "E110");
    ASSERT_GE(e110, 0);
    form.Form().ExpandTree1->trigger();
    QApplication::processEvents();
    EXPECT_EQ(tree.TopNode(), Bank().Entry(e110).Node);
}

TEST_F(TreeNavigationTest, PopupMenuRepeatsMainMenuCommands) {
    TMainForm form;
    Open(form, Entries);
    TPopupMenu& popup = *form.VST().PopupMenu();
    EXPECT_EQ(form.VST().PopupMenu(), &popup);
    Strings captions;
    for (int i = 0; i < popup.Items().Count(); ++i)
        captions.push_back(popup.Items().Items(i)->Caption);
    EXPECT_EQ(captions, (Strings{"&Go To URL\tF4",
                                 "Send &Mail\tF5",
                                 "-",
                                 "&Add Entry\tCtrl+A",
                                 "Add Entry (Current &URL)\tCtrl+U",
                                 "&Modify Entry\tCtrl+M",
                                 "&Copy Entry\tCtrl+E",
                                 "&Delete Entry\tCtrl+D",
                                 "-",
                                 "Copy &Entry to Clipboard",
                                 "Copy &URL to Clipboard",
                                 "Copy User &ID to Clipboard",
                                 "Copy User ID &Password to Clipboard",
                                 "-",
                                 "&Find First\tCtrl+F",
                                 "Find &Next\tF3",
                                 "-",
                                 "Display Information\tCtrl+I",
                                 "-",
                                 "&Collapse Tree\tCtrl+Alt+C",
                                 "&Expand Tree\tCtrl+Alt+E",
                                 "&Top of the Tree\tCtrl+Alt+T",
                                 "&Bottom of the Tree\tCtrl+Alt+B"}));
    popup.Popup(10, 10);
    EXPECT_TRUE(popup.Items().Items(14)->Enabled);  // Find First
    EXPECT_TRUE(popup.Items().Items(17)->Enabled);
    popup.CloseMenu();
    // The clipboard commands act on the focused entry.
    SelectEntryNode(Bank(), "Beta");
    popup.Items().Items(10)->Click();
    EXPECT_EQ(ClipboardText(), "http://beta");
    popup.Items().Items(17)->Click();
    EXPECT_TRUE(InfoMemoOf(form));
    // Shown again: a fresh memo, the tree still narrow; closing gives the tree its width back.
    const TMarkMemo* first = InfoMemoOf(form);
    form.Form().DisplayInformation1->trigger();
    QApplication::processEvents();
    EXPECT_NE(InfoMemoOf(form), first);
    QWidget* tree = HostWidget(form.VST());
    EXPECT_EQ(tree->width(), Settings().ColumnTable[0].Width + 25);
    SelectEntryNode(Bank(), "Gamma");
    QApplication::processEvents();
    EXPECT_EQ(InfoMemoOf(form), nullptr);
    EXPECT_EQ(tree->width(), form.centralWidget()->width());
}

TEST_F(TreeNavigationTest, MenuKeyAndShiftF10OpenThePopupAtTheFocusedNode) {
    TMainForm form;
    Open(form, Entries);
    TPopupMenu& popup = *form.VST().PopupMenu();
    QWidget* host = HostWidget(form.VST());
    SelectEntryNode(Bank(), "Gamma");
    const TRect r = form.VST().GetDisplayRect(form.VST().FocusedNode(), 0, true);
    const TPoint top = form.VST().ClientToScreen({r.Left, r.Top});
    const TPoint bottom = form.VST().ClientToScreen({r.Right, r.Bottom});
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers()},
          std::pair{Qt::Key_F10, Qt::KeyboardModifiers(Qt::ShiftModifier)}}) {
        QTest::keyClick(host, key, modifiers);
        ASSERT_TRUE(popup.IsPoppedUp()) << key;
        EXPECT_EQ(popup.PopupComponent, &form.VST());
        QMenu* menu = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible()) menu = m;
        ASSERT_NE(menu, nullptr);
        EXPECT_GE(menu->pos().y(), top.Y);
        EXPECT_LE(menu->pos().y(), bottom.Y);
        EXPECT_GT(menu->pos().x(), top.X);
        popup.CloseMenu();
    }
    // F10 alone opens nothing.
    QTest::keyClick(host, Qt::Key_F10);
    EXPECT_FALSE(popup.IsPoppedUp());
}

}  // namespace
