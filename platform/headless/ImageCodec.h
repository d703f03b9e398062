// Private to platform_headless: reading PNG and BMP bytes, writing PNG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace headless {

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<TColor> pixels;  // COLORREF values, row by row
    std::vector<uint8_t> alpha;  // 255: opaque
};

// PNG (8-bit samples and palettes of 1 to 8 bits, not interlaced) or uncompressed BMP of 1, 4,
// 8, 24 or 32 bits; false for anything else or anything damaged.
bool DecodeImage(const void* data, size_t size, DecodedImage& out);

// An 8-bit RGB PNG of `pixels` (row by row).
std::string EncodePng(int width, int height, const std::vector<TColor>& pixels);

}  // namespace headless
