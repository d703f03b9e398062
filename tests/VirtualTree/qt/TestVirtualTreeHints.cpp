// A tree's node hint of two lines with its shadow over Qt, as a person sees it, and no hint
// over a window that is not the active one.
#include <gtest/gtest.h>

#include "QtTestApplication.h"
#include "QtTestHints.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "VirtualStringTree.h"
#include "platform/HintWindow.h"
#include "platform/qt/ControlHost.h"

#include <cstdlib>

TEST_F(HintWindowTest, ATreesNodeHintOfTwoLinesWithItsShadow) {
    SetDesktopCompositingOverride(1);
    TVirtualStringTree tree;
    tree.SetColor(clWhite);
    tree.SetHintMode(hmHint);
    tree.SetHintAnimation(hatNone);
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "Bookmarks"; };
    tree.OnGetHint = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "Bookmarks of the week\r\n12 entries"; };
    tree.SetRootNodeCount(3);
    QWidget* host = HostWidget(tree);
    host->resize(300, 160);
    host->show();
    QApplication::setActiveWindow(host);
    Pump(20);
    const TRect cell = tree.GetDisplayRect(tree.GetFirst(), NoColumn, false);
    tree.UpdateHint(cell.Left + 5, (cell.Top + cell.Bottom) / 2);
    ASSERT_TRUE(HintWindowShowing());
    Pump(10);
    QWidget* hint = HintWidget();
    ASSERT_NE(hint, nullptr);
    const QImage shot = hint->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const int bodyWidth = shot.width() - HintShadowSize;
    const int bodyHeight = shot.height() - HintShadowSize;
    EXPECT_GE(bodyHeight, 24) << "room for both lines";
    // Text in both lines: dark pixels in the upper and the lower half of the body.
    auto darkIn = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 3; x < bodyWidth - 3; ++x)
                if (qGray(shot.pixel(x, y)) < 100) return true;
        return false;
    };
    EXPECT_TRUE(darkIn(2, bodyHeight / 2));
    EXPECT_TRUE(darkIn(bodyHeight / 2, bodyHeight - 2));
    EXPECT_EQ(qAlpha(shot.pixel(bodyWidth, bodyHeight / 2)), 50);
    EXPECT_EQ(qAlpha(shot.pixel(bodyWidth / 2, bodyHeight + 4)), 5);
    if (const char* dir = std::getenv("LORVANE_PNG_DIR")) {
        // On a light desktop, as it would show there.
        QImage onDesktop(shot.size() + QSize(10, 10), QImage::Format_ARGB32);
        onDesktop.fill(QColor(230, 235, 240));
        QPainter painter(&onDesktop);
        painter.drawImage(5, 5, shot);
        painter.end();
        onDesktop.save(QString::fromUtf8(dir) + "/hint-shadow.png");
    }
    tree.CancelHint();
    EXPECT_FALSE(HintWindowShowing());

    // Over a window that is not the active one no hint shows.
    QWidget other;
    other.setGeometry(400, 300, 100, 50);
    other.show();
    QApplication::setActiveWindow(&other);
    Pump(10);
    ASSERT_FALSE(host->isActiveWindow());
    tree.UpdateHint(cell.Left + 5, (cell.Top + cell.Bottom) / 2);
    EXPECT_FALSE(HintWindowShowing());
    QApplication::setActiveWindow(host);
    Pump(10);
    tree.UpdateHint(cell.Left + 5, (cell.Top + cell.Bottom) / 2);
    EXPECT_TRUE(HintWindowShowing());
    tree.CancelHint();
    host->hide();
}
