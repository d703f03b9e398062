// A picture property: a bitmap that tells its owner when it changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/Canvas.h"

class TPicture : public TChangeNotifier<TPicture> {
public:
    const TBitmap& Bitmap() const { return bitmap_; }
    bool Empty() const { return bitmap_.Empty(); }
    int Width() const { return bitmap_.Width(); }
    int Height() const { return bitmap_.Height(); }

    void Assign(const TBitmap& bitmap) {
        bitmap_ = bitmap;
        Changed();
    }
    void Assign(const TPicture& other) { Assign(other.bitmap_); }
    void Clear() { Assign(TBitmap()); }
    // Reads PNG, BMP or other common image bytes; false (and the picture unchanged) when the
    // bytes are no image.
    bool LoadFromData(const void* data, size_t size) {
        TBitmap read;
        if (!read.LoadFromData(data, size)) return false;
        Assign(read);
        return true;
    }

private:
    TBitmap bitmap_;
};

// Covers r of the canvas with copies of the picture side by side, one of them with its
// top-left corner at origin (canvas coordinates, anywhere); nothing is drawn outside r. An
// empty picture draws nothing.
void TilePicture(TCanvas& canvas, const TRect& r, const TBitmap& picture, int64_t originX,
                 int64_t originY);
