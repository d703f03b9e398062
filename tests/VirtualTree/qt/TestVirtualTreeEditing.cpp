// The string tree over Qt, as a person sees it: its editor open in place, the line edit's keys
// and focus, and a cut-off cell shown whole as a tooltip.
#include <gtest/gtest.h>

#include "QtTestApplication.h"
#include "QtTestForm.h"
#include "QtTestHints.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

#include "VirtualStringTree.h"
#include "VirtualTreesEditing.h"
#include "platform/Codec.h"
#include "platform/EditControl.h"
#include "platform/HintWindow.h"
#include "platform/qt/ControlHost.h"
#include "platform/qt/EditControl.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class StringTreeOverQt : public ::testing::Test {
protected:
    void SetUp() override { NeedApplication(); }
};

}  // namespace

TEST_F(StringTreeOverQt, AStringTreeEditsInPlaceOverQt) {
    TVirtualStringTree tree;
    tree.SetColor(clWhite);
    TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
    misc.Include(toEditable);
    tree.TreeOptions().SetMiscOptions(misc);
    TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    paint.Include(toShowHorzGridLines);
    paint.Include(toShowVertGridLines);
    tree.TreeOptions().SetPaintOptions(paint);
    tree.Header().Columns().Add()->SetWidth(150);
    tree.Header().Columns()[0].SetText("Name");
    tree.Header().Columns().Add()->SetWidth(130);
    tree.Header().Columns()[1].SetText("Address");
    tree.Header().SetMainColumn(0);
    TVTHeaderOptions header = tree.Header().Options();
    header.Include(hoVisible);
    tree.Header().SetOptions(header);
    std::vector<std::string> names{"Bookmarks", "News", "Weather", "Recipes"};
    tree.OnGetText = [&names](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column,
                              TVSTTextType, std::string& text) {
        text = column == 0 ? names[node->Index] : "http://example.org/" + names[node->Index];
    };
    std::string written;
    tree.OnNewText = [&](TBaseVirtualTree*, PVirtualNode node, TColumnIndex,
                         const std::string& text) {
        written = text;
        names[node->Index] = text;
    };
    tree.SetRootNodeCount(4);
    Form form(tree);
    QWidget* host = HostWidget(tree);
    PVirtualNode second = tree.GetFirst()->NextSibling;
    ASSERT_TRUE(tree.EditNode(second, 0));
    auto* link = dynamic_cast<TStringEditLink*>(tree.EditLink().get());
    ASSERT_NE(link, nullptr);
    QLineEdit* line = EditWidget(*link->Edit());
    Pump(20);
    EXPECT_TRUE(line->isVisible());
    EXPECT_TRUE(line->hasFocus());
    EXPECT_EQ(line->selectedText(), "News");
    Key(line, Qt::Key_End);
    for (QChar c : QString(" of the day")) Key(line, 0, QString(c));
    EXPECT_EQ(link->Edit()->Text(), "News of the day");
    Pump(20);
    if (const char* dir = std::getenv("LORVANE_PNG_DIR"))
        host->grab().save(QString::fromUtf8(dir) + "/tree-editing.png");
    Key(line, Qt::Key_Return);
    EXPECT_EQ(written, "News of the day");
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_FALSE(line->isVisible());
    EXPECT_TRUE(tree.Focused());
    Pump(20);
    EXPECT_EQ(tree.EditLink(), nullptr) << "released after the ending code";

    // Escape cancels; focus going to another widget keeps the text (auto-accept).
    ASSERT_TRUE(tree.EditNode(second, 0));
    link = dynamic_cast<TStringEditLink*>(tree.EditLink().get());
    line = EditWidget(*link->Edit());
    Pump(20);
    Key(line, 0, "X");
    Key(line, Qt::Key_Escape);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(names[1], "News of the day");
    Pump(20);
    QLineEdit& other = form.other;
    ASSERT_TRUE(tree.EditNode(second, 0));
    link = dynamic_cast<TStringEditLink*>(tree.EditLink().get());
    line = EditWidget(*link->Edit());
    Pump(20);
    Key(line, 0, "Y");
    other.setFocus();
    Pump(20);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(names[1], "Y");
    EXPECT_TRUE(other.hasFocus()) << "the focus stays where it went";

    // A cut-off address shows whole, in place, as a tooltip.
    tree.SetHintMode(hmTooltip);
    const TRect cell = tree.GetDisplayRect(tree.GetFirst(), 1, false);
    tree.UpdateHint(cell.Left + 10, (cell.Top + cell.Bottom) / 2);
    ASSERT_TRUE(HintWindowShowing());
    EXPECT_EQ(ShownHint().Text, "http://example.org/Bookmarks");
    QWidget* hint = HintWidget();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->testAttribute(Qt::WA_TransparentForMouseEvents));
    if (const char* dir = std::getenv("LORVANE_PNG_DIR"))
        hint->grab().save(QString::fromUtf8(dir) + "/tooltip.png");
    tree.CancelHint();
    EXPECT_FALSE(HintWindowShowing());
}

TEST_F(StringTreeOverQt, ACyrillicKeySearchesTheTree) {
    TVirtualStringTree tree;
    const std::vector<std::string> names{"Apple", "\xD0\x96\xD1\x83\xD0\xBA", "Zebra"};  // "Жук"
    tree.OnGetText = [&names](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, TVSTTextType,
                              std::string& text) { text = names[node->Index]; };
    tree.SetIncrementalSearch(isAll);
    tree.OnIncrementalSearch = [&names](TBaseVirtualTree*, PVirtualNode node,
                                        const std::u16string& text, int& result) {
        result = Utf8ToUtf16(names[node->Index]).rfind(text, 0) == 0 ? 0 : 1;
    };
    tree.SetRootNodeCount(3);
    Form form(tree);
    Key(HostWidget(tree), 0x416, QString::fromUtf8("\xD0\x96"));
    EXPECT_EQ(tree.FocusedNode(), tree.GetFirst()->NextSibling);
}

TEST_F(StringTreeOverQt, TheEditorEditsUnicodeText) {
    TVirtualStringTree tree;
    TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
    misc.Include(toEditable);
    tree.TreeOptions().SetMiscOptions(misc);
    const std::string name = "\xD0\x96\xD1\x83\xD0\xBA";  // "Жук"
    std::string written;
    tree.OnGetText = [&name](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                             std::string& text) { text = name; };
    tree.OnNewText = [&written](TBaseVirtualTree*, PVirtualNode, TColumnIndex,
                                const std::string& text) { written = text; };
    tree.SetRootNodeCount(1);
    Form form(tree);
    ASSERT_TRUE(tree.EditNode(tree.GetFirst(), NoColumn));
    auto* link = dynamic_cast<TStringEditLink*>(tree.EditLink().get());
    ASSERT_NE(link, nullptr);
    QLineEdit* line = EditWidget(*link->Edit());
    Pump(20);
    EXPECT_EQ(line->text(), QString::fromUtf8(name.c_str()));
    Key(line, Qt::Key_End);
    Key(line, 0, QString::fromUtf8("\xD0\xB8"));
    Key(line, Qt::Key_Return);
    EXPECT_EQ(written, name + "\xD0\xB8");
}
