// The base control's attached label: created beside the control, kept at its offsets.
#include "EsBase.h"

#include "EsLabel.h"
#include "platform/ChildControls.h"

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

namespace {

// Posted by SetBounds: the attached label follows the control.
constexpr unsigned kFollowBounds = 0x0400 + 100;

// The site a control has without one of its own: the control's parent control holds the label.
class TEsParentSite : public TEsLabelSite {
public:
    explicit TEsParentSite(TEsBase& control) : control_(control) {}
    bool Adopt(TEsAttachedLabel& label) override {
        TCustomControl* parent = ParentControl(control_);
        if (!parent) return false;
        SetParentControl(label, parent);
        return true;
    }

private:
    TEsBase& control_;
};

}  // namespace

TEsBase::TEsBase(TComponent* owner) : TCustomControl(owner) {
    TCustomControl::SetBounds(0, 0, 75, 25);
    labelInfo_.OnPositionChange = [this] { PositionLabel(); };
    labelInfo_.OnVisibleChange = [this] { LabelVisibleChanged(); };
}

TEsBase::~TEsBase() {
    site_.reset();
    labelInfo_.label_.reset();
}

void TEsBase::SetLabelSite(std::unique_ptr<TEsLabelSite> site) {
    labelInfo_.label_.reset();
    labelInfo_.placed_ = false;
    site_ = std::move(site);
    if (labelInfo_.visible_) LabelVisibleChanged();
}

void TEsBase::SetBounds(int left, int top, int width, int height) {
    TCustomControl::SetBounds(left, top, width, height);
    if (labelInfo_.Label()) PostMessage(kFollowBounds);
}

void TEsBase::PostedMessage(unsigned msg, intptr_t wParam, intptr_t lParam) {
    if (msg == kFollowBounds)
        PositionLabel();
    else
        TCustomControl::PostedMessage(msg, wParam, lParam);
}

void TEsBase::SetLabelBelow(bool value) {
    labelBelow_ = value;
    PositionLabel();
}

void TEsBase::LabelVisibleChanged() {
    labelInfo_.label_.reset();
    labelInfo_.placed_ = false;
    if (!labelInfo_.visible_) return;
    auto label = std::make_unique<TEsAttachedLabel>(this);
    TEsParentSite parentSite(*this);
    if (!(site_ ? *site_ : static_cast<TEsLabelSite&>(parentSite)).Adopt(*label)) return;
    label->SetCaption(Name + "Label");
    labelInfo_.label_ = std::move(label);
    labelInfo_.offsetX_ = 0;
    labelInfo_.offsetY_ = 0;
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
