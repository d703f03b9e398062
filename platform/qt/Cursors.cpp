// The TCursor -> QCursor table: stock numbers to the desktop's shapes, drawn cursors to cursors
// made once from their pictures.
#include "platform/qt/Cursors.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <map>

namespace {

Qt::CursorShape ShapeOf(TCursor c) {
    switch (c) {
        case crNone:
            return Qt::BlankCursor;
        case crCross:
            return Qt::CrossCursor;
        case crIBeam:
            return Qt::IBeamCursor;
        case crSizeNESW:
            return Qt::SizeBDiagCursor;
        case crSizeNS:
            return Qt::SizeVerCursor;
        case crSizeNWSE:
            return Qt::SizeFDiagCursor;
        case crSizeWE:
            return Qt::SizeHorCursor;
        case crHSplit:
            return Qt::SplitHCursor;
        case crVSplit:
            return Qt::SplitVCursor;
        case crUpArrow:
            return Qt::UpArrowCursor;
        case crHourGlass:
        case crSQLWait:
            return Qt::WaitCursor;
        case crDrag:
        case crMultiDrag:
            return Qt::DragMoveCursor;
        case crNoDrop:
        case crNo:
            return Qt::ForbiddenCursor;
        case crAppStart:
            return Qt::BusyCursor;
        case crHelp:
            return Qt::WhatsThisCursor;
        case crHandPoint:
            return Qt::PointingHandCursor;
        case crSizeAll:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

QCursor FromPicture(const TCursorPicture& picture) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const TColor c = picture.Pixel(x, y);
            image.setPixel(x, y, c == clNone ? 0u : c == clBlack ? 0xFF000000u : 0xFFFFFFFFu);
        }
    return QCursor(QPixmap::fromImage(image), picture.HotSpot().X, picture.HotSpot().Y);
}

}  // namespace

QCursor ToQCursor(TCursor cursor) {
    const TCursorPicture* picture = CursorPicture(cursor);
    if (!picture) return QCursor(ShapeOf(cursor));
    // Made once per process (on the GUI thread, which alone sets cursors) and kept to its end:
    // a pixmap must not be destroyed after the application object, which goes before statics.
    static auto* made = new std::map<TCursor, QCursor>;
    auto it = made->find(cursor);
    if (it == made->end()) it = made->emplace(cursor, FromPicture(*picture)).first;
    return it->second;
}

bool GlobalCursorSet() {
    return qGuiApp && QGuiApplication::overrideCursor();
}
