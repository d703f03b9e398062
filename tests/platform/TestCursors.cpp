// The cursor table: drawn cursors by name, their pictures, and the QCursor each number becomes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBitmap>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "platform/Cursors.h"
#include "platform/qt/Cursors.h"

#include <cstdlib>
#include <set>
#include <string>

namespace {

void NeedApplication() {
    EnsureGuiApplication();
}

// The bounding box of a picture's drawn pixels.
TRect DrawnBox(const TCursorPicture& p) {
    TRect box{p.Width(), p.Height(), 0, 0};
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x)
            if (p.At(x, y) != TCursorPicture::Clear) {
                box.Left = std::min(box.Left, x);
                box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1);
                box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}

// Black pixels in a part of the picture.
int BlackIn(const TCursorPicture& p, const TRect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) n += p.At(x, y) == TCursorPicture::Black;
    return n;
}

}  // namespace

TEST(Cursors, DrawnCursorsAreFoundByTheirResourceNames) {
    EXPECT_EQ(CursorByName("PMRIGHTARROW"), crRightArrow);
    EXPECT_EQ(CursorByName("pmRightArrow"), crRightArrow) << "ASCII case is ignored";
    EXPECT_EQ(CursorByName("DRAGCOPY"), crDragCopy);
    EXPECT_EQ(CursorByName("VT_MOVEALL"), crPanAll);
    EXPECT_EQ(CursorByName("VT_MOVESW"), crPanSW);
    EXPECT_EQ(CursorByName("VT_MOVE"), crDefault);
    EXPECT_EQ(CursorByName(""), crDefault);
    EXPECT_EQ(CursorPicture(crIBeam), nullptr) << "stock numbers have no picture";
    EXPECT_EQ(CursorPicture(crDefault), nullptr);
    EXPECT_EQ(CursorPicture(TCursor(crLastDrawn + 1)), nullptr);

    std::set<std::string> names;
    for (int c = crFirstDrawn; c <= crLastDrawn; ++c) {
        const TCursorPicture* p = CursorPicture(TCursor(c));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(CursorByName(p->Name()), TCursor(c));
        names.insert(std::string(p->Name()));
        EXPECT_EQ(p->Width(), 32);
        EXPECT_EQ(p->Height(), 32);
        EXPECT_NE(p->At(p->HotSpot().X, p->HotSpot().Y), TCursorPicture::Clear)
            << p->Name() << ": the hot spot is on the picture";
        EXPECT_EQ(p->Pixel(0, 31), clNone) << p->Name() << ": the corner is see-through";
    }
    EXPECT_EQ(names.size(), size_t(crLastDrawn - crFirstDrawn + 1));
}

TEST(Cursors, PicturesPointWhereTheirNamesSay) {
    // The margin arrow's tip is its top right: nothing drawn right of the hot spot's column
    // plus the outline, and the shape runs down and to the left from there.
    const TCursorPicture& right = *CursorPicture(crRightArrow);
    const TRect box = DrawnBox(right);
    EXPECT_LE(box.Right, right.HotSpot().X + 2);
    EXPECT_LE(box.Top, right.HotSpot().Y);
    EXPECT_LT(box.Left, right.HotSpot().X - 8);
    EXPECT_EQ(right.Pixel(right.HotSpot().X - 1, right.HotSpot().Y + 4), clWhite) << "filled";

    // A panning arrow lies on its side of the hot spot and nowhere else.
    auto ink = [](TCursor c, TRect r) { return BlackIn(*CursorPicture(c), r); };
    // The sides, clear of the arrowheads that point elsewhere (they reach 5 pixels aside).
    const TRect north{0, 0, 32, 9}, south{0, 23, 32, 32}, west{0, 0, 9, 32}, east{23, 0, 32, 32};
    EXPECT_GT(ink(crPanN, north), 0);
    EXPECT_EQ(ink(crPanN, south) + ink(crPanN, west) + ink(crPanN, east), 0);
    EXPECT_GT(ink(crPanS, south), 0);
    EXPECT_EQ(ink(crPanS, north), 0);
    EXPECT_GT(ink(crPanE, east), 0);
    EXPECT_EQ(ink(crPanE, west), 0);
    EXPECT_GT(ink(crPanW, west), 0);
    EXPECT_EQ(ink(crPanW, east), 0);
    EXPECT_GT(ink(crPanNE, {21, 0, 32, 11}), 0);
    EXPECT_EQ(ink(crPanNE, {0, 21, 11, 32}), 0);
    EXPECT_GT(ink(crPanSW, {0, 21, 11, 32}), 0);
    EXPECT_GT(ink(crPanNS, north) * ink(crPanNS, south), 0);
    EXPECT_EQ(ink(crPanNS, west) + ink(crPanNS, east), 0);
    EXPECT_GT(ink(crPanEW, west) * ink(crPanEW, east), 0);
    EXPECT_EQ(ink(crPanEW, north) + ink(crPanEW, south), 0);
    for (TRect side : {north, south, west, east}) EXPECT_GT(ink(crPanAll, side), 0);
}

TEST(Cursors, TheTableGivesStockShapesAndDrawnPixmaps) {
    NeedApplication();
    EXPECT_EQ(ToQCursor(crIBeam).shape(), Qt::IBeamCursor);
    EXPECT_EQ(ToQCursor(crHandPoint).shape(), Qt::PointingHandCursor);
    EXPECT_EQ(ToQCursor(crDrag).shape(), Qt::DragMoveCursor);
    EXPECT_EQ(ToQCursor(crNoDrop).shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(ToQCursor(crSizeAll).shape(), Qt::SizeAllCursor);
    EXPECT_EQ(ToQCursor(crHSplit).shape(), Qt::SplitHCursor);
    EXPECT_EQ(ToQCursor(crDefault).shape(), Qt::ArrowCursor);

    const QCursor copy = ToQCursor(crDragCopy);
    EXPECT_EQ(copy.shape(), Qt::BitmapCursor);
    EXPECT_EQ(copy.hotSpot(), QPoint(1, 1));
    const TCursorPicture& picture = *CursorPicture(crDragCopy);
    const QImage image = copy.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const TColor c = picture.Pixel(x, y);
            const QRgb q = image.pixel(x, y);
            if (c == clNone)
                EXPECT_EQ(qAlpha(q), 0) << x << "," << y;
            else
                EXPECT_EQ(q, c == clBlack ? 0xFF000000u : 0xFFFFFFFFu) << x << "," << y;
        }
    EXPECT_EQ(ToQCursor(crPanN).hotSpot(), QPoint(15, 15));

    // A sheet of every drawn cursor on grey, three times the size, to look at.
    if (const char* dir = std::getenv("LORVANE_PNG_DIR")) {
        QImage sheet(13 * 40 * 3, 40 * 3, QImage::Format_ARGB32);
        sheet.fill(QColor(160, 160, 160));
        QPainter painter(&sheet);
        painter.scale(3, 3);
        for (int c = crFirstDrawn; c <= crLastDrawn; ++c)
            painter.drawPixmap((c - crFirstDrawn) * 40 + 4, 4, ToQCursor(TCursor(c)).pixmap());
        painter.end();
        sheet.save(QString::fromUtf8(dir) + "/cursors.png");
    }
}

TEST(Cursors, TheGlobalCursorIsTheApplicationsOverrideCursor) {
    NeedApplication();
    EXPECT_FALSE(GlobalCursorSet());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    EXPECT_TRUE(GlobalCursorSet());
    QApplication::restoreOverrideCursor();
    EXPECT_FALSE(GlobalCursorSet());
}
