// The widget binding of drop targets: a widget's drag events feed a TDropTarget.
#include "DropTargetQt.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontInfo>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <map>

#include "platform/Exceptions.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"

namespace {

std::map<QWidget*, TDropTarget*>& Targets() {
    static std::map<QWidget*, TDropTarget*> targets;
    return targets;
}

std::string NameOf(const QWidget* w) {
    return w ? FromQString(w->objectName()) : std::string();
}

// The dragged QMimeData of the current drag.
class QtDropData : public TDropData {
public:
    void Set(const QMimeData* mime) { mime_ = mime; }
    std::vector<std::string> Formats() const override {
        std::vector<std::string> out;
        if (mime_)
            for (const QString& f : mime_->formats()) out.push_back(f.toStdString());
        return out;
    }
    bool HasFormat(const std::string& f) const override {
        return mime_ && mime_->hasFormat(QString::fromStdString(f));
    }
    std::string Data(const std::string& f) const override {
        if (!mime_) return {};
        const QByteArray bytes = mime_->data(QString::fromStdString(f));
        return std::string(bytes.constData(), size_t(bytes.size()));
    }

private:
    QPointer<const QMimeData> mime_;
};

// Link is not an action every session knows (Wayland has copy, move and ask): where the
// source does not offer it, a copy stands in for it.
int AllowedOf(Qt::DropActions actions) {
    int e = 0;
    if (actions & Qt::CopyAction) e |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction) e |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction) e |= DROPEFFECT_LINK;
    if (!(actions & Qt::LinkAction) && (actions & Qt::CopyAction)) e |= DROPEFFECT_LINK;
    return e;
}

Qt::DropAction ActionOf(int effect, Qt::DropActions possible) {
    effect &= ~DROPEFFECT_SCROLL;
    if (effect & DROPEFFECT_LINK)
        return (possible & Qt::LinkAction) ? Qt::LinkAction : Qt::CopyAction;
    if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
    if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
    return Qt::IgnoreAction;
}

TPoint PointOf(const QPointF& p) {
    return {qRound(p.x()), qRound(p.y())};
}

}  // namespace

// Watches the drag events of one widget (and of its viewport, for a scroll area); a child of
// that widget, so it goes with it.
class TDropHook : public QObject, public TDropTargetBinding {
public:
    TDropHook(TDropTarget* target, QWidget* control)
        : QObject(control), target_(target), widget_(control), control_(control) {
        scroll_ = qobject_cast<QAbstractScrollArea*>(control);
        control->installEventFilter(this);
        control->setAcceptDrops(true);
        if (scroll_) {
            scroll_->viewport()->installEventFilter(this);
            scroll_->viewport()->setAcceptDrops(true);
        }
        timer_.setInterval(100);
        connect(&timer_, &QTimer::timeout, this, [this] { Scroll(); });
        delivery_ = new QObject(this);
    }
    // The widget is being destroyed and its hook with it.
    ~TDropHook() override {
        if (!target_) return;
        Targets().erase(widget_);
        target_->BindingGone();
    }
    void Release() override {
        Targets().erase(widget_);
        Detach();
        delete this;
    }
    QWidget* Widget() const { return widget_; }

private:
    // Unhooks from the widget before the target lets go of it.
    void Detach() {
        target_ = nullptr;
        if (control_) {
            control_->removeEventFilter(this);
            control_->setAcceptDrops(false);
        }
        if (scroll_) {
            scroll_->viewport()->removeEventFilter(this);
            scroll_->viewport()->setAcceptDrops(false);
        }
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!target_) return false;
        try {
            switch (event->type()) {
                case QEvent::DragEnter: {
                    auto* e = static_cast<QDragEnterEvent*>(event);
                    data_.Set(e->mimeData());
                    Site();
                    Answer(e, target_->DragEnter(&data_, ShiftStateOf(e->modifiers()),
                                                 PointOf(e->position()),
                                                 AllowedOf(e->possibleActions())));
                    return true;
                }
                case QEvent::DragMove: {
                    auto* e = static_cast<QDragMoveEvent*>(event);
                    data_.Set(e->mimeData());
                    Answer(e,
                           target_->DragOver(ShiftStateOf(e->modifiers()), PointOf(e->position()),
                                             AllowedOf(e->possibleActions())));
                    return true;
                }
                case QEvent::DragLeave:
                    timer_.stop();
                    target_->DragLeave();
                    data_.Set(nullptr);
                    return true;
                case QEvent::Drop: {
                    auto* e = static_cast<QDropEvent*>(event);
                    timer_.stop();
                    data_.Set(e->mimeData());
                    int effect =
                        target_->AcceptDrop(ShiftStateOf(e->modifiers()), PointOf(e->position()),
                                            AllowedOf(e->possibleActions()));
                    data_.Set(nullptr);
                    if (effect == DROPEFFECT_NONE) {
                        e->ignore();
                        return true;
                    }
                    e->setDropAction(ActionOf(effect, e->possibleActions()));
                    e->accept();
                    // The handler may open a modal window: let the drop complete first.
                    TDropTarget* target = target_;
                    QTimer::singleShot(0, delivery_, [target] {
                        CallGuarded([target] { target->DeliverDrop(); });
                    });
                    return true;
                }
                default:
                    return false;
            }
        } catch (const std::exception& ex) {
            LorvaneApplication::ShowException(&ex);
            return true;
        }
    }

