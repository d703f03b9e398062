// The row painter: draws one row of a tree at (0, 0) of a canvas, cell by cell, firing the
// tree's paint events in their order. The tree's PaintTree places the rows.
#pragma once

#include "VirtualTrees.h"

#include <vector>

// What one row needs from the rows above it.
struct TVTRowPaintInfo {
    TVTInternalPaintOptions Options;
    int Width = 0;        // the row's width (x from the content's left edge)
    int VisibleLeft = 0;  // the part of the row in the window
    int VisibleRight = 0;
    TPoint Origin;        // the row's top-left corner in window coordinates (for dot patterns)
    TPoint ClientOrigin;  // the same in the client area (for the background picture)
    std::vector<TVTLineType> LineImage;  // top level first
    bool Focused = false;                // the tree shows its focused look
};

class TVTRowPainter {
public:
    explicit TVTRowPainter(TBaseVirtualTree& tree) : tree_(tree) {}

    // Paints the row of node at (0, 0): x counts from the content's left edge.
    void PaintRow(TCanvas& canvas, PVirtualNode node, const TVTRowPaintInfo& info);

    // The tree lines of node's row (empty without toShowTreeLines).
    std::vector<TVTLineType> LineImage(PVirtualNode node) const;
    // The line image as bands (lmBands): a line along each level, closed at the bottom where
    // the band ends on this row.
    static std::vector<TVTLineType> BandImage(PVirtualNode node,
                                              const std::vector<TVTLineType>& lines);
    // Where a row's lines, button and images sit vertically (pixels from its top).
    int NodeVAlignment(PVirtualNode node) const;

    // A one-pixel line r in the tree's line pattern, which lies on the window: info.Origin is
    // where the canvas's (0, 0) lies in it.
    void DrawPatternLine(TCanvas& canvas, const TRect& r, TColor color,
                         const TVTRowPaintInfo& info);

    static constexpr int ButtonSize = 9;

private:
    void PaintCell(TCanvas& canvas, PVirtualNode node, TColumnIndex column, const TRect& cell,
                   const TVTRowPaintInfo& info, int vAlign);
    void PaintSelectionAndCellBackground(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                                         const TRect& cell, const TRect& text,
                                         const TVTRowPaintInfo& info);
    void PaintLines(TCanvas& canvas, const std::vector<TVTLineType>& lines, const TRect& cell,
                    int height, int vAlign, const TVTRowPaintInfo& info, TColor color,
                    bool rightToLeft);
    void PaintNodeButton(TCanvas& canvas, PVirtualNode node, int x, int vAlign);
    void PaintCheckImage(TCanvas& canvas, PVirtualNode node, int x, int y);
    void PaintImage(TCanvas& canvas, PVirtualNode node, TColumnIndex column, TVTImageKind kind,
                    TCustomImageList& list, int x, int y);
    void DrawDottedHLine(TCanvas& canvas, int left, int right, int y, TColor color,
                         const TVTRowPaintInfo& info);
    void DrawDottedVLine(TCanvas& canvas, int top, int bottom, int x, TColor color,
                         const TVTRowPaintInfo& info);
    void PaintDropMark(TCanvas& canvas, const TRect& row);

    TBaseVirtualTree& tree_;
};
