// The pixels of a headless bitmap: the bitmap keeps them in the layout handed out, so the
// buffer is the bitmap's own storage and nothing is copied back.
#include "platform/Pixels.h"

#include "HeadlessCanvas.h"

struct TBitmapPixels::Impl {};

TBitmapPixels::TBitmapPixels(TBitmap& bitmap) {
    TBitmap::Impl& source = bitmap.Internal();
    if (source.width <= 0 || source.height <= 0) return;
    pixels_.Bits = reinterpret_cast<uint8_t*>(source.pixels.data());
    pixels_.Width = source.width;
    pixels_.Height = source.height;
    pixels_.BytesPerLine = source.width * 4;
}

TBitmapPixels::~TBitmapPixels() = default;
