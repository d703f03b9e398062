// The mouse in the main tree, through the window system: an entry dropped on a folder takes the
// folder's categories; a double click opens the row under the pointer; a right click opens the
// popup menu for it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>
#include <QtTest/QTest>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankModel.h"
#include "MainForm.h"
#include "MainWindowFixture.h"
#include "VirtualTrees.h"
#include "VirtualTreesDragImage.h"
#include "platform/FormDrag.h"
#include "platform/Overlay.h"
#include "platform/qt/ControlHost.h"

namespace {

class TreeDragTest : public MainWindowTest {
protected:
    static QWidget* Viewport(TBaseVirtualTree& tree) {
        for (QWidget* w : HostWidget(tree)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!qobject_cast<QScrollBar*>(w)) return w;
        return nullptr;
    }
    static int EntryNamed(const std::string& name) {
        for (size_t i = 0; i < Bank().Entries.size(); ++i)
            if (Bank().Entries[i].Name == name) return int(i);
        return -1;
    }
    // Opens the bookmarks with every folder expanded; the tree's client area. What the window
    // opens goes to `opened`.
    QWidget* OpenExpanded(TMainForm& form);
    std::vector<std::string> opened;
    static QPoint Label(TBaseVirtualTree& tree, PVirtualNode node) {
        const TRect r = tree.GetDisplayRect(node, 0, true);
        return {r.Left + 3, (r.Top + r.Bottom) / 2};
    }
    static PVirtualNode Node(const std::string& name) {
        return Bank().Entries[size_t(EntryNamed(name))].Node;
    }
    // Clicks the item of the shown popup menu whose caption starts with `caption`.
    static void Choose(const QString& caption) {
        QMenu* menu = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible()) menu = m;
        ASSERT_NE(menu, nullptr) << "no menu for " << caption.toStdString();
        QAction* item = nullptr;
        for (QAction* a : menu->actions())
            if (a->text().startsWith(caption)) item = a;
        ASSERT_NE(item, nullptr) << caption.toStdString();
        const QPointer<QMenu> chosen = menu;  // freed once closed
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        QApplication::processEvents();
        EXPECT_TRUE(!chosen || !chosen->isVisible());
    }
};

const Strings Bookmarks = {"#00001#Na=Alpha", "#00001#Ux=http://alpha", "#00001#C1=Work",
                           "#00001#C2=Mail",  "#00002#Na=Beta",         "#00002#Ux=http://beta",
                           "#00002#C1=Home",  "#00003#Na=Gamma",        "#00003#Ux=http://gamma",
                           "#00003#C1=Work"};

QWidget* TreeDragTest::OpenExpanded(TMainForm& form) {
    Open(form, Bookmarks);
    form.VST().FullExpand();
    QApplication::processEvents();
    Seams().OpenDocument = [this](const std::string& target, const TStartFailed&) {
        opened.push_back(target);
    };
    return Viewport(form.VST());
}

}  // namespace

