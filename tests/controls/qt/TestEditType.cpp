// The typed edit widget: its keys, focus, button and look.
#include "EditType.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QToolButton>

#include "ScriptedMessages.h"
#include "platform/Exceptions.h"

namespace {

// ---- The widget -------------------------------------------------------------------------

struct EditWidget : ::testing::Test {
    QDialog dialog;
    TEditTyped* edit = new TEditTyped(&dialog);
    QLineEdit* next = new QLineEdit(&dialog);
    QDialogButtonBox* box =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    int accepted = 0;

    EditWidget() {
        edit->setObjectName("Delay");
        edit->setGeometry(10, 10, 120, 24);
        next->setGeometry(10, 40, 120, 24);
        box->setGeometry(10, 80, 200, 30);
        QObject::connect(box, &QDialogButtonBox::accepted, &dialog, [this] { ++accepted; });
        box->button(QDialogButtonBox::Ok)->setDefault(true);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        edit->setFocus();
    }
};

TEST_F(EditWidget, TypedNumberKeys) {
    edit->SetTypeValue(teNumber);
    QTest::keyClicks(edit, "1,5,x");
    EXPECT_EQ(edit->Text(), "1.5");
    edit->clear();
    edit->EnabledTypedLimit = false;
    QTest::keyClicks(edit, "1,5,x");
    EXPECT_EQ(edit->Text(), "1,5,x");
}

TEST_F(EditWidget, SettingTheTypeSetsTheMask) {
    edit->SetTypeValue(tePhoneExt);
    EXPECT_EQ(edit->EditMask(), "!\\(999\\) 999\\-9999 \\x9999;1;_");
    EXPECT_EQ(edit->inputMask().toStdString(), "\\(000\\) 000\\-0000 \\x0000;_");
    edit->SetTypeValue(teDate);
    EXPECT_EQ(edit->Text(), "  /  /    ");
    EXPECT_TRUE(edit->Value().IsEmpty());
    edit->SetText("12/31/2020");
    EXPECT_DOUBLE_EQ(edit->Value().Number, EncodeDate(2020, 12, 31));
    edit->SetTypeValue(teStringUpper);
    EXPECT_EQ(edit->EditMask(), "");
    QTest::keyClicks(edit, "ab");
    EXPECT_EQ(edit->Text(), "AB");
}

TEST_F(EditWidget, BoundsKeepTheirOldValueOnBadText) {
    edit->SetTypeValue(teNumber);
    edit->SetMinValue("1");
    EXPECT_THROW(edit->SetMinValue("abc"), EConvertError);
    EXPECT_EQ(edit->MinValue(), "1");
    edit->SetMinValue("");  // cannot be cleared
    EXPECT_EQ(edit->MinValue(), "1");
}

TEST_F(EditWidget, ConvertValueAndTheUpperBoundFollowTheType) {
    edit->SetTypeValue(teInteger);
    EXPECT_EQ(edit->TypeValue(), teInteger);
    TTypedValue value;
    edit->ConvertValue("42", value);
    EXPECT_EQ(value.Number, 42);
    EXPECT_THROW(edit->ConvertValue("4x", value), EConvertError);
    edit->SetMaxValue("99");
    EXPECT_THROW(edit->SetMaxValue("x"), EConvertError);
    EXPECT_EQ(edit->MaxValue(), "99");
    edit->SetTypeValue(teString);
    edit->SetText("AbC");
    edit->SetCharCase(TEditCharCase::ecUpperCase);
    EXPECT_EQ(edit->CharCase(), TEditCharCase::ecUpperCase);
    EXPECT_EQ(edit->Text(), "ABC");
}

TEST_F(EditWidget, ACustomButtonShowsTheFirstGlyphOfItsStripAtItsWidth) {
    QPixmap strip(32, 16);
    strip.fill(Qt::red);
    edit->SetButtonStyle(TSMButtonStyle::bsCustom);
    edit->SetGlyph(strip);
    edit->SetNumGlyphs(2);
    EXPECT_EQ(edit->Glyph().width(), 32);
    EXPECT_EQ(edit->Button()->iconSize(), QSize(16, 16)) << "the first of two glyphs";
    edit->SetNumGlyphs(0);
    EXPECT_EQ(edit->NumGlyphs(), 1);
    EXPECT_EQ(edit->Button()->iconSize(), QSize(32, 16));
    edit->SetButtonWidth(30);
    EXPECT_TRUE(edit->Button()->isVisible());
    EXPECT_EQ(edit->Button()->width(), 30);
    edit->SetButtonWidth(-4);
    EXPECT_EQ(edit->ButtonWidth(), 0);
    EXPECT_FALSE(edit->Button()->isVisible());
    edit->SetButtonHint("Pick");
    EXPECT_EQ(edit->ButtonHint(), "Pick");
    EXPECT_EQ(edit->Button()->toolTip(), "Pick");
    edit->SetButtonFlat(true);
    EXPECT_TRUE(edit->ButtonFlat());
    EXPECT_TRUE(edit->Button()->autoRaise());
}

TEST_F(EditWidget, EnterMovesOnWithoutTheDefaultButton) {
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(accepted, 0);
    EXPECT_TRUE(next->hasFocus());
}

TEST_F(EditWidget, LeavingWithABadValueReportsAndReturns) {
    ScriptedMessages messages;
    edit->SetTypeValue(teNumber);
    edit->SetMinValue("1");
    edit->SetMaxValue("10000");
    edit->EnabledLimit = true;
    edit->SetText("0");
    QTest::keyClick(edit, Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.Shown.empty(); }, 2000));
    EXPECT_EQ(messages.LastText(), "Value 0 out of range 1..10000");
    EXPECT_TRUE(edit->hasFocus());

    // Cancel stays reachable.
    messages.Shown.clear();
    box->button(QDialogButtonBox::Cancel)->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(messages.Shown.empty());

    // Programmatic focus moves and a good value pass quietly.
    edit->setFocus();
    next->setFocus(Qt::OtherFocusReason);
    edit->setFocus();
    edit->SetText("10000");
    QTest::keyClick(edit, Qt::Key_Tab);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_TRUE(next->hasFocus());
    edit->SetText("");
    EXPECT_THROW(edit->CheckValue(), ERangeError);
}

