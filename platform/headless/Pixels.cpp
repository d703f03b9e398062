// The pixels of a headless bitmap: copied out as 32-bit pixels and back when done, since the
// bitmap keeps colour values.
#include "platform/Pixels.h"

#include "HeadlessCanvas.h"

#include <vector>

struct TBitmapPixels::Impl {
    TBitmap::Impl& bitmap;
    std::vector<uint32_t> pixels;
};

TBitmapPixels::TBitmapPixels(TBitmap& bitmap) {
    TBitmap::Impl& source = bitmap.Internal();
    if (source.width <= 0 || source.height <= 0) return;
    impl_.reset(new Impl{source, std::vector<uint32_t>(source.pixels.size())});
    for (size_t i = 0; i < source.pixels.size(); ++i) {
        const uint32_t c = uint32_t(source.pixels[i]);
        impl_->pixels[i] = 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
    }
    pixels_.Bits = reinterpret_cast<uint8_t*>(impl_->pixels.data());
    pixels_.Width = source.width;
    pixels_.Height = source.height;
    pixels_.BytesPerLine = source.width * 4;
}

TBitmapPixels::~TBitmapPixels() {
    if (!impl_) return;
    std::vector<TColor>& target = impl_->bitmap.pixels;
    for (size_t i = 0; i < target.size() && i < impl_->pixels.size(); ++i) {
        const uint32_t p = impl_->pixels[i];
        target[i] = TColor((p >> 16 & 0xFFu) | (p & 0xFF00u) | (p & 0xFFu) << 16);
    }
}
