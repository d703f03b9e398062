// What the image list needs from a display backend: image bytes decoded with their
// transparency, and pixels drawn scaled into a rectangle of a canvas.
#pragma once

#include "platform/Canvas.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Pixels as 0xAARRGGBB values, row by row from the top; alpha 0 is see-through.
struct TArgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;

    uint32_t& At(int x, int y) { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
    uint32_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};

// False (and the image unchanged) when the bytes are no image the backend reads.
bool DecodeArgbImage(const void* data, size_t size, TArgbImage& image);
// Draws the image over dest (scaled to its size), blended by each pixel's alpha.
void DrawArgbImage(TCanvas& canvas, const TRect& dest, const TArgbImage& image);
