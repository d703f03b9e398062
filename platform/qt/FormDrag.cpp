// The in-process drag over Qt: while it runs, an application-wide filter takes the mouse and
// Escape from the window system, and the cursor says whether the control under it accepts.
#include "platform/FormDrag.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "platform/qt/Cursors.h"

namespace {

class DragFilter : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::MouseMove: {
                auto* m = static_cast<QMouseEvent*>(e);
                const QPoint p = m->globalPosition().toPoint();
                // The button went up where the program never saw it, outside its windows:
                // over none of its targets, so nothing is dropped.
                if (!(m->buttons() & Qt::LeftButton))
                    CallGuarded([] { CancelFormDrag(); });
                else
                    CallGuarded([&] { FormDragMouseMove({p.x(), p.y()}); });
                return true;
            }
            case QEvent::MouseButtonRelease: {
                auto* m = static_cast<QMouseEvent*>(e);
                if (m->button() != Qt::LeftButton) return true;
                const QPoint p = m->globalPosition().toPoint();
                CallGuarded([&] { FormDragMouseUp({p.x(), p.y()}); });
                return true;
            }
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
                return true;
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
                    CallGuarded([] { CancelFormDrag(); });
                    return true;
                }
                return false;
            default:
                return false;
        }
    }
};

DragFilter* filter = nullptr;

}  // namespace

TCustomControl* FormDragControlAt(TPoint screen) {
    for (QWidget* w = QApplication::widgetAt(QPoint(screen.X, screen.Y)); w;
         w = w->parentWidget()) {
        TCustomControl* control = ControlOfWidget(w);
        if (IsFormDragTarget(control)) return control;
    }
    return nullptr;
}

void FormDragStarted(TCustomControl& source) {
    if (!filter && qApp) {
        filter = new DragFilter;
        qApp->installEventFilter(filter);
    }
    source.SetMouseCapture(true);
    QGuiApplication::setOverrideCursor(ToQCursor(crNoDrop));
}

void FormDragEnded(TCustomControl* source) {
    if (filter) {
        qApp->removeEventFilter(filter);
        filter->deleteLater();
        filter = nullptr;
    }
    if (source) source->SetMouseCapture(false);
    QGuiApplication::restoreOverrideCursor();
}

void FormDragCursor(bool accepted) {
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(ToQCursor(accepted ? crDrag : crNoDrop));
}
