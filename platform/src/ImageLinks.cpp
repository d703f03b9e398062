// The image list's change links and notifications, its count and removals, and reading an
// image back: the same over every image store.
#include "ImageListState.h"

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner),
      impl_(std::make_unique<Impl>()),
      width_(std::max(1, width)),
      height_(std::max(1, height)) {}

TCustomImageList::~TCustomImageList() {
    ReleaseLinks();
}

int TCustomImageList::Count() const {
    return int(impl_->images.size());
}

void TCustomImageList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    impl_->images.erase(impl_->images.begin() + index);
    Change();
}

void TCustomImageList::Clear() {
    if (impl_->images.empty()) return;
    impl_->images.clear();
    Change();
}

TColor DisabledImageColor(TColor color) {
    const int grey = (GetRValue(color) * 11 + GetGValue(color) * 16 + GetBValue(color) * 5) / 32;
    const int light = (grey + 255 * 2) / 3;
    return RGBColor(light, light, light);
}

TChangeLink::~TChangeLink() {
    SetSender(nullptr);
}

void TChangeLink::SetSender(TCustomImageList* list) {
    if (list == sender_) return;
    if (sender_) sender_->UnRegisterChanges(this);
    if (list) list->RegisterChanges(this);
}

bool TCustomImageList::GetBitmap(int index, TBitmap& bitmap, TColor background) const {
    if (index < 0 || index >= Count()) return false;
    bitmap.SetSize(width_, height_);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(background);
    canvas.FillRect({0, 0, width_, height_});
    Draw(canvas, 0, 0, index);
    return true;
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (!link || link->sender_ == this) return;
    if (link->sender_) link->sender_->UnRegisterChanges(link);
    links_.push_back(link);
    link->sender_ = this;
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it == links_.end()) return;
    links_.erase(it);
    link->sender_ = nullptr;
}

void TCustomImageList::ReleaseLinks() {
    // Links learn of the end first, so a control forgets the list before it is gone.
    std::vector<TChangeLink*> links = links_;
    links_.clear();
    for (TChangeLink* link : links) {
        link->sender_ = nullptr;
        if (link->OnRemove) link->OnRemove(link);
    }
}

void TCustomImageList::SetSize(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    // The images of the old size go; the change is told even when there were none.
    if (Count() > 0)
        Clear();
    else
        Change();
}

void TCustomImageList::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    if (updateCount_ == 0 && changed_) Change();
}

void TCustomImageList::Change() {
    if (updateCount_ > 0) {
        changed_ = true;
        return;
    }
    changed_ = false;
    // A link's handler may unregister links; walk a copy and skip the ones gone meanwhile.
    std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end() && link->OnChange)
            link->OnChange(link);
    if (OnChange) OnChange(this);
}
