// The calendar library's base control: a custom control that can carry a caption label placed
// above or below it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <platform/Controls.h>

class TEsBase;
class TEsAttachedLabel;

// Where a control's attached label lives: beside the control, in the window that holds it. The
// widget shell (EsBaseQt.h) offers one over Qt widgets; a control without a site puts its label
// into its parent control, and makes none when it has no parent.
class TEsLabelSite {
public:
    virtual ~TEsLabelSite() = default;
    // Puts the label into the window that holds the control; false when there is none.
    virtual bool Adopt(TEsAttachedLabel& label) = 0;
};

// Where an attached label goes for a control's rectangle: above, its bottom at the control's
// top plus OffsetY; below, its top at the control's bottom plus OffsetY; left at the control's
// left plus OffsetX.
TPoint EsLabelPosition(const TRect& control, int labelHeight, int offsetX, int offsetY, bool below);
// The offsets that put a label where it is (the reverse of EsLabelPosition).
void EsLabelOffsets(const TRect& control, const TRect& label, bool below, int& offsetX,
                    int& offsetY);

// The attached label's settings: its offsets from the control and whether it is shown.
class TEsLabelInfo {
public:
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    bool Visible() const { return visible_; }
    // A change of either offset moves the label.
    void SetOffsetX(int value);
    void SetOffsetY(int value);
    // True creates the label (when the control's site has a window for it), false frees it.
    void SetVisible(bool value);

    // The offsets as the label's placement gives them, without moving it.
    void SetOffsets(int offsetX, int offsetY) {
        offsetX_ = offsetX;
        offsetY_ = offsetY;
    }

    TEsAttachedLabel* Label() const { return label_.get(); }
    bool Placed() const { return placed_; }

    std::function<void()> OnPositionChange;
    std::function<void()> OnVisibleChange;

private:
    friend class TEsBase;
    int offsetX_ = 0;
    int offsetY_ = 0;
    bool visible_ = false;
    bool placed_ = false;
    std::unique_ptr<TEsAttachedLabel> label_;
};

class TEsBase : public TCustomControl {
public:
    explicit TEsBase(TComponent* owner = nullptr);
    ~TEsBase() override;

    TEsLabelInfo& EsLabelInfo() { return labelInfo_; }
    // False: the label goes above the control; true: below it.
    void SetLabelBelow(bool value);
    std::string Version() const { return "1.07"; }

    // Moves and sizes the control; its attached label follows once the messages posted before
    // are handled.
    void SetBounds(int left, int top, int width, int height) override;

    // Where the attached label goes (nullptr: into the parent control). A site that follows
    // the control's moves calls PositionLabel.
    void SetLabelSite(std::unique_ptr<TEsLabelSite> site);

    // Moves the attached label to the control's position and its offsets.
    void PositionLabel();
    // The label was moved: its offsets follow its new place.
    void LabelMoved();

protected:
    void PostedMessage(unsigned msg, intptr_t wParam, intptr_t lParam) override;

private:
    void LabelVisibleChanged();

    TEsLabelInfo labelInfo_;
    bool labelBelow_ = false;
    std::unique_ptr<TEsLabelSite> site_;
};
