// Direct access to the 32-bit pixels of an off-screen bitmap, for routines that mix pixels
// themselves. Each pixel is four bytes in the order blue, green, red, alpha (a 32-bit value
// 0xAARRGGBB on little-endian machines); rows run from the top.
#pragma once

#include <cstdint>
#include <memory>

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

// A bitmap's pixels while this object lives: what the canvas drew before is there, and what is
// written into them is the bitmap's once the object is gone. Do not draw on the bitmap through
// its canvas meanwhile.
class TBitmapPixels {
public:
    explicit TBitmapPixels(TBitmap& bitmap);
    ~TBitmapPixels();
    TBitmapPixels(const TBitmapPixels&) = delete;
    TBitmapPixels& operator=(const TBitmapPixels&) = delete;

    TPixelBuffer& Pixels() { return pixels_; }

    struct Impl;

private:
    TPixelBuffer pixels_;
    std::unique_ptr<Impl> impl_;
};
