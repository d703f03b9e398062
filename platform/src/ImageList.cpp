// The image list: its images as plain pixels at the list's device pixel ratio, its change
// links and notifications. The backends only decode image bytes and draw pixels.
#include "platform/ImageList.h"

#include "ImagePixels.h"

#include <algorithm>
#include <cmath>

struct TCustomImageList::Impl {
    std::vector<TArgbImage> images;
};

namespace {
// An opaque pixel of colour c (0x00BBGGRR).
uint32_t OpaqueArgb(TColor c) {
    return 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}
}  // namespace

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

int DevicePixels(int logical, double ratio) {
    ratio = std::isfinite(ratio) ? std::clamp(ratio, 1.0, 4.0) : 1.0;
    return int(std::lround(logical * ratio));
}

int TCustomImageList::PixelWidth() const {
    return std::max(1, int(std::lround(width_ * pixelRatio_)));
}

int TCustomImageList::PixelHeight() const {
    return std::max(1, int(std::lround(height_ * pixelRatio_)));
}

void TCustomImageList::SetDevicePixelRatio(double ratio) {
    ratio = std::isfinite(ratio) ? std::clamp(ratio, 1.0, 16.0) : 1.0;
    if (ratio == pixelRatio_) return;
    pixelRatio_ = ratio;
    if (Count() > 0)
        Clear();
    else
        Change();
}

int TCustomImageList::AddImages(const TArgbImage& strip, TColor transparent) {
    if (strip.Width <= 0 || strip.Height <= 0) return -1;
    const int w = PixelWidth(), h = PixelHeight();
    const int first = Count(), pieces = std::max(1, strip.Width / w);
    const uint32_t key = transparent == clNone ? 0 : OpaqueArgb(ColorToRGB(transparent));
    for (int i = 0; i < pieces; ++i) {
        TArgbImage image;
        image.Width = w;
        image.Height = h;
        image.Pixels.assign(size_t(w) * size_t(h), 0);
        for (int y = 0; y < std::min(h, strip.Height); ++y)
            for (int x = 0; x < w && i * w + x < strip.Width; ++x) {
                const uint32_t pixel = strip.At(i * w + x, y);
                if (transparent != clNone && (pixel >> 24) != 0 && (pixel | 0xFF000000u) == key)
                    continue;
                image.At(x, y) = pixel;
            }
        impl_->images.push_back(std::move(image));
    }
    Change();
    return first;
}

int TCustomImageList::Add(const TBitmap& bitmap, TColor transparent) {
    if (bitmap.Empty()) return -1;
    TArgbImage strip;
    strip.Width = bitmap.Width();
    strip.Height = bitmap.Height();
    strip.Pixels.resize(size_t(strip.Width) * size_t(strip.Height));
    for (int y = 0; y < strip.Height; ++y)
        for (int x = 0; x < strip.Width; ++x) {
            const TColor c = bitmap.Pixel(x, y);
            strip.At(x, y) = c == clNone ? 0 : OpaqueArgb(c);
        }
    return AddImages(strip, transparent);
}

int TCustomImageList::AddFromData(const void* data, size_t size, TColor transparent) {
    TArgbImage strip;
    if (!data || size == 0 || !DecodeArgbImage(data, size, strip)) return -1;
    return AddImages(strip, transparent);
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

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) return;
    const TRect dest{x, y, x + width_, y + height_};
    const TArgbImage& image = impl_->images[size_t(index)];
    if (enabled) {
        DrawArgbImage(canvas, dest, image);
        return;
    }
    // Greyed and lightened, as disabled images look.
    TArgbImage grey = image;
    for (uint32_t& pixel : grey.Pixels) {
        const uint32_t r = pixel >> 16 & 0xFFu, g = pixel >> 8 & 0xFFu, b = pixel & 0xFFu;
        const uint32_t level = 128 + (r * 11 + g * 16 + b * 5) / 64;
        pixel = (pixel & 0xFF000000u) | level << 16 | level << 8 | level;
    }
    DrawArgbImage(canvas, dest, grey);
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
