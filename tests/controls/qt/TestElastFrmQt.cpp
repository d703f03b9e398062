// The resizer on a real Qt form built from a .ui file, shown on the offscreen platform.
#include "ElastFrmQt.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QTest>

#include "ElasticFakes.h"
#include "ScriptedMessages.h"
#include "platform/Exceptions.h"
#include "ui_ElasticDialog.h"

namespace {

struct QtFormTest : ::testing::Test {
    TFixedScreenInfo screen{1024, 768};
    MemoryStore store;
    QDialog dialog;
    Ui::ElasticDialog ui;

    QtFormTest() {
        SetDefaultScreenInfo(&screen);
        ui.setupUi(&dialog);
    }
    ~QtFormTest() override { SetDefaultScreenInfo(nullptr); }

    static QRect Geometry(int l, int t, int w, int h) { return QRect(l, t, w, h); }
};

TEST_F(QtFormTest, TakesNamedUnmanagedWidgetsInWalkOrder) {
    std::vector<std::string> names;
    for (const auto& c : CollectElasticControls(&dialog)) names.push_back(c->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Label1", "Edit1", "GroupBox1", "Radio1", "Check1",
                                               "Tabs1", "Button1", "Frame1", "Combo1"}));
}

TEST_F(QtFormTest, RescalesTheFormProportionally) {
    TElasticFormQt resizer(&dialog, nullptr, &store);
    resizer.SetSettleInterval(10);
    int after = 0;
    resizer.OnAfterResize = [&](TObject*) { ++after; };
    const int formFont = WidgetFontHeight(&dialog);
    dialog.show();
    ASSERT_TRUE(resizer.Captured());
    EXPECT_EQ(after, 1);
    EXPECT_EQ(ui.Edit1->geometry(), QRect(100, 10, 200, 24));

    dialog.resize(800, 600);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ui.Edit1->geometry() == QRect(200, 20, 400, 48); }, 2000));
    EXPECT_EQ(ui.Radio1->geometry(), QRect(20, 40, 200, 40));   // inside the group box
    EXPECT_EQ(ui.Button1->geometry(), QRect(20, 20, 180, 48));  // inside the tab page
    EXPECT_EQ(ui.LayoutButton->parentWidget()->layout()->indexOf(ui.LayoutButton), 0);
    EXPECT_EQ(WidgetFontHeight(&dialog), 2 * formFont);
    EXPECT_TRUE(WidgetParentFont(ui.Edit1));  // inherits the grown form font

    // Only the width: rescaled once the size has settled.
    dialog.resize(840, 600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui.Edit1->geometry().x() == 210; }, 2000));
    EXPECT_EQ(ui.Edit1->width(), 420);
}

TEST_F(QtFormTest, LabelsTakeTheirSizeHintAfterARescale) {
    TElasticFormQt resizer(&dialog, nullptr, &store);
    dialog.show();
    EXPECT_EQ(ui.Label1->size(), ui.Label1->sizeHint());
    EXPECT_EQ(ui.Label1->pos(), QPoint(10, 10));
}

TEST_F(QtFormTest, PlacementRoundTripThroughTheStore) {
    dialog.setObjectName("MainForm");
    {
        TElasticFormQt resizer(&dialog, nullptr, &store);
        resizer.ElFrmIniFile = "Software\\PellTech\\Lorvane";
        dialog.show();
        dialog.setGeometry(100, 50, 512, 384);
        dialog.close();
    }
    const std::string sec = "MainForm";
    ASSERT_TRUE(store.SectionExists(sec));
    EXPECT_EQ(store.Get<int>(sec, "Total Controls"), 9);
    EXPECT_DOUBLE_EQ(store.Get<double>(sec, "Width"), 0.5);

    QDialog next;
    Ui::ElasticDialog nextUi;
    nextUi.setupUi(&next);
    next.setObjectName("MainForm");
    TElasticFormQt resizer(&next, nullptr, &store);
    resizer.ElFrmIniFile = "Software\\PellTech\\Lorvane";
    int after = 0;
    resizer.OnAfterResize = [&](TObject*) { ++after; };
    next.show();
    EXPECT_EQ(after, 1);
    EXPECT_EQ(next.geometry(), QRect(100, 50, 512, 384));
    EXPECT_EQ(nextUi.Edit1->geometry(), QRect(128, 13, 256, 31));
}

TEST_F(QtFormTest, TheBackgroundImageIsTiledOverTheFormInsteadOfShown) {
    TElasticFormQt resizer(&dialog, nullptr, &store);
    QPixmap tile(8, 8);
    tile.fill(Qt::red);
    auto* image = new QLabel(&dialog);
    image->setPixmap(tile);
    image->show();
    resizer.SetBkGrndImage(image);
    EXPECT_EQ(resizer.BkGrndImage(), image);
    EXPECT_TRUE(image->isHidden());
    dialog.resize(40, 40);
    const QImage shot = dialog.grab().toImage();
    EXPECT_EQ(shot.pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(35, 35), QColor(Qt::red)) << "tiled, not once";
}

TEST_F(QtFormTest, OwnerMustBeAFormWithOneResizer) {
    try {
        TElasticFormQt bad(ui.GroupBox1);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Owner of TElasticForm component must be a form");
    }
    QObject plain;
    EXPECT_THROW(TElasticFormQt bad2(&plain), Exception);
    TElasticFormQt first(&dialog);
    try {
        TElasticFormQt second(&dialog);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "A TElasticForm component already exists in ElasticDialog");
    }
}

TEST_F(QtFormTest, ExclusionsByWidget) {
    ScriptedMessages messages;
    QDialog other;
    other.setObjectName("Other");
    QWidget stranger(&other);
    stranger.setObjectName("Stranger");
    TElasticFormQt resizer(&dialog);
    resizer.ExcludeFromResizing(&stranger);
    EXPECT_EQ(messages.LastText(), "Control Stranger is not a member of ElasticDialog");
    resizer.ExcludeFromResizing(ui.Combo1);
    resizer.ExcludeFromFontScaling(ui.Edit1);
    EXPECT_FALSE(WidgetParentFont(ui.Edit1));
    const int editFont = WidgetFontHeight(ui.Edit1), formFont = WidgetFontHeight(&dialog);
    dialog.show();
    dialog.resize(800, 600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui.Edit1->x() == 200; }, 2000));
    EXPECT_EQ(ui.Combo1->geometry(), QRect(200, 250, 190, 24));
    EXPECT_EQ(WidgetFontHeight(&dialog), 2 * formFont);
    EXPECT_EQ(WidgetFontHeight(ui.Edit1), editFont);
}

TEST(WidgetFonts, HeightsAndInheritance) {
    QWidget parent;
    QWidget child(&parent);
    SetWidgetFontHeight(&parent, -20);
    EXPECT_EQ(WidgetFontHeight(&parent), -20);
    EXPECT_EQ(WidgetFontHeight(&child), -20);
    EXPECT_TRUE(WidgetParentFont(&child));
    SetWidgetParentFont(&child, false);
    SetWidgetFontHeight(&parent, -30);
    EXPECT_EQ(WidgetFontHeight(&child), -20);
    SetWidgetParentFont(&child, true);
    EXPECT_EQ(WidgetFontHeight(&child), -30);
}

}  // namespace
