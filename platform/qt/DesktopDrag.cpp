// The desktop's drag and drop over Qt: a data object travels as mime data rendered on request,
// the picture as the drag's pixmap; a drop target is the control's host widget accepting drops.
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QWidget>

#include <map>

#include "DataObjectMime.h"
#include "platform/DesktopDrag.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"

namespace {

// Mime data over a drag's data object, told apart from the clipboard's when it is dropped.
class DragMimeData : public TDataObjectMimeData {
public:
    using TDataObjectMimeData::TDataObjectMimeData;
};

// What a drop carries: our own data object, or another program's data in every format.
PDataObject DataOf(const QMimeData* mime) {
    if (!mime) return nullptr;
    if (auto* own = dynamic_cast<const DragMimeData*>(mime)) return own->Object();
    auto copy = std::make_shared<TMemoryDataObject>();
    for (const QString& type : mime->formats()) {
        // A type the program does not know gets a number of its own, by its name.
        TClipFormat format = ClipboardFormatOfMimeType(type.toStdString());
        if (format == 0) format = RegisterClipboardFormatName(type.toStdString());
        if (format == 0 || copy->HasFormat(format)) continue;
        const QByteArray bytes = mime->data(type);
        copy->SetData(format, std::string(bytes.constData(), size_t(bytes.size())));
    }
    return copy;
}

// Hands the host widget's drag events to the control's drop target.
class DropFilter : public QObject {
public:
    DropFilter(QWidget* host, TCustomControl& control, TDesktopDropTarget* target)
        : QObject(host), target_(target), control_(control) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* host = static_cast<QWidget*>(watched);
        switch (e->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop: {
                auto* d = static_cast<QDropEvent*>(e);
                const QPoint global = host->mapToGlobal(d->position().toPoint());
                const TPoint pos = control_.ScreenToClient({global.x(), global.y()});
                const int allowed = int(d->possibleActions()) & 7;
                int effect = DROPEFFECT_NONE;
                CallGuarded([&] {
                    if (e->type() == QEvent::DragEnter)
                        effect = target_->DesktopDragEnter(
                            DataOf(d->mimeData()), ShiftStateOf(d->modifiers(), d->buttons()), pos,
                            allowed);
                    else if (e->type() == QEvent::DragMove)
                        effect = target_->DesktopDragOver(
                            ShiftStateOf(d->modifiers(), d->buttons()), pos, allowed);
                    else
                        effect = target_->DesktopDrop(DataOf(d->mimeData()),
                                                      ShiftStateOf(d->modifiers(), d->buttons()),
                                                      pos, allowed);
                });
                effect &= 7;
                if (effect != DROPEFFECT_NONE) {
                    d->setDropAction(Qt::DropAction(effect & -effect));
                    d->accept();
                } else if (e->type() == QEvent::DragEnter) {
                    // Moves still come: the target may accept further on.
                    d->setDropAction(Qt::IgnoreAction);
                    d->accept();
                } else {
                    d->ignore();
                }
                return true;
            }
            case QEvent::DragLeave:
                CallGuarded([&] { target_->DesktopDragLeave(); });
                return true;
            default:
                return false;
        }
    }

private:
    TDesktopDropTarget* target_;
    TCustomControl& control_;
};

std::map<const TCustomControl*, DropFilter*>& Filters() {
    static std::map<const TCustomControl*, DropFilter*> filters;
    return filters;
}

}  // namespace

int RunPlatformDrag(TCustomControl& source, const PDataObject& data, int allowedEffects,
                    const TDragPicture* picture) {
    QWidget* host = HostWidget(source);
    if (!host || !data) return DROPEFFECT_NONE;
    auto* drag = new QDrag(host);
    drag->setMimeData(new DragMimeData(data));
    if (picture && picture->Pixels && picture->Width > 0 && picture->Height > 0) {
        QImage image(picture->Width, picture->Height, QImage::Format_ARGB32);
        for (int y = 0; y < picture->Height; ++y)
            std::copy_n(picture->Pixels + size_t(y) * size_t(picture->Width), picture->Width,
                        reinterpret_cast<uint32_t*>(image.scanLine(y)));
        drag->setPixmap(QPixmap::fromImage(image));
        drag->setHotSpot(QPoint(picture->HotSpot.X, picture->HotSpot.Y));
    }
    const Qt::DropActions actions = Qt::DropActions(allowedEffects & 7);
    const Qt::DropAction preferred =
        (allowedEffects & DROPEFFECT_MOVE) ? Qt::MoveAction : Qt::CopyAction;
    return int(drag->exec(actions, preferred)) & 7;
}

void SetDesktopDropTarget(TCustomControl& control, TDesktopDropTarget* target) {
    QWidget* host = HostWidget(control);
    auto& filters = Filters();
    auto it = filters.find(&control);
    if (it != filters.end()) {
        if (host) {
            host->removeEventFilter(it->second);
            delete it->second;
        }
        filters.erase(it);
    }
    if (!host) return;
    host->setAcceptDrops(target != nullptr);
    if (!target) return;
    auto* filter = new DropFilter(host, control, target);
    host->installEventFilter(filter);
    filters[&control] = filter;
}

bool AcceptsDesktopDrops(const TCustomControl& control) {
    QWidget* host = HostWidget(const_cast<TCustomControl&>(control));
    return host && host->acceptDrops() && Filters().count(&control) != 0;
}
