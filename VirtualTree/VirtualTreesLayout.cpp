// The cell layout: pure arithmetic.
#include "VirtualTreesLayout.h"

TVTCellLayout ComputeCellLayout(const TVTCellLayoutInput& in) {
    TVTCellLayout out;
    const int widths[3] = {in.CheckWidth, in.StateImageWidth, in.ImageWidth};
    int* positions[3] = {&out.CheckX, &out.StateImageX, &out.ImageX};
    out.Content = in.Cell;
    if (in.RightToLeft) {
        int x = in.Cell.Right - in.Indent - in.Margin;
        for (int i = 0; i < 3; ++i)
            if (widths[i] > 0) {
                *positions[i] = x - widths[i];
                x -= widths[i] + 2;
            }
        out.Content.Right = x;
    } else {
        int x = in.Cell.Left + in.Indent + in.Margin;
        for (int i = 0; i < 3; ++i)
            if (widths[i] > 0) {
                *positions[i] = x;
                x += widths[i] + 2;
            }
        out.Content.Left = x;
    }
    TRect& t = out.Text;
    t = out.Content;
    const int width = in.TextWidth;
    if (width < t.Width()) {
        switch (in.Alignment) {
            case taRightJustify:
                t.Left = t.Right - width;
                break;
            case taCenter: {
                int left = (t.Left + t.Right - width) / 2;
                t.Left = left;
                t.Right = left + width;
                break;
            }
            default:
                t.Right = t.Left + width;
                break;
        }
    } else if (in.Unclipped) {
        if (in.RightToLeft)
            t.Left = t.Right - width;
        else
            t.Right = t.Left + width;
    }
    return out;
}
