// Pictures drawn with a painter on transparent pixmaps, so they stay sharp at any scale.
#include "Artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <map>

namespace {

const QColor Ink(40, 48, 64);
const QColor Blue(40, 100, 190);
const QColor Green(40, 150, 70);
const QColor Red(200, 50, 40);
const QColor Gold(235, 180, 40);

QPixmap Draw(int size, const std::function<void(QPainter&)>& paint) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 20.0, size / 20.0);
    paint(p);
    return pixmap;
}

void Pen(QPainter& p, const QColor& c, double width = 1.6) {
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Globe(QPainter& p, double x, double y, double r) {
    Pen(p, Blue);
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(QPointF(x, y), r, r);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(x, y), r * 0.45, r);
    p.drawLine(QPointF(x - r, y), QPointF(x + r, y));
}

void Page(QPainter& p, double x, double y, double w, double h) {
    Pen(p, Ink, 1.2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(x, y, w, h));
    for (double ly = y + 3; ly < y + h - 1; ly += 2.5)
        p.drawLine(QPointF(x + 2, ly), QPointF(x + w - 2, ly));
}

void Magnifier(QPainter& p) {
    Pen(p, Ink, 2.0);
    p.setBrush(QColor(220, 235, 250));
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.drawLine(QPointF(11.5, 11.5), QPointF(17, 17));
}

void Arrow(QPainter& p, bool up, double x) {
    Pen(p, Green, 2.2);
    const double tip = up ? 4 : 16, base = up ? 16 : 4, wing = up ? 9 : 11;
    p.drawLine(QPointF(x, base), QPointF(x, tip));
    p.drawLine(QPointF(x - 4, wing), QPointF(x, tip));
    p.drawLine(QPointF(x + 4, wing), QPointF(x, tip));
}

void TreeLines(QPainter& p, bool expanded) {
    Pen(p, Ink, 1.2);
    p.drawLine(QPointF(5, 4), QPointF(5, 16));
    p.drawLine(QPointF(5, 9), QPointF(9, 9));
    p.drawLine(QPointF(5, 15), QPointF(9, 15));
    p.setBrush(Gold);
    p.drawRect(QRectF(9, 7, 6, 4));
    p.drawRect(QRectF(9, 13, 6, 4));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2, 1, 6, 6));
    p.drawLine(QPointF(3.5, 4), QPointF(6.5, 4));
    if (!expanded) p.drawLine(QPointF(5, 2.5), QPointF(5, 5.5));
}

void Plus(QPainter& p, double x, double y) {
    Pen(p, Green, 2.4);
    p.drawLine(QPointF(x - 3.5, y), QPointF(x + 3.5, y));
    p.drawLine(QPointF(x, y - 3.5), QPointF(x, y + 3.5));
}

void Folder(QPainter& p, const QColor& fill, bool open) {
    Pen(p, fill.darker(170), 1.2);
    p.setBrush(fill.darker(115));
    QPainterPath back;
    back.moveTo(2, 5);
    back.lineTo(7, 5);
    back.lineTo(9, 7);
    back.lineTo(18, 7);
    back.lineTo(18, 16);
    back.lineTo(2, 16);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(fill);
    if (open) {
        QPainterPath front;
        front.moveTo(4, 9);
        front.lineTo(19.5, 9);
        front.lineTo(17.5, 16);
        front.lineTo(2, 16);
        front.closeSubpath();
        p.drawPath(front);
    } else {
        p.drawRect(QRectF(2, 8.5, 16, 7.5));
    }
}

using Painter = std::function<void(QPainter&)>;

