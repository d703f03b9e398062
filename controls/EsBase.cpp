// The base control's attached label: created beside the control, kept at its offsets.
#include "EsBase.h"

#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <platform/qt/ControlHost.h>

#include "EsLabel.h"

TPoint EsLabelPosition(const TRect& control, int labelHeight, int offsetX, int offsetY,
                       bool below) {
    const int top = below ? control.Bottom + offsetY : control.Top + offsetY - labelHeight;
    return {control.Left + offsetX, top};
}

void EsLabelOffsets(const TRect& control, const TRect& label, bool below, int& offsetX,
                    int& offsetY) {
    offsetX = label.Left - control.Left;
    offsetY = below ? label.Top - control.Bottom : label.Bottom - control.Top;
}

void TEsLabelInfo::SetOffsetX(int value) {
    if (value == offsetX_) return;
    offsetX_ = value;
    if (OnPositionChange) OnPositionChange();
}

void TEsLabelInfo::SetOffsetY(int value) {
    if (value == offsetY_) return;
    offsetY_ = value;
    if (OnPositionChange) OnPositionChange();
}

void TEsLabelInfo::SetVisible(bool value) {
    visible_ = value;
    if (OnVisibleChange) OnVisibleChange();
}

// Follows the host widget's moves and resizes with one queued re-position of the label.
struct TEsBase::Watcher : QObject {
    explicit Watcher(TEsBase* owner) : owner_(owner) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && !queued_ &&
            owner_->labelInfo_.Label()) {
            queued_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    queued_ = false;
                    owner_->PositionLabel();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
    TEsBase* owner_;
    bool queued_ = false;
};

TEsBase::TEsBase(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 75, 25);
    labelInfo_.OnPositionChange = [this] { PositionLabel(); };
    labelInfo_.OnVisibleChange = [this] { LabelVisibleChanged(); };
}

TEsBase::~TEsBase() {
    watcher_.reset();
    labelInfo_.label_.reset();
}

void TEsBase::SetLabelBelow(bool value) {
    labelBelow_ = value;
    PositionLabel();
}

void TEsBase::WatchHost() {
    if (watcher_) return;
    QWidget* host = HostWidget(*this);
    if (!host) return;
    watcher_ = std::make_unique<Watcher>(this);
    host->installEventFilter(watcher_.get());
}

void TEsBase::LabelVisibleChanged() {
    labelInfo_.label_.reset();
    labelInfo_.placed_ = false;
    if (!labelInfo_.visible_) return;
    QWidget* host = HostWidget(*this);
    QWidget* parent = host ? host->parentWidget() : nullptr;
    if (!parent) return;
    auto label = std::make_unique<TEsAttachedLabel>(this);
    QWidget* labelHost = HostWidget(*label);
    if (!labelHost) return;
    labelHost->setParent(parent);
    label->SetCaption(Name + "Label");
    labelInfo_.label_ = std::move(label);
    labelInfo_.offsetX_ = 0;
    labelInfo_.offsetY_ = 0;
    WatchHost();
    PositionLabel();
    labelInfo_.label_->Show();
    labelInfo_.placed_ = true;
}

void TEsBase::PositionLabel() {
    TEsAttachedLabel* label = labelInfo_.Label();
    if (!label) return;
    const TRect control{Left(), Top(), Left() + Width(), Top() + Height()};
    const TPoint at = EsLabelPosition(control, label->Height(), labelInfo_.offsetX_,
                                      labelInfo_.offsetY_, labelBelow_);
    label->SetBounds(at.X, at.Y, label->Width(), label->Height());
}

void TEsBase::LabelMoved() {
    TEsAttachedLabel* label = labelInfo_.Label();
    if (!label) return;
    const TRect control{Left(), Top(), Left() + Width(), Top() + Height()};
    const TRect where{label->Left(), label->Top(), label->Left() + label->Width(),
                      label->Top() + label->Height()};
    EsLabelOffsets(control, where, labelBelow_, labelInfo_.offsetX_, labelInfo_.offsetY_);
}
