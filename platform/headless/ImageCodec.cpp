// PNG and BMP bytes without a toolkit: the formats the compiled-in images and test pictures use.
#include "ImageCodec.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace headless {

namespace {

constexpr long long kMaxPixels = 1 << 26;  // larger images are refused rather than allocated

uint32_t Be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[1] << 8 | p[0]);
}

bool Allocate(DecodedImage& out, long long width, long long height) {
    if (width < 1 || height < 1 || width > kMaxPixels / height) return false;
    out.width = int(width);
    out.height = int(height);
    out.pixels.assign(size_t(width * height), clBlack);
    out.alpha.assign(size_t(width * height), 255);
    return true;
}

int Paeth(int a, int b, int c) {
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// What the chunks of a PNG file say.
struct TPngChunks {
    uint32_t width = 0, height = 0;
    int depth = 0, colour = -1;
    std::vector<uint8_t> palette, trns, idat;
};

// False for a damaged chunk list or an interlaced image.
bool ReadPngChunks(const uint8_t* d, size_t size, TPngChunks& png) {
    for (size_t pos = 8; pos + 12 <= size;) {
        uint32_t length = Be32(d + pos);
        if (length > size - pos - 12) return false;
        const uint8_t* type = d + pos + 4;
        const uint8_t* body = d + pos + 8;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (length < 13) return false;
            png.width = Be32(body);
            png.height = Be32(body + 4);
            png.depth = body[8];
            png.colour = body[9];
            if (body[10] != 0 || body[11] != 0 || body[12] != 0) return false;  // interlaced
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            png.palette.assign(body, body + length);
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            png.trns.assign(body, body + length);
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            png.idat.insert(png.idat.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        pos += size_t(length) + 12;
    }
    return true;
}

// Samples per pixel of a colour type; 0 for a type PNG does not have.
int PngChannels(int colour) {
    switch (colour) {
        case 0:
        case 3:
            return 1;
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 0;
    }
}

// Undoes one line's filter (the byte before the line) against the line above; false for an
// unknown filter.
bool UnfilterPngLine(const uint8_t* in, const std::vector<uint8_t>& prev,
                     std::vector<uint8_t>& line, size_t bpp) {
    const int filter = in[0];
    for (size_t i = 0; i < line.size(); ++i) {
        int a = i >= bpp ? line[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
        int x = in[1 + i];
        switch (filter) {
            case 0:
                break;
            case 1:
                x += a;
                break;
            case 2:
                x += b;
                break;
            case 3:
                x += (a + b) / 2;
                break;
            case 4:
                x += Paeth(a, b, c);
                break;
            default:
                return false;
        }
        line[i] = uint8_t(x);
    }
    return true;
}

// One unfiltered line into row y of the image; false for a palette index past the palette.
bool StorePngLine(const std::vector<uint8_t>& line, uint32_t y, const TPngChunks& png, int channels,
                  DecodedImage& out) {
    const bool paletted = png.colour == 3;
    for (uint32_t x = 0; x < png.width; ++x) {
        size_t at = size_t(y) * png.width + x;
        int r, g, b, alpha = 255;
        if (paletted) {
            const int depth = png.depth;
            size_t bit = size_t(x) * size_t(depth);
            int index = (line[bit / 8] >> (8 - depth - int(bit % 8))) & ((1 << depth) - 1);
            if (size_t(index) * 3 + 2 >= png.palette.size()) return false;
            r = png.palette[size_t(index) * 3];
            g = png.palette[size_t(index) * 3 + 1];
            b = png.palette[size_t(index) * 3 + 2];
            if (size_t(index) < png.trns.size()) alpha = png.trns[size_t(index)];
        } else {
            const uint8_t* p = line.data() + size_t(x) * size_t(channels);
            r = p[0];
            g = channels >= 3 ? p[1] : p[0];
            b = channels >= 3 ? p[2] : p[0];
            if (channels == 2) alpha = p[1];
            if (channels == 4) alpha = p[3];
        }
        out.pixels[at] = RGBColor(r, g, b);
        out.alpha[at] = uint8_t(alpha);
    }
    return true;
}

bool DecodePng(const uint8_t* d, size_t size, DecodedImage& out) {
    if (size < 8 || std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) != 0) return false;
    TPngChunks png;
    if (!ReadPngChunks(d, size, png)) return false;
    const int channels = PngChannels(png.colour);
    if (channels == 0) return false;
    const bool paletted = png.colour == 3;
    const int depth = png.depth;
    if (paletted ? (depth != 1 && depth != 2 && depth != 4 && depth != 8) : depth != 8)
        return false;
    if (paletted && png.palette.size() < 3) return false;
    if (!Allocate(out, png.width, png.height)) return false;
    size_t stride = (size_t(png.width) * size_t(channels) * size_t(depth) + 7) / 8;
    size_t bpp = std::max<size_t>(1, size_t(channels) * size_t(depth) / 8);
    std::vector<uint8_t> raw((stride + 1) * png.height);
    uLongf rawSize = uLongf(raw.size());
    if (uncompress(raw.data(), &rawSize, png.idat.data(), uLong(png.idat.size())) != Z_OK ||
        rawSize != raw.size())
        return false;
    std::vector<uint8_t> prev(stride, 0), line(stride);
    for (uint32_t y = 0; y < png.height; ++y) {
        if (!UnfilterPngLine(raw.data() + y * (stride + 1), prev, line, bpp)) return false;
        if (!StorePngLine(line, y, png, channels, out)) return false;
        prev.swap(line);
    }
    return true;
}

bool DecodeBmp(const uint8_t* d, size_t size, DecodedImage& out) {
    if (size < 54 || d[0] != 'B' || d[1] != 'M') return false;
    uint32_t offset = Le32(d + 10), header = Le32(d + 14);
    if (header < 40 || 14 + size_t(header) > size) return false;
    long long width = int32_t(Le32(d + 18)), height = int32_t(Le32(d + 22));
    int bits = Le16(d + 28);
    uint32_t compression = Le32(d + 30), colours = Le32(d + 46);
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (compression != 0 && !(compression == 3 && bits == 32)) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    if (!Allocate(out, width, height)) return false;
    const uint8_t* table = d + 14 + header;
    size_t entries = bits <= 8 ? (colours ? colours : 1u << bits) : 0;
    if (size_t(table - d) + entries * 4 > size) return false;
    size_t stride = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
    if (offset > size || stride * size_t(height) > size - offset) return false;
    for (long long y = 0; y < height; ++y) {
        const uint8_t* row = d + offset + stride * size_t(topDown ? y : height - 1 - y);
        for (long long x = 0; x < width; ++x) {
            int r, g, b;
            if (bits <= 8) {
                size_t bit = size_t(x) * size_t(bits);
                size_t index = (row[bit / 8] >> (8 - bits - int(bit % 8))) & ((1u << bits) - 1);
                if (index >= entries) return false;
                b = table[index * 4], g = table[index * 4 + 1], r = table[index * 4 + 2];
            } else {
                const uint8_t* p = row + size_t(x) * size_t(bits / 8);
                b = p[0], g = p[1], r = p[2];
            }
            out.pixels[size_t(y * width + x)] = RGBColor(r, g, b);
        }
    }
    return true;
}

void Put32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char((v >> shift) & 0xFF));
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    Put32(out, uint32_t(data.size()));
    std::string typed = std::string(type, 4) + data;
    out += typed;
    Put32(out,
          uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
}

}  // namespace

bool DecodeImage(const void* data, size_t size, DecodedImage& out) {
    if (!data || size == 0) return false;
    DecodedImage image;
    const auto* d = static_cast<const uint8_t*>(data);
    if (!DecodePng(d, size, image) && !DecodeBmp(d, size, image)) return false;
    out = std::move(image);
    return true;
}

std::string EncodePng(int width, int height, const std::vector<TColor>& pixels) {
    std::string raw;
    raw.reserve(size_t(height) * (size_t(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            TColor c = pixels[size_t(y) * size_t(width) + size_t(x)];
            raw.push_back(char(GetRValue(c)));
            raw.push_back(char(GetGValue(c)));
            raw.push_back(char(GetBValue(c)));
        }
    }
    uLongf zSize = compressBound(uLong(raw.size()));
    std::string z(zSize, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &zSize,
              reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), 6);
    z.resize(zSize);
    std::string header;
    Put32(header, uint32_t(width));
    Put32(header, uint32_t(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, not interlaced
    std::string png("\x89PNG\r\n\x1a\n", 8);
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    return png;
}

}  // namespace headless
