// What every canvas implementation shares: the drawing tools' state and where text goes.
#include "platform/Canvas.h"

void TPen::Assign(const TPen& other) {
    color_ = other.color_;
    width_ = other.width_;
    style_ = other.style_;
    mode_ = other.mode_;
    Changed();
}

void TBrush::Assign(const TBrush& other) {
    color_ = other.color_;
    style_ = other.style_;
    Changed();
}

TTextPlacement PlaceText(unsigned align, int x, int y, int width, int ascent, int descent) {
    unsigned horz = align & 6, vert = align & 24;
    TTextPlacement p;
    p.Left = horz == TA_RIGHT ? x - width : horz == TA_CENTER ? x - width / 2 : x;
    p.Baseline = vert == TA_BASELINE ? y : vert == TA_BOTTOM ? y - descent : y + ascent;
    return p;
}
