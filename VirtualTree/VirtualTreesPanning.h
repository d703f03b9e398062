// Wheel panning's look: the picture shown where panning started (a small shaped window over the
// tree) and the cursor that tells which way the view drifts.
#pragma once

#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Controls.h"
#include "platform/Cursors.h"

// Pixels of this colour in a panning picture are see-through.
inline constexpr TColor PanningTransparent = clFuchsia;
// Within this many pixels of the start point (both ways) the view stands still.
inline constexpr int PanningDeadZone = 8;

// The picture's name for the ways the view can move: "VT_MOVENS" when the content is not wider
// than the client area, "VT_MOVEEW" when it is not taller, else "VT_MOVEALL".
std::string_view PanningPictureName(bool canScrollX, bool canScrollY);
// The picture of that name, 32 x 32, drawn here: a disc with an arrow for each way the view can
// move, on PanningTransparent. An unknown name gives an empty bitmap.
TBitmap PanningPicture(std::string_view name);
// The rows of pixels that are not `transparent`, as one-pixel-high runs from left to right and
// top to bottom: the window's shape.
std::vector<TRect> PictureShape(const TBitmap& picture, TColor transparent);
// The cursor for the mouse at (dx, dy) from the start point: inside the dead zone the two- or
// four-way cursor (as the picture); beyond it the direction the view moves, by the axes that
// can scroll (each counts as moved beyond the dead zone).
TCursor PanningCursor(int dx, int dy, bool canScrollX, bool canScrollY);

// The panning window: a 32 x 32 child of the tree centred on the start point, shaped by its
// picture and transparent for the mouse, so the tree keeps every mouse message.
class TVTPanningWindow : public TCustomControl {
public:
    // Raises EVTAssertion "Invalid wheel panning image." when the picture has no visible pixel.
    TVTPanningWindow(TCustomControl& tree, TPoint start, bool canScrollX, bool canScrollY);
    std::string_view PictureName() const { return name_; }
    const TBitmap& Picture() const { return picture_; }

protected:
    void Paint(TCanvas& canvas, const TRect& updateRect) override;

private:
    std::string_view name_;
    TBitmap picture_;
};
