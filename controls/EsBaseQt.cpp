// The attached label's site among Qt widgets: the control's parent widget holds the label, and
// the control's moves and resizes re-position it once per event-loop turn.
#include "EsBaseQt.h"

#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

#include <platform/qt/ControlHost.h>

#include "EsLabel.h"

namespace {

class TEsWidgetLabelSite : public QObject, public TEsLabelSite {
public:
    explicit TEsWidgetLabelSite(TEsBase& control) : control_(control) {
        if (QWidget* host = HostWidget(control)) host->installEventFilter(this);
    }

    bool Adopt(TEsAttachedLabel& label) override {
        QWidget* host = HostWidget(control_);
        QWidget* parent = host ? host->parentWidget() : nullptr;
        QWidget* labelHost = HostWidget(label);
        if (!parent || !labelHost) return false;
        labelHost->setParent(parent);
        return true;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && !queued_ &&
            control_.EsLabelInfo().Label()) {
            queued_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    queued_ = false;
                    control_.PositionLabel();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TEsBase& control_;
    bool queued_ = false;
};

}  // namespace

std::unique_ptr<TEsLabelSite> EsWidgetLabelSite(TEsBase& control) {
    return std::make_unique<TEsWidgetLabelSite>(control);
}
