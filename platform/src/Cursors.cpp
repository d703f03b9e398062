// The drawn cursors: pointers and panning arrows made of a few polygons, filled at pixel centres
// and ringed by a one-pixel outline in the other ink, so they show on any background.
#include "platform/Cursors.h"

#include <array>
#include <cmath>
#include <memory>
#include <mutex>

#include "platform/SysUtils.h"

TCursorPicture::TCursorPicture(std::string_view name, int width, int height, TPoint hotSpot)
    : name_(name),
      width_(width),
      height_(height),
      hotSpot_(hotSpot),
      pixels_(size_t(width) * size_t(height), Clear) {}

TCursorPicture::Ink TCursorPicture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Clear;
    return Ink(pixels_[size_t(y) * size_t(width_) + size_t(x)]);
}

TColor TCursorPicture::Pixel(int x, int y) const {
    switch (At(x, y)) {
        case Black:
            return clBlack;
        case White:
            return clWhite;
        default:
            return clNone;
    }
}

void TCursorPicture::Set(int x, int y, Ink ink) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[size_t(y) * size_t(width_) + size_t(x)] = ink;
}

namespace {

struct Pt {
    double x, y;
};

// Fills the pixels whose centres lie inside the polygon (even-odd rule).
void FillPolygon(TCursorPicture& pic, const std::vector<Pt>& poly, TCursorPicture::Ink ink) {
    for (int y = 0; y < pic.Height(); ++y)
        for (int x = 0; x < pic.Width(); ++x) {
            const double px = x + 0.5, py = y + 0.5;
            bool inside = false;
            for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
                const Pt a = poly[i], b = poly[j];
                if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x)
                    inside = !inside;
            }
            if (inside) pic.Set(x, y, ink);
        }
}

void FillDisc(TCursorPicture& pic, Pt centre, double radius, TCursorPicture::Ink ink) {
    for (int y = 0; y < pic.Height(); ++y)
        for (int x = 0; x < pic.Width(); ++x) {
            const double dx = x + 0.5 - centre.x, dy = y + 0.5 - centre.y;
            if (dx * dx + dy * dy <= radius * radius) pic.Set(x, y, ink);
        }
}

void FillBox(TCursorPicture& pic, TRect r, TCursorPicture::Ink ink) {
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) pic.Set(x, y, ink);
}

// Every transparent pixel next to (or diagonally next to) a drawn one takes the outline ink.
void Outline(TCursorPicture& pic, TCursorPicture::Ink ink) {
    std::vector<TPoint> ring;
    for (int y = 0; y < pic.Height(); ++y)
        for (int x = 0; x < pic.Width(); ++x) {
            if (pic.At(x, y) != TCursorPicture::Clear) continue;
            bool touches = false;
            for (int dy = -1; dy <= 1 && !touches; ++dy)
                for (int dx = -1; dx <= 1 && !touches; ++dx)
                    touches = pic.At(x + dx, y + dy) != TCursorPicture::Clear;
            if (touches) ring.push_back({x, y});
        }
    for (TPoint p : ring) pic.Set(p.X, p.Y, ink);
}

// A pointer with its tip at (tipX, tipY), pointing up and to the left, or mirrored to point up
// and to the right.
std::vector<Pt> Pointer(double tipX, double tipY, bool pointsRight) {
    const std::vector<Pt> shape = {{0, 0},    {0, 16},     {4, 12.5},   {7, 19},
                                   {9.5, 18}, {6.5, 11.5}, {11.5, 11.5}};
    std::vector<Pt> out;
    for (Pt p : shape) out.push_back({pointsRight ? tipX - p.x : tipX + p.x, tipY + p.y});
    return out;
}

constexpr Pt kCentre{15.5, 15.5};

// An arrowhead pointing from the centre along (ux, uy), its tip about 13 pixels out.
std::vector<Pt> ArrowHead(double ux, double uy) {
    const double len = std::sqrt(ux * ux + uy * uy);
    ux /= len;
    uy /= len;
    const Pt tip{kCentre.x + 13.4 * ux, kCentre.y + 13.4 * uy};
    const Pt base{kCentre.x + 8.2 * ux, kCentre.y + 8.2 * uy};
    return {tip, {base.x - 4.7 * uy, base.y + 4.7 * ux}, {base.x + 4.7 * uy, base.y - 4.7 * ux}};
}