const std::map<QString, Painter>& Painters() {
    static const std::map<QString, Painter> painters = {
        {"tbGoToButton",
         [](QPainter& p) {
             Globe(p, 9, 10, 7);
             Pen(p, Green, 2.2);
             p.drawLine(QPointF(12, 16), QPointF(18, 16));
             p.drawLine(QPointF(15, 13), QPointF(18, 16));
             p.drawLine(QPointF(15, 19), QPointF(18, 16));
         }},
        {"tbSendMailButton",
         [](QPainter& p) {
             Pen(p, Ink, 1.4);
             p.setBrush(QColor(250, 245, 225));
             p.drawRect(QRectF(2, 5, 16, 11));
             p.drawLine(QPointF(2, 5), QPointF(10, 11.5));
             p.drawLine(QPointF(18, 5), QPointF(10, 11.5));
         }},
        {"tbLaunchBrowser",
         [](QPainter& p) {
             Pen(p, Ink, 1.4);
             p.setBrush(Qt::white);
             p.drawRect(QRectF(2, 3, 16, 14));
             p.setBrush(Blue);
             p.drawRect(QRectF(2, 3, 16, 3.5));
             Globe(p, 10, 12, 3.6);
         }},
        {"tbOpenButton", [](QPainter& p) { Folder(p, Gold, true); }},
        {"tbSaveButton",
         [](QPainter& p) {
             Pen(p, Ink, 1.3);
             p.setBrush(Blue);
             p.drawRect(QRectF(3, 3, 14, 14));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(6, 3, 8, 5));
             p.setBrush(QColor(220, 220, 220));
             p.drawRect(QRectF(5.5, 11, 9, 6));
         }},
        {"tbLoadWorkgroup",
         [](QPainter& p) {
             Pen(p, Ink, 1.2);
             p.setBrush(QColor(120, 170, 230));
             p.drawEllipse(QPointF(7, 6), 3, 3);
             p.drawChord(QRectF(2, 10, 10, 10), 0, 180 * 16);
             p.setBrush(QColor(120, 200, 140));
             p.drawEllipse(QPointF(14, 7), 2.6, 2.6);
             p.drawChord(QRectF(10, 11, 8, 8), 0, 180 * 16);
         }},
        {"tbFindFirst", [](QPainter& p) { Magnifier(p); }},
        {"tbFindNext",
         [](QPainter& p) {
             Magnifier(p);
             Pen(p, Green, 2.0);
             p.drawLine(QPointF(14, 3), QPointF(18, 6));
             p.drawLine(QPointF(14, 9), QPointF(18, 6));
         }},
        {"tbExpandTree", [](QPainter& p) { TreeLines(p, false); }},
        {"tbCollapseTree", [](QPainter& p) { TreeLines(p, true); }},
        {"tbTopOfTree",
         [](QPainter& p) {
             Arrow(p, true, 10);
             Pen(p, Ink, 2.0);
             p.drawLine(QPointF(4, 2.5), QPointF(16, 2.5));
         }},
        {"tbBottomOfTree",
         [](QPainter& p) {
             Arrow(p, false, 10);
             Pen(p, Ink, 2.0);
             p.drawLine(QPointF(4, 17.5), QPointF(16, 17.5));
         }},
        {"tbAddEntry",
         [](QPainter& p) {
             Page(p, 3, 2, 10, 14);
             Plus(p, 14.5, 14.5);
         }},
        {"tbAddEntryCurrentURL",
         [](QPainter& p) {
             Globe(p, 8, 8, 6);
             Plus(p, 14.5, 14.5);
         }},
        {"tbModifyEntry",
         [](QPainter& p) {
             Page(p, 3, 2, 10, 14);
             Pen(p, Red, 2.4);
             p.drawLine(QPointF(9, 17), QPointF(17, 8));
             Pen(p, Ink, 1.0);
             p.drawLine(QPointF(8.2, 18), QPointF(9, 17));
         }},
        {"tbCopyEntry",
         [](QPainter& p) {
             Page(p, 2, 2, 9, 12);
             Page(p, 8, 6, 9, 12);
         }},
        {"tbDeleteEntry",
         [](QPainter& p) {
             Pen(p, Red, 2.8);
             p.drawLine(QPointF(4, 4), QPointF(16, 16));
             p.drawLine(QPointF(16, 4), QPointF(4, 16));
         }},
        {"tbDisplayInformation",
         [](QPainter& p) {
             Pen(p, Blue, 1.4);
             p.setBrush(Blue);
             p.drawEllipse(QPointF(10, 10), 8, 8);
             Pen(p, Qt::white, 2.4);
             p.drawLine(QPointF(10, 9), QPointF(10, 14.5));
             p.drawPoint(QPointF(10, 5.8));
         }},
        {"tbShowUserIDPassword",
         [](QPainter& p) {
             Pen(p, Ink, 1.4);
             p.setBrush(Gold);
             p.drawEllipse(QPointF(6, 10), 4, 4);
             Pen(p, Ink, 2.2);
             p.drawLine(QPointF(10, 10), QPointF(18, 10));
             p.drawLine(QPointF(15, 10), QPointF(15, 13));
             p.drawLine(QPointF(17.5, 10), QPointF(17.5, 13));
         }},
        {"tbShowConfidentialNote",
         [](QPainter& p) {
             Page(p, 3, 2, 11, 15);
             Pen(p, Red, 1.2);
             p.setBrush(QColor(240, 200, 60));
             p.drawRect(QRectF(11, 11, 7, 6));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(12, 7.5, 5, 6), 0, 180 * 16);
         }},
        {"tbHelpButton",
         [](QPainter& p) {
             Pen(p, Blue, 1.4);
             p.setBrush(QColor(220, 235, 250));
             p.drawEllipse(QPointF(10, 10), 8, 8);
             QFont f("Liberation Sans");
             f.setBold(true);
             f.setPixelSize(12);
             p.setFont(f);
             p.drawText(QRectF(2, 2, 16, 16), Qt::AlignCenter, "?");
         }},
    };
    return painters;
}

}  // namespace

QIcon ToolIcon(const QString& buttonName) {
    const auto it = Painters().find(buttonName);
    QIcon icon;
    for (int size : {16, 20, 24, 32}) {
        icon.addPixmap(Draw(size, [&](QPainter& p) {
            if (it != Painters().end()) {
                it->second(p);
            } else {
                Pen(p, Ink);
                p.drawRect(QRectF(4, 4, 12, 12));
            }
        }));
    }
    return icon;
}

QPixmap FolderPixmap(int level, int size) {
    static const QColor fills[] = {QColor(240, 190, 60), QColor(90, 160, 225),
                                   QColor(110, 190, 110)};
    const QColor fill = fills[level >= 1 && level <= 3 ? level - 1 : 0];
    return Draw(size, [&](QPainter& p) { Folder(p, fill, false); });
}

QPixmap ProgramPixmap(int size) {
    return Draw(size, [](QPainter& p) {
        Pen(p, QColor(120, 30, 30), 1.0);
        p.setBrush(QColor(180, 40, 40));
        QPainterPath mark;
        mark.moveTo(5, 1.5);
        mark.lineTo(15, 1.5);
        mark.lineTo(15, 18.5);
        mark.lineTo(10, 14);
        mark.lineTo(5, 18.5);
        mark.closeSubpath();
        p.drawPath(mark);
        Pen(p, Qt::white, 1.8);
        p.drawLine(QPointF(8, 5), QPointF(8, 11));
        p.drawLine(QPointF(8, 11), QPointF(12, 11));
    });
}
