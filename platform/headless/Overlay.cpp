// The overlay without a display: its state only.
#include "platform/Overlay.h"

#include <algorithm>
#include <vector>

struct TOverlay::Impl {
    TPoint pos;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    bool visible = false;
};

TOverlay::TOverlay(TCustomControl&) : impl_(std::make_unique<Impl>()) {}
TOverlay::~TOverlay() = default;

void TOverlay::SetPicture(int width, int height, const uint32_t* pixels) {
    impl_->width = std::max(0, width);
    impl_->height = std::max(0, height);
    const size_t count = size_t(impl_->width) * size_t(impl_->height);
    impl_->pixels.assign(count, 0);
    if (pixels) std::copy_n(pixels, count, impl_->pixels.begin());
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
uint32_t TOverlay::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= impl_->width || y >= impl_->height) return 0;
    return impl_->pixels[size_t(y) * size_t(impl_->width) + size_t(x)];
}
