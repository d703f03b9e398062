// The pixels of a bitmap: the headless bitmap keeps them in the layout handed out.
#include "platform/Pixels.h"

#include "HeadlessCanvas.h"

TPixelBuffer BitmapPixels(TBitmap& bitmap) {
    TBitmap::Impl& image = bitmap.Internal();
    if (image.width <= 0 || image.height <= 0) return {};
    TPixelBuffer pixels;
    pixels.Bits = reinterpret_cast<uint8_t*>(image.pixels.data());
    pixels.Width = image.width;
    pixels.Height = image.height;
    pixels.BytesPerLine = image.width * 4;
    pixels.BitsPerPixel = 32;
    return pixels;
}
