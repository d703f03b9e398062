// Wheel panning's look: the picture, its window and the direction cursors.
#include "VirtualTreesPanning.h"

#include <cstdlib>

#include "VirtualTreesTypes.h"
#include "platform/ChildControls.h"

std::string_view PanningPictureName(bool canScrollX, bool canScrollY) {
    if (!canScrollX) return "VT_MOVENS";
    if (!canScrollY) return "VT_MOVEEW";
    return "VT_MOVEALL";
}

TBitmap PanningPicture(std::string_view name) {
    const bool all = name == "VT_MOVEALL";
    const bool ns = all || name == "VT_MOVENS";
    const bool ew = all || name == "VT_MOVEEW";
    if (!ns && !ew) return {};
    TBitmap picture(32, 32);
    TCanvas& c = picture.Canvas();
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.Brush().SetColor(PanningTransparent);
    c.FillRect({0, 0, 32, 32});
    // A light disc with a grey rim...
    c.Pen().SetStyle(TPenStyle::psSolid);
    c.Pen().SetWidth(1);
    c.Pen().SetColor(RGBColor(112, 112, 112));
    c.Brush().SetColor(RGBColor(244, 244, 240));
    c.Ellipse({1, 1, 31, 31});
    // ...a dot where the panning started, and an arrowhead for each way the view can go.
    c.Pen().SetColor(RGBColor(40, 40, 40));
    c.Brush().SetColor(RGBColor(40, 40, 40));
    c.Ellipse({13, 13, 19, 19});
    // Each arrowhead is five rows (or columns) growing by a pixel on both sides, symmetric about
    // the disc's middle (between pixels 15 and 16); four of them stay clear of each other.
    for (int i = 0; i < 5; ++i) {
        if (ns) {
            c.FillRect({15 - i, 3 + i, 17 + i, 4 + i});
            c.FillRect({15 - i, 28 - i, 17 + i, 29 - i});
        }
        if (ew) {
            c.FillRect({3 + i, 15 - i, 4 + i, 17 + i});
            c.FillRect({28 - i, 15 - i, 29 - i, 17 + i});
        }
    }
    return picture;
}

std::vector<TRect> PictureShape(const TBitmap& picture, TColor transparent) {
    std::vector<TRect> runs;
    for (int y = 0; y < picture.Height(); ++y) {
        int x = 0;
        while (x < picture.Width()) {
            while (x < picture.Width() && picture.Pixel(x, y) == transparent) ++x;
            const int start = x;
            while (x < picture.Width() && picture.Pixel(x, y) != transparent) ++x;
            if (x > start) runs.push_back({start, y, x, y + 1});
        }
    }
    return runs;
}

TCursor PanningCursor(int dx, int dy, bool canScrollX, bool canScrollY) {
    const bool movedX = std::abs(dx) > PanningDeadZone;
    const bool movedY = std::abs(dy) > PanningDeadZone;
    const TCursor still = !canScrollX ? crPanNS : !canScrollY ? crPanEW : crPanAll;
    if (canScrollX && canScrollY) {
        if (movedX && movedY) {
            if (dy < 0) return dx < 0 ? crPanNW : crPanNE;
            return dx < 0 ? crPanSW : crPanSE;
        }
        if (movedX) return dx < 0 ? crPanW : crPanE;
        if (movedY) return dy < 0 ? crPanN : crPanS;
        return still;
    }
    // One axis scrolls: only its own distance counts.
    if (canScrollX && movedX) return dx < 0 ? crPanW : crPanE;
    if (canScrollY && movedY) return dy < 0 ? crPanN : crPanS;
    return still;
}

TVTPanningWindow::TVTPanningWindow(TCustomControl& tree, TPoint start, bool canScrollX,
                                   bool canScrollY)
    : TCustomControl(nullptr),
      name_(PanningPictureName(canScrollX, canScrollY)),
      picture_(PanningPicture(name_)) {
    const std::vector<TRect> shape = PictureShape(picture_, PanningTransparent);
    VT_ASSERT(!shape.empty(), "Invalid wheel panning image.");
    SetParentControl(*this, &tree);
    SetBounds(start.X - picture_.Width() / 2, start.Y - picture_.Height() / 2, picture_.Width(),
              picture_.Height());
    SetControlShape(*this, shape);
    SetTransparentForMouse(*this, true);
    Show();
}

void TVTPanningWindow::Paint(TCanvas& canvas, const TRect&) {
    canvas.Draw(0, 0, picture_);
}