TEST_F(EditWidget, ButtonStylesAndKey) {
    int clicks = 0;
    edit->OnButtonClick = [&](TObject* sender) {
        EXPECT_EQ(sender, static_cast<TObject*>(edit));
        ++clicks;
    };
    EXPECT_FALSE(edit->Button()->isVisible());
    edit->ClickButton();
    EXPECT_EQ(clicks, 0);  // no button, no click
    edit->SetButtonStyle(TSMButtonStyle::bsEllipsis);
    EXPECT_EQ(edit->ButtonWidth(), 21);
    EXPECT_TRUE(edit->Button()->isVisible());
    EXPECT_EQ(edit->Button()->cursor().shape(), Qt::ArrowCursor) << "not the edit's I-beam";
    EXPECT_EQ(edit->Button()->geometry().right(),
              edit->width() - 1 - edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    edit->ButtonKey = QKeySequence(Qt::Key_F4);
    QTest::keyClick(edit, Qt::Key_F4);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(edit->Text(), "");
    edit->SetButtonStyle(TSMButtonStyle::bsNone);
    QTest::keyClick(edit, Qt::Key_F4);
    EXPECT_EQ(clicks, 2);
    for (auto s : {TSMButtonStyle::bsDropDown, TSMButtonStyle::bsCalculator,
                   TSMButtonStyle::bsCalendar, TSMButtonStyle::bsFind, TSMButtonStyle::bsSearch,
                   TSMButtonStyle::bsSum, TSMButtonStyle::bsFile}) {
        edit->SetButtonStyle(s);
        EXPECT_GT(edit->ButtonWidth(), 0);
    }
}

TEST_F(EditWidget, FlatLookAndMinimumHeight) {
    EXPECT_GE(edit->minimumHeight(),
              EditMinHeight(std::min(QFontMetrics(QApplication::font()).height(),
                                     edit->fontMetrics().height())));
    edit->SetFlat(true);
    EXPECT_FALSE(edit->hasFrame());
    edit->setEnabled(false);
    EXPECT_EQ(edit->palette().color(QPalette::Base),
              QApplication::palette(edit).color(QPalette::Button));
    edit->grab();  // paints the frames
}

}  // namespace