// A stem from the centre to an arrowhead's base.
std::vector<Pt> Stem(double ux, double uy) {
    const double len = std::sqrt(ux * ux + uy * uy);
    ux /= len;
    uy /= len;
    const Pt end{kCentre.x + 8.7 * ux, kCentre.y + 8.7 * uy};
    const double w = 1.1;
    return {{kCentre.x - w * uy, kCentre.y + w * ux},
            {end.x - w * uy, end.y + w * ux},
            {end.x + w * uy, end.y - w * ux},
            {kCentre.x + w * uy, kCentre.y - w * ux}};
}

struct Direction {
    double ux, uy;
};

// A panning cursor: a dot on the hot spot and an arrowhead for each way the view may move;
// a single way also gets a stem.
std::unique_ptr<TCursorPicture> PanCursor(std::string_view name, std::vector<Direction> ways) {
    auto pic = std::make_unique<TCursorPicture>(name, 32, 32, TPoint{15, 15});
    FillDisc(*pic, kCentre, 2.6, TCursorPicture::Black);
    for (Direction d : ways) FillPolygon(*pic, ArrowHead(d.ux, d.uy), TCursorPicture::Black);
    if (ways.size() == 1) FillPolygon(*pic, Stem(ways[0].ux, ways[0].uy), TCursorPicture::Black);
    Outline(*pic, TCursorPicture::White);
    return pic;
}

std::unique_ptr<TCursorPicture> RightArrow() {
    // The tip at the top right; the picture's left part stays empty.
    auto pic = std::make_unique<TCursorPicture>("PMRIGHTARROW", 32, 32, TPoint{13, 1});
    FillPolygon(*pic, Pointer(14, 1, true), TCursorPicture::White);
    Outline(*pic, TCursorPicture::Black);
    return pic;
}

std::unique_ptr<TCursorPicture> DragCopy() {
    auto pic = std::make_unique<TCursorPicture>("DRAGCOPY", 32, 32, TPoint{1, 1});
    FillPolygon(*pic, Pointer(1, 1, false), TCursorPicture::White);
    Outline(*pic, TCursorPicture::Black);
    // A page with a plus below the pointer's tail: the dropped text is a copy.
    FillBox(*pic, {13, 17, 26, 30}, TCursorPicture::Black);
    FillBox(*pic, {14, 18, 25, 29}, TCursorPicture::White);
    FillBox(*pic, {16, 23, 23, 24}, TCursorPicture::Black);
    FillBox(*pic, {19, 20, 20, 27}, TCursorPicture::Black);
    return pic;
}

using Pictures = std::array<std::unique_ptr<TCursorPicture>, crLastDrawn - crFirstDrawn + 1>;

const Pictures& AllPictures() {
    static const Pictures pictures = [] {
        const Direction n{0, -1}, s{0, 1}, e{1, 0}, w{-1, 0};
        const Direction ne{1, -1}, nw{-1, -1}, se{1, 1}, sw{-1, 1};
        Pictures p;
        p[crRightArrow - crFirstDrawn] = RightArrow();
        p[crDragCopy - crFirstDrawn] = DragCopy();
        p[crPanAll - crFirstDrawn] = PanCursor("VT_MOVEALL", {n, s, e, w});
        p[crPanEW - crFirstDrawn] = PanCursor("VT_MOVEEW", {e, w});
        p[crPanNS - crFirstDrawn] = PanCursor("VT_MOVENS", {n, s});
        p[crPanN - crFirstDrawn] = PanCursor("VT_MOVEN", {n});
        p[crPanS - crFirstDrawn] = PanCursor("VT_MOVES", {s});
        p[crPanE - crFirstDrawn] = PanCursor("VT_MOVEE", {e});
        p[crPanW - crFirstDrawn] = PanCursor("VT_MOVEW", {w});
        p[crPanNE - crFirstDrawn] = PanCursor("VT_MOVENE", {ne});
        p[crPanNW - crFirstDrawn] = PanCursor("VT_MOVENW", {nw});
        p[crPanSE - crFirstDrawn] = PanCursor("VT_MOVESE", {se});
        p[crPanSW - crFirstDrawn] = PanCursor("VT_MOVESW", {sw});
        return p;
    }();
    return pictures;
}

}  // namespace

const TCursorPicture* CursorPicture(TCursor cursor) {
    if (cursor < crFirstDrawn || cursor > crLastDrawn) return nullptr;
    return AllPictures()[size_t(cursor - crFirstDrawn)].get();
}

TCursor CursorByName(std::string_view name) {
    for (int c = crFirstDrawn; c <= crLastDrawn; ++c)
        if (SameText(CursorPicture(TCursor(c))->Name(), name)) return TCursor(c);
    return crDefault;
}
