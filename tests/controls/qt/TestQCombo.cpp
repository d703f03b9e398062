// The auto-completing combo box: the widget's keys.
#include "QCombo.h"

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>

#include "platform/KeyCodes.h"

namespace {

struct ComboWidget : ::testing::Test {
    TQuickComboBox combo;
    std::vector<std::string> changes;
    ComboWidget() {
        combo.addItems({"Abc", "Abd", "xyz"});
        combo.setCurrentIndex(-1);
        combo.OnChange = [this](TObject*) { changes.push_back(combo.Text()); };
        combo.show();
        combo.setFocus();
    }
    std::string Selected() const { return combo.lineEdit()->selectedText().toStdString(); }
};

TEST_F(ComboWidget, TypingCompletesAndSelectsTheRest) {
    QTest::keyClicks(&combo, "a");
    EXPECT_EQ(combo.Text(), "Abc");
    EXPECT_EQ(combo.lineEdit()->selectionStart(), 1);
    EXPECT_EQ(Selected(), "bc");
    QTest::keyClicks(&combo, "b");
    EXPECT_EQ(combo.Text(), "Abc");
    EXPECT_EQ(Selected(), "c");
    EXPECT_EQ(changes, (std::vector<std::string>{"a", "Ab"}));  // as typed, before completion
}

TEST_F(ComboWidget, BackspaceLeavesTheTypedText) {
    QTest::keyClicks(&combo, "ab");
    QTest::keyClick(&combo, Qt::Key_Backspace);
    EXPECT_EQ(combo.Text(), "Ab");
    EXPECT_EQ(Selected(), "");
    EXPECT_EQ(combo.LastKey(), VK_BACK);
}

TEST_F(ComboWidget, CuttingEverythingLeavesItEmpty) {
    QTest::keyClicks(&combo, "x");
    EXPECT_EQ(combo.Text(), "xyz");
    combo.lineEdit()->selectAll();
    QTest::keyClick(&combo, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(combo.Text(), "");
}

TEST_F(ComboWidget, EnterAddsNoItemAndProgramChangesAreQuiet) {
    QTest::keyClicks(&combo, "new");
    QTest::keyClick(&combo, Qt::Key_Return);
    EXPECT_EQ(combo.count(), 3);
    changes.clear();
    combo.SetText("Abd");
    combo.setCurrentIndex(2);
    EXPECT_TRUE(changes.empty());
}

TEST_F(ComboWidget, CtrlAloneDropsTheListDown) {
    QTest::keyPress(&combo, Qt::Key_Control);
    QTest::keyClick(&combo, Qt::Key_C, Qt::ControlModifier);  // a shortcut keeps the list shut
    QTest::keyRelease(&combo, Qt::Key_Control);
    EXPECT_FALSE(combo.view()->isVisible());
    EXPECT_EQ(combo.LastKey(), 'C');
    QTest::keyClick(&combo, Qt::Key_Control);
    EXPECT_TRUE(combo.view()->isVisible());
    EXPECT_EQ(combo.LastKey(), VK_CONTROL);
    combo.hidePopup();
}

}  // namespace
