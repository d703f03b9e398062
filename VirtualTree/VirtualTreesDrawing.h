// Drawing support shared by the tree's painting, its header and its drag image: pixel
// blending, colour conversion, 3-D edges, dotted lines and the built-in image lists.
#pragma once

#include "VirtualTreesTypes.h"

#include "platform/Canvas.h"
#include "platform/ImageList.h"
#include "platform/Pixels.h"

#include <cstdint>
#include <string>

// --- Blending ------------------------------------------------------------------------------------

enum TBlendMode {
    bmConstantAlpha,          // one alpha for every pixel
    bmPerPixelAlpha,          // the source pixel's alpha
    bmMasterAlpha,            // the source pixel's alpha scaled by the constant alpha
    bmConstantAlphaAndColor,  // the destination mixed with a colour (bias holds the colour)
};

// Mixes the pixels of r in source into destination at target. Per channel (blue, green, red and
// alpha): D := clamp(((S - D) * A + 256 * D) shr 8 + bias, 0, 255); in colour mode
// D := (D * (256 - A) + C * A) shr 8 with C the channels of the colour given in bias
// (a COLORREF, red in the low byte). r is cut to the source and the target to the
// destination; nothing happens without overlap. Colour mode needs no source; the other modes do
// nothing without a usable source.
void AlphaBlend(const TPixelBuffer* source, TPixelBuffer& destination, TRect r, TPoint target,
                TBlendMode mode, int constantAlpha, int bias);

// --- Colours -------------------------------------------------------------------------------------

inline constexpr uint32_t CLR_NONE = 0xFFFFFFFFu;
inline constexpr uint32_t CLR_DEFAULT = 0xFF000000u;
// A colour as image-list drawing takes it: its RGB value (system colours resolved), clNone as
// CLR_NONE and clDefault as CLR_DEFAULT.
uint32_t GetRGBColor(TColor color);
// A COLORREF as a pixel value (0xAARRGGBB with the colour's high byte as alpha).
constexpr uint32_t ColorToPixel(uint32_t colorRef) {
    return (colorRef & 0xFF000000u) | ((colorRef & 0xFFu) << 16) | (colorRef & 0xFF00u) |
           ((colorRef >> 16) & 0xFFu);
}

// --- Edges, lines, focus -------------------------------------------------------------------------

enum : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
};
enum : unsigned {
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_RECT = 0xF,
    BF_MIDDLE = 0x800,
    BF_SOFT = 0x1000,
    BF_ADJUST = 0x2000,
    BF_FLAT = 0x4000,
    BF_MONO = 0x8000,
};
// Draws a 3-D edge (outer and inner line) on the given sides of r; BF_MIDDLE fills the inside
// with face; BF_ADJUST leaves r as the inside.
void DrawEdge(TCanvas& canvas, TRect& r, unsigned edge, unsigned flags, TColor face = clBtnFace);
// Fills r with a one-pixel checkerboard of color (and background unless it is clNone) whose
// phase follows window coordinates: origin is the canvas's (0, 0) in the window, so dotted
// lines drawn in separate pieces join up.
void FillDottedRect(TCanvas& canvas, const TRect& r, TColor color, TColor background,
                    TPoint origin);
// The inverting dotted focus frame: drawing it twice removes it.
inline void DrawFocusRect(TCanvas& canvas, const TRect& r) {
    canvas.DrawFocusRect(r);
}

// An XP-style header button: pressed, hot or normal fill, splitter and shading lines; a hot
// button is drawn from the utility images 6, 7 and 8.
void DrawXPButton(TCanvas& canvas, const TRect& r, bool drawSplitter, bool down, bool hover);

// A UTF-8 caption within bounds, cut between characters with an ellipsis when it is too wide.
std::string ShortenString(TCanvas& canvas, const std::string& text, int width);

// --- Images --------------------------------------------------------------------------------------

// How PaintImage-style drawing shows an image.
enum TImageStyle {
    isNormal,   // as it is
    isBlend50,  // its opaque pixels mixed half and half with a colour (selected images)
    isGrayed,   // disabled
};
// Draws image index of list at (x, y) in a style; overlay (0 or more) is drawn over it.
void DrawImage(TCanvas& canvas, const TCustomImageList& list, int index, int x, int y,
               TImageStyle style, TColor blendColor = clHighlight, int overlay = -1);

// The built-in image lists (16 x 16). The check lists hold 25 images: 1-8 radio buttons
// (unchecked normal, hot, pressed, disabled, then checked), 9-20 check boxes (unchecked,
// checked, mixed; each normal, hot, pressed, disabled), 21-24 push buttons (normal, hot,
// pressed, disabled); index 0 is unused. The utility list: 0/1 drop marks left/right, 2/3 sort
// glyphs descending/ascending, 4/5 the styled sort glyphs, 6/7/8 the XP hot header's left end,
// middle and right end.
enum TBuiltInImages {
    biCheckLight,
    biCheckDark,
    biTickLight,
    biTickDark,
    biFlat,
    biXP,
    biUtilities,
    BuiltInImagesCount
};
// Makes the built-in image lists once per process (the first tree does it); later calls do
// nothing.
void InitializeTreeLibrary();
// The list; made on first use.
TCustomImageList& BuiltInImageList(TBuiltInImages which);
// The check images for a kind; nullptr for ckCustom.
TCustomImageList* CheckImagesFor(TCheckImageKind kind);
// The desktop's colours changed: the lists drawn from them are made again (not the XP list,
// whose colours are fixed).
void RebuildBuiltInImages();
// How many times the lists were made (for tests).
int BuiltInImagesGeneration();

// Utility image indices.
enum : int {
    uiDropMarkLeft = 0,
    uiDropMarkRight = 1,
    uiSortDescending = 2,
    uiSortAscending = 3,
    uiThemedSortDescending = 4,
    uiThemedSortAscending = 5,
    uiXPHotLeft = 6,
    uiXPHotMiddle = 7,
    uiXPHotRight = 8,
};
