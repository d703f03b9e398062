// The pixels of a bitmap's image, in place.
#include "platform/Pixels.h"

#include "QtCanvas.h"

struct TBitmapPixels::Impl {};

TBitmapPixels::TBitmapPixels(TBitmap& bitmap) {
    QImage& image = MutableBitmapImage(bitmap);
    if (image.isNull()) return;
    if (image.depth() != 32) image = image.convertToFormat(QImage::Format_ARGB32);
    pixels_.Bits = image.bits();
    pixels_.Width = image.width();
    pixels_.Height = image.height();
    pixels_.BytesPerLine = int(image.bytesPerLine());
    pixels_.BitsPerPixel = image.depth();
}

TBitmapPixels::~TBitmapPixels() = default;
