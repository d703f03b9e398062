// Direct access to the 32-bit pixels of an off-screen bitmap, for routines that mix pixels
// themselves. Each pixel is four bytes in the order blue, green, red, alpha (a 32-bit value
// 0xAARRGGBB on little-endian machines); rows run from the top.
#pragma once

#include <cstdint>

class TBitmap;

struct TPixelBuffer {
    uint8_t* Bits = nullptr;
    int Width = 0;
    int Height = 0;
    int BytesPerLine = 0;
    int BitsPerPixel = 32;

    bool Usable() const { return Bits && Width > 0 && Height > 0 && BitsPerPixel == 32; }
    uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(Bits + y * BytesPerLine); }
};

// The bitmap's pixels; valid until the bitmap is resized, assigned or drawn on again through
// its canvas (drawing first, then reading the pixels, then drawing again is fine).
TPixelBuffer BitmapPixels(TBitmap& bitmap);
