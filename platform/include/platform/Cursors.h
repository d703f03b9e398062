// Mouse cursors by number. The stock numbers (crDefault, crIBeam, crHandPoint, crDrag, crNoDrop,
// crSizeAll ..., negative, in Controls.h) are the desktop's own shapes; the positive numbers
// below are pictures drawn here, known by their resource names. Every control that sets a cursor
// (the tree, the memo, the form controls) goes through the same table.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Controls.h"
#include "platform/Graphics.h"

// The drawn cursors, with their resource names.
inline constexpr TCursor crRightArrow = TCursor(1);  // "PMRIGHTARROW": an arrow pointing right
inline constexpr TCursor crDragCopy = TCursor(2);    // "DRAGCOPY": a drag that copies
// Wheel panning: the two-way and four-way cursors shown in the dead zone, and one per direction.
inline constexpr TCursor crPanAll = TCursor(3);  // "VT_MOVEALL"
inline constexpr TCursor crPanEW = TCursor(4);   // "VT_MOVEEW"
inline constexpr TCursor crPanNS = TCursor(5);   // "VT_MOVENS"
inline constexpr TCursor crPanN = TCursor(6);    // "VT_MOVEN"
inline constexpr TCursor crPanS = TCursor(7);    // "VT_MOVES"
inline constexpr TCursor crPanE = TCursor(8);    // "VT_MOVEE"
inline constexpr TCursor crPanW = TCursor(9);    // "VT_MOVEW"
inline constexpr TCursor crPanNE = TCursor(10);  // "VT_MOVENE"
inline constexpr TCursor crPanNW = TCursor(11);  // "VT_MOVENW"
inline constexpr TCursor crPanSE = TCursor(12);  // "VT_MOVESE"
inline constexpr TCursor crPanSW = TCursor(13);  // "VT_MOVESW"
inline constexpr TCursor crFirstDrawn = crRightArrow;
inline constexpr TCursor crLastDrawn = crPanSW;

// A drawn cursor: Width x Height pixels, each transparent, black or white, and the hot spot.
class TCursorPicture {
public:
    enum Ink : uint8_t { Clear = 0, Black = 1, White = 2 };

    TCursorPicture(std::string_view name, int width, int height, TPoint hotSpot);
    std::string_view Name() const { return name_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    TPoint HotSpot() const { return hotSpot_; }
    Ink At(int x, int y) const;
    // The pixel as a colour: clNone where transparent, else clBlack or clWhite.
    TColor Pixel(int x, int y) const;
    void Set(int x, int y, Ink ink);

private:
    std::string_view name_;
    int width_, height_;
    TPoint hotSpot_;
    std::vector<uint8_t> pixels_;
};

// The picture of a drawn cursor; nullptr for the stock numbers.
const TCursorPicture* CursorPicture(TCursor cursor);
// The drawn cursor of a resource name (ASCII case ignored); crDefault for an unknown name.
TCursor CursorByName(std::string_view name);

// Whether the application shows one cursor over every window for now (the hourglass of a long
// task); controls leave their own cursors as they are meanwhile. The Qt backend answers from
// the application's override cursor; the headless one from SetHeadlessGlobalCursor.
bool GlobalCursorSet();
