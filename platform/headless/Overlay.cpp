// The overlay without a display: its state only.
#include "platform/Overlay.h"

struct TOverlay::Impl {
    TPoint pos;
    int width = 0;
    int height = 0;
    bool visible = false;
};

TOverlay::TOverlay(TCustomControl&) : impl_(std::make_unique<Impl>()) {}
TOverlay::~TOverlay() = default;

void TOverlay::SetPicture(int width, int height, const uint32_t*) {
    impl_->width = width;
    impl_->height = height;
}
void TOverlay::MoveTo(TPoint clientPos) {
    impl_->pos = clientPos;
}
void TOverlay::SetVisible(bool visible) {
    impl_->visible = visible;
}
bool TOverlay::Visible() const {
    return impl_->visible;
}
TPoint TOverlay::Position() const {
    return impl_->pos;
}
int TOverlay::Width() const {
    return impl_->width;
}
int TOverlay::Height() const {
    return impl_->height;
}
