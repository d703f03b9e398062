// The drag image: the picture with its radial alpha, its states, and its moves.
#include "VirtualTreesDragImage.h"

#include "VirtualTreesDrawing.h"

#include "platform/Pixels.h"

#include <cmath>
#include <cstdlib>

uint8_t DragImageAlpha(int x, int y, int width, int height) {
    const double m = std::max(1, std::max(width, height));
    const double dx = (x - width / 2) / m;
    const double dy = (y - height / 2) / m;
    return uint8_t(std::lround(255.0 * std::exp(-8.0 * std::sqrt(dx * dx + dy * dy))));
}

void TVTDragImage::PrepareDrag(const TBitmap& picture, TPoint imagePosition, TPoint hotSpot,
                               TColor colorKey, bool systemSupport) {
    EndDrag();
    width_ = picture.Width();
    height_ = picture.Height();
    imagePosition_ = imagePosition;
    hotSpot_ = hotSpot;
    lastPosition_ = {imagePosition.X + hotSpot.X, imagePosition.Y + hotSpot.Y};
    colorKey_ = colorKey;
    const TColor key = colorKey == clNone ? clNone : ColorToRGB(colorKey) & 0xFFFFFF;
    // The radial alpha depends only on the size: one table row by row, then the key and the
    // master alpha per pixel.
    // A bias lightens (above 0) or darkens the picture's colours before the fading.
    TBitmap biased;
    if (PreBlendBias != 0) {
        biased = picture;
        TBitmapPixels access(biased);
        TPixelBuffer& buffer = access.Pixels();
        AlphaBlend(&buffer, buffer, {0, 0, width_, height_}, {0, 0}, bmConstantAlpha, 255,
                   PreBlendBias);
    }
    pixels_.assign(size_t(width_) * size_t(height_), 0);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const TColor original = picture.Pixel(x, y) & 0xFFFFFF;
            const TColor c = PreBlendBias != 0 ? biased.Pixel(x, y) & 0xFFFFFF : original;
            uint32_t alpha = 0;
            if (key == clNone || original != key)
                alpha = (uint32_t(DragImageAlpha(x, y, width_, height_)) * Transparency) >> 8;
            pixels_[size_t(y) * size_t(width_) + size_t(x)] =
                (alpha << 24) | (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) |
                uint32_t(GetBValue(c));
        }
    states_ = disPrepared | disInUse | disHidden;
    if (systemSupport) states_ |= disSystemSupport;
}

bool TVTDragImage::Show() {
    if ((states_ & 0xF) != (disHidden | disPrepared | disInUse)) return false;
    states_ &= uint8_t(~disHidden);
    Changed();
    return true;
}

void TVTDragImage::Hide() {
    if (!Visible()) return;
    states_ |= disHidden;
    Changed();
}

bool TVTDragImage::WillMove(TPoint p) const {
    if (!Visible()) return false;
    const bool x = p.X != lastPosition_.X && RestrictDrag != dmrVerticalOnly;
    const bool y = p.Y != lastPosition_.Y && RestrictDrag != dmrHorizontalOnly;
    return x || y;
}

bool TVTDragImage::DragTo(TPoint p, bool forceRepaint) {
    if (!Visible()) return false;
    int dx = p.X - lastPosition_.X;
    int dy = p.Y - lastPosition_.Y;
    if (RestrictDrag == dmrHorizontalOnly) dy = 0;
    if (RestrictDrag == dmrVerticalOnly) dx = 0;
    if (dx == 0 && dy == 0 && !forceRepaint) return false;
    imagePosition_.X += dx;
    imagePosition_.Y += dy;
    lastPosition_.X += dx;
    lastPosition_.Y += dy;
    Changed();
    return dx != 0 || dy != 0;
}

TRect TVTDragImage::GetDragImageRect() const {
    if (!Visible()) return {};
    return {imagePosition_.X, imagePosition_.Y, imagePosition_.X + width_,
            imagePosition_.Y + height_};
}

void TVTDragImage::EndDrag() {
    Hide();
    states_ &= uint8_t(~(disPrepared | disInUse));
    pixels_.clear();
    width_ = height_ = 0;
}

void TVTDragImage::Changed() {
    if (OnChange) OnChange(*this);
}

bool TVTDragImage::SaveToFile(const std::string& fileName) const {
    if (width_ <= 0 || height_ <= 0) return false;
    // Over a checker board, so the fading shows.
    TBitmap out(width_, height_);
    {
        TBitmapPixels access(out);
        const TPixelBuffer& buffer = access.Pixels();
        if (!buffer.Usable()) return false;
        for (int y = 0; y < height_; ++y) {
            uint32_t* row = buffer.Row(y);
            for (int x = 0; x < width_; ++x) {
                const uint32_t back = ((x / 8 + y / 8) % 2) ? 0xC8C8C8 : 0xFFFFFF;
                const uint32_t p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
                const uint32_t a = p >> 24;
                uint32_t mixed = 0xFF000000u;
                for (int shift = 0; shift < 24; shift += 8) {
                    const uint32_t f = (p >> shift) & 0xFF, b = (back >> shift) & 0xFF;
                    mixed |= ((f * a + b * (255 - a) + 127) / 255) << shift;
                }
                row[x] = mixed;
            }
        }
    }
    return out.SaveToFile(fileName);
}