TEST_F(TreeDragTest, AnEntryDroppedOnAFolderTakesItsCategory) {
    TMainForm form;
    Open(form, Bookmarks);
    TBaseVirtualTree& vst = form.VST();
    EXPECT_EQ(vst.DragMode(), dmAutomatic);
    EXPECT_FALSE(vst.TreeOptions().MiscOptions().Contains(toAcceptOLEDrop));
    vst.FullExpand();
    QApplication::processEvents();
    QWidget* viewport = Viewport(vst);
    ASSERT_NE(viewport, nullptr);
    const int alpha = EntryNamed("Alpha");
    ASSERT_GE(alpha, 0);
    PVirtualNode entry = Bank().Entries[size_t(alpha)].Node;
    PVirtualNode home = Bank().Entries[size_t(EntryNamed("Beta"))].Node->Parent;
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(home, nullptr);

    // A press and release without moving is a click, not a drag.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, Label(vst, entry));
    EXPECT_FALSE(FormDragActive());
    EXPECT_EQ(vst.FocusedNode(), entry);
    EXPECT_EQ(Bank().Entries[size_t(alpha)].Category1, "Work");

    const QPoint from = Label(vst, entry);
    const QPoint to = Label(vst, home);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, from + QPoint(0, 1));
    EXPECT_FALSE(FormDragActive()) << "within the drag threshold";
    QTest::mouseMove(viewport, from + QPoint(0, 20));
    ASSERT_TRUE(FormDragActive());
    QTest::mouseMove(viewport, to);
    EXPECT_EQ(vst.DropTargetNode(), home);
    EXPECT_TRUE(FormDragAccepted());
    QApplication::processEvents();
    form.grab().save(LORVANE_SCREENSHOT_DIR "/drag-over-folder.png");
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    QApplication::processEvents();
    EXPECT_FALSE(FormDragActive());
    EXPECT_TRUE(messages.Shown.empty());

    const int moved = EntryNamed("Alpha");
    ASSERT_GE(moved, 0);
    EXPECT_EQ(Bank().Entries[size_t(moved)].Category1, "Home");
    EXPECT_EQ(Bank().Entries[size_t(moved)].Category2, "");
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_EQ(Bank().FocusedEntry, moved) << "the moved entry is focused";

    // No stuck drag: a plain click focuses another entry.
    vst.FullExpand();
    QApplication::processEvents();
    PVirtualNode gamma = Bank().Entries[size_t(EntryNamed("Gamma"))].Node;
    QTest::mouseClick(viewport, Qt::LeftButton, {}, Label(vst, gamma));
    EXPECT_EQ(vst.FocusedNode(), gamma);
    EXPECT_TRUE(vst.Selected(gamma));
    EXPECT_FALSE(FormDragActive());
}

TEST_F(TreeDragTest, AnEntryDroppedOnAnotherEntryIsRefused) {
    TMainForm form;
    QWidget* viewport = OpenExpanded(form);
    TBaseVirtualTree& vst = form.VST();
    const int alpha = EntryNamed("Alpha");
    PVirtualNode entry = Bank().Entries[size_t(alpha)].Node;
    PVirtualNode other = Bank().Entries[size_t(EntryNamed("Beta"))].Node;
    const QPoint from = Label(vst, entry);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, from + QPoint(0, 20));
    QTest::mouseMove(viewport, Label(vst, other));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, Label(vst, other));
    QApplication::processEvents();
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.LastText(), "Drag and Drop action could not be completed.");
    EXPECT_EQ(Bank().Entries[size_t(EntryNamed("Alpha"))].Category1, "Work");
    EXPECT_FALSE(Bank().BankModified);

    // Escape ends a drag without a drop.
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, from + QPoint(0, 20));
    ASSERT_TRUE(FormDragActive());
    QTest::keyClick(viewport, Qt::Key_Escape);
    EXPECT_FALSE(FormDragActive());
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, from);
    EXPECT_EQ(messages.Shown.size(), 1u);
}

TEST_F(TreeDragTest, ADoubleClickOpensTheRowUnderThePointer) {
    TMainForm form;
    QWidget* viewport = OpenExpanded(form);
    TBaseVirtualTree& vst = form.VST();
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      Label(vst, Bank().Entries[size_t(EntryNamed("Alpha"))].Node));
    PVirtualNode beta = Bank().Entries[size_t(EntryNamed("Beta"))].Node;
    const TRect blank = vst.GetDisplayRect(beta, 1, false);  // its empty Description cell
    QTest::mouseDClick(viewport, Qt::LeftButton, {},
                       QPoint((blank.Left + blank.Right) / 2, (blank.Top + blank.Bottom) / 2));
    EXPECT_EQ(opened, std::vector<std::string>{"http://beta"});
    EXPECT_EQ(vst.FocusedNode(), beta);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 3));
    EXPECT_EQ(opened.size(), 1u) << "nothing under the pointer, nothing opened";
}

