// What both display backends share of an image list: the images in order, each kept as the
// backend keeps it, how a strip is cut and the colour a disabled image is drawn in.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/ImageList.h"

// One image as a backend keeps it.
struct TListImage {
    virtual ~TListImage() = default;
};

struct TCustomImageList::Impl {
    std::vector<std::unique_ptr<TListImage>> images;
};

// How many images a strip `stripWidth` wide gives at `width` each: at least one.
inline int StripPieces(int stripWidth, int width) {
    return std::max(1, stripWidth / width);
}

// The colour of a disabled image's pixel: its grey, lightened.
TColor DisabledImageColor(TColor color);
