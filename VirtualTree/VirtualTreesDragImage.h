// The picture that follows the cursor while nodes or a header column are dragged: the rows
// (or the column button) fading out radially from the centre, with the tree's colour keyed out.
#pragma once

#include "platform/Canvas.h"
#include "platform/Graphics.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Which way the picture may move.
enum TVTDragMoveRestriction { dmrNone, dmrHorizontalOnly, dmrVerticalOnly };

// The picture's states (a set of bits); it shows when the low four bits are exactly
// prepared + in use.
enum : uint8_t {
    disHidden = 0x1,
    disPrepared = 0x2,
    disInUse = 0x4,
    disSystemSupport = 0x8,  // the desktop moves the picture (a drag pixmap)
};

// The radial alpha of the pixel (x, y) of a width x height picture: round(255 * e^(-8d)), d
// the distance from the centre (width div 2, height div 2) over the larger side.
uint8_t DragImageAlpha(int x, int y, int width, int height);

class TVTDragImage {
public:
    uint8_t Transparency = 128;  // the master alpha over the radial one
    int8_t PreBlendBias = 0;
    int8_t PostBlendBias = 0;
    bool Fade = false;
    TVTDragMoveRestriction RestrictDrag = dmrNone;

    // Takes the picture, placed with its top-left corner at imagePosition (the coordinates
    // DragTo gets) and the cursor at hotSpot inside it. colorKey is the colour that stays fully
    // transparent (clNone: none). With systemSupport the desktop shows it (Show does nothing).
    void PrepareDrag(const TBitmap& picture, TPoint imagePosition, TPoint hotSpot, TColor colorKey,
                     bool systemSupport);
    // Shows the picture when it is hidden, prepared and in use; true when it did.
    bool Show();
    void Hide();
    // Moves the picture with the cursor, along the allowed axis only; true when it moved.
    bool DragTo(TPoint p, bool forceRepaint = false);
    bool WillMove(TPoint p) const;
    // Where the picture is while it shows, else empty.
    TRect GetDragImageRect() const;
    void EndDrag();

    uint8_t States() const { return states_; }
    bool Visible() const { return (states_ & 0xF) == (disPrepared | disInUse); }
    TColor ColorKey() const { return colorKey_; }
    TPoint ImagePosition() const { return imagePosition_; }
    TPoint HotSpot() const { return hotSpot_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The picture with its alpha as 0xAARRGGBB (not premultiplied), rows from the top.
    const std::vector<uint32_t>& Pixels() const { return pixels_; }
    // Writes the picture with its alpha as a PNG.
    bool SaveToFile(const std::string& fileName) const;

    // Called when the picture shows, hides or moves (for what displays it).
    std::function<void(const TVTDragImage&)> OnChange;

private:
    void Changed();
    uint8_t states_ = 0;
    TColor colorKey_ = clNone;
    TPoint imagePosition_;
    TPoint lastPosition_;
    TPoint hotSpot_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};