TEST_F(TreeDragTest, ARightClickOpensThePopupMenuForTheRowUnderThePointer) {
    TMainForm form;
    QWidget* viewport = OpenExpanded(form);
    TBaseVirtualTree& vst = form.VST();
    std::string edited = "none";
    Seams().RunEntryForm = [&](int) {
        edited = Bank().EditEntry.Name;
        return int(mrCancel);
    };
    Settings().ConfirmDeletes = true;
    messages.Answer(mrNo);
    const int count = Bank().Entries[size_t(EntryNamed("Beta"))].AccessCount;
    for (const char* command : {"&Go To URL", "&Modify Entry", "&Delete Entry"}) {
        QTest::mouseClick(viewport, Qt::LeftButton, {}, Label(vst, Node("Alpha")));
        QTest::mouseClick(viewport, Qt::RightButton, {}, Label(vst, Node("Beta")));
        EXPECT_EQ(vst.FocusedNode(), Node("Beta")) << command;
        EXPECT_TRUE(vst.Selected(Node("Beta")));
        EXPECT_FALSE(vst.Selected(Node("Alpha")));
        Choose(command);
    }
    EXPECT_EQ(opened, std::vector<std::string>{"http://beta"});
    EXPECT_EQ(Bank().Entries[size_t(EntryNamed("Beta"))].AccessCount, count + 1);
    EXPECT_EQ(Bank().Entries[size_t(EntryNamed("Alpha"))].AccessCount, 0);
    EXPECT_EQ(edited, "Beta");
    EXPECT_EQ(messages.Texts(), Strings{"Do you want to delete\rBeta?"});
    EXPECT_GE(EntryNamed("Beta"), 0) << "not deleted";

    // Below the rows of a collapsed tree, the hidden focused entry is not the menu's.
    vst.FullCollapse();
    QApplication::processEvents();
    for (const char* command : {"&Go To URL", "&Modify Entry"}) {
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(5, viewport->height() - 3));
        EXPECT_EQ(vst.FocusedNode(), nullptr);
        EXPECT_EQ(Bank().FocusedEntry, -1);
        Choose(command);
    }
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(edited, "Beta");

    // The Menu key opens the menu for the focused row.
    vst.FullExpand();
    QApplication::processEvents();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, Label(vst, Node("Gamma")));
    QTest::keyClick(HostWidget(vst), Qt::Key_Menu);
    Choose("&Go To URL");
    EXPECT_EQ(opened.back(), "http://gamma");
}

TEST_F(TreeDragTest, DragPicturesOfRowsAndColumns) {
    TMainForm form;
    Open(form, Bookmarks);
    TBaseVirtualTree& vst = form.VST();
    vst.FullExpand();
    QApplication::processEvents();

    // The rows' picture: the selected entry, fading out from the cursor.
    PVirtualNode entry = Bank().Entries[size_t(EntryNamed("Alpha"))].Node;
    vst.SetFocusedNode(entry);
    vst.AddToSelection(entry);
    const QPoint on = Label(vst, entry);
    TPoint hot{on.x() + 20, on.y()};
    std::unique_ptr<TBitmap> rows = vst.PrepareDragImage(hot);
    ASSERT_TRUE(rows);
    TVTDragImage image;
    image.PrepareDrag(*rows, {0, 0}, hot, vst.Color(), true);
    EXPECT_EQ(image.Width(), 100 + on.x() + 20) << "cut at the content's left edge";
    EXPECT_GT(image.Pixels()[size_t(hot.Y) * size_t(image.Width()) + size_t(hot.X)] >> 24, 0u)
        << "the selected row under the cursor shows";
    EXPECT_TRUE(image.SaveToFile(LORVANE_SCREENSHOT_DIR "/drag-rows.png"));

    // The column's picture lies over the tree while a column button is dragged.
    QWidget* host = HostWidget(vst);
    const TRect client = vst.ClientOrigin();
    const int strip = client.Top - vst.Header().Height() / 2;
    const int x = client.Left + vst.Header().Columns()[0].Width() + 30;
    QTest::mousePress(host, Qt::LeftButton, {}, QPoint(x, strip));
    QTest::mouseMove(host, QPoint(x + 40, strip + 10));
    QTest::mouseMove(host, QPoint(x + 90, strip + 20));
    const TOverlay* overlay = vst.Header().DragOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(overlay->Visible());
    QApplication::processEvents();
    form.grab().save(LORVANE_SCREENSHOT_DIR "/drag-column.png");
    QTest::mouseRelease(host, Qt::LeftButton, {}, QPoint(x + 90, strip + 20));
    EXPECT_EQ(vst.Header().DragOverlay(), nullptr);
}
