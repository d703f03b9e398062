// The pixels of a bitmap's image.
#include "platform/Pixels.h"

#include "QtCanvas.h"

TPixelBuffer BitmapPixels(TBitmap& bitmap) {
    QImage& image = MutableBitmapImage(bitmap);
    if (image.isNull()) return {};
    if (image.depth() != 32) image = image.convertToFormat(QImage::Format_ARGB32);
    TPixelBuffer pixels;
    pixels.Bits = image.bits();
    pixels.Width = image.width();
    pixels.Height = image.height();
    pixels.BytesPerLine = int(image.bytesPerLine());
    pixels.BitsPerPixel = image.depth();
    return pixels;
}
