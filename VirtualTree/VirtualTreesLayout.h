// The layout of one cell of a row: indentation, margin, check image, state image, normal image
// (each its width + 2) and the text placed by alignment. Painting, display rectangles, the
// rubber band and column auto-fit all take their positions from here, so they cannot disagree.
#pragma once

#include "VirtualTreesTypes.h"

struct TVTCellLayoutInput {
    TRect Cell;               // the cell in row coordinates
    int Indent = 0;           // indentation in pixels (main column only)
    int Margin = 4;           // between the indentation and the first image
    int CheckWidth = 0;       // 0: no check image
    int StateImageWidth = 0;  // 0: no state image
    int ImageWidth = 0;       // 0: no normal image
    int TextWidth = 0;
    TAlignment Alignment = taLeftJustify;
    bool RightToLeft = false;
    bool Unclipped = false;  // the text may reach beyond the cell
};

struct TVTCellLayout {
    // Left edges of the images; -1 where there is none.
    int CheckX = -1;
    int StateImageX = -1;
    int ImageX = -1;
    TRect Content;  // the cell after indentation, margin and images: the text's room
    TRect Text;     // the text's own rectangle within it, placed by alignment
};

TVTCellLayout ComputeCellLayout(const TVTCellLayoutInput& in);