private:
    void Site() {
        unsigned bars = 0;
        QWidget* area = control_;
        if (scroll_) {
            if (scroll_->horizontalScrollBar()->isVisible()) bars |= 1;
            if (scroll_->verticalScrollBar()->isVisible()) bars |= 2;
            area = scroll_->viewport();
        }
        target_->SetScrollSite(bars, QFontInfo(control_->font()).pixelSize(),
                               {area->width(), area->height()});
    }
    void Answer(QDragMoveEvent* e, int effect) {
        if (target_->ScrollTimerWanted(effect)) {
            if (!timer_.isActive()) timer_.start();
        } else {
            timer_.stop();
        }
        Qt::DropAction action = ActionOf(effect, e->possibleActions());
        if (action == Qt::IgnoreAction) {
            e->ignore();
            return;
        }
        e->setDropAction(action);
        e->accept();
    }
    void Scroll() {
        if (!target_ || !scroll_) return;
        TPoint lines = target_->AutoScrollLines();
        if (lines.Y)
            scroll_->verticalScrollBar()->triggerAction(lines.Y < 0
                                                            ? QAbstractSlider::SliderSingleStepSub
                                                            : QAbstractSlider::SliderSingleStepAdd);
        if (lines.X)
            scroll_->horizontalScrollBar()->triggerAction(
                lines.X < 0 ? QAbstractSlider::SliderSingleStepSub
                            : QAbstractSlider::SliderSingleStepAdd);
    }

    TDropTarget* target_;
    QWidget* widget_;  // the key of Targets(), kept while the widget is being destroyed
    QPointer<QWidget> control_;
    QAbstractScrollArea* scroll_ = nullptr;
    QtDropData data_;
    QTimer timer_;
    QObject* delivery_ = nullptr;
};

void RegisterDropTarget(TDropTarget& target, QWidget* control) {
    if (control == DropTargetWidget(target)) return;  // bound already (or none twice)
    target.Unregister();
    // A refused registration binds nothing: a later Register of the same widget must try
    // again rather than pass for done, and no pointer to a widget we do not watch is kept.
    if (!control) return;
    if (Targets().count(control)) throw Exception("Failed to Register " + NameOf(control));
    Targets()[control] = &target;
    target.Bind(new TDropHook(&target, control));
}

QWidget* DropTargetWidget(const TDropTarget& target) {
    auto* hook = dynamic_cast<TDropHook*>(target.Binding());
    return hook ? hook->Widget() : nullptr;
}
