// Painting: the tree's paint loop over the rows in the window, the row painter, the rubber band
// and the invalidation routines.
#include "VirtualTreesPaint.h"

#include "VirtualTreesDrawing.h"

#include "platform/ThemeServices.h"

#include <algorithm>

namespace {

void Fill(TCanvas& canvas, const TRect& r, TColor color) {
    if (r.IsEmpty()) return;
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(color);
    canvas.FillRect(r);
}

// A filled shape with a one-pixel border: square, or rounded by radius.
void FrameAndFill(TCanvas& canvas, const TRect& r, TColor border, TColor fill, int radius) {
    if (r.IsEmpty()) return;
    canvas.Pen().SetStyle(TPenStyle::psSolid);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetColor(border);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(fill);
    if (radius > 0)
        canvas.RoundRect(r, radius, radius);
    else
        canvas.Rectangle(r);
}

}  // namespace

namespace {
// The visible columns in display order; one NoColumn pass when the tree has no columns.
std::vector<TColumnIndex> ShownColumns(TVTHeader& header) {
    std::vector<TColumnIndex> result = header.Columns().GetVisibleColumns();
    if (result.empty()) result.push_back(NoColumn);
    return result;
}

// A rubber band's rectangle runs from its start to the pointer: any corner may come first.
TRect Normalized(TRect r) {
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}
}  // namespace

// --- Row geometry ----------------------------------------------------------------------------

int TVTRowPainter::NodeVAlignment(PVirtualNode node) const {
    const int height = node->NodeHeight;
    const int align = node->Align;
    switch (tree_.NodeAlignment()) {
        case naFromBottom:
            return height - align;
        case naFromTop:
            return align;
        default:
            break;
    }
    bool ghosted = false;
    TCustomImageList* list = nullptr;
    if (tree_.Images() &&
        tree_.GetImageIndex(node, ikNormal, tree_.Header().MainColumn(), ghosted) > -1)
        list = tree_.Images();
    else if (tree_.StateImages() &&
             tree_.GetImageIndex(node, ikState, tree_.Header().MainColumn(), ghosted) > -1)
        list = tree_.StateImages();
    if (list) return MulDiv(height - list->Height(), align, 100) + list->Height() / 2;
    if (tree_.TreeOptions().PaintOptions().Contains(toShowButtons))
        return MulDiv(height - ButtonSize, align, 100) + ButtonSize / 2;
    return MulDiv(height, align, 100);
}

std::vector<TVTLineType> TVTRowPainter::LineImage(PVirtualNode node) const {
    const TVTPaintOptions paint = tree_.TreeOptions().PaintOptions();
    if (!paint.Contains(toShowTreeLines)) return {};
    const PVirtualNode root = tree_.RootNode();
    const bool showRoot = paint.Contains(toShowRoot);
    std::vector<TVTLineType> lines;
    // From the node up to the top level, then reversed.
    for (PVirtualNode run = node; run != root; run = run->Parent) {
        const bool following = TVirtualNodeStore::GetNextVisibleSibling(run) != nullptr;
        const bool topLevel = run->Parent == root;
        if (topLevel && !showRoot) break;
        if (run == node) {
            if (topLevel) {
                const bool first = TVirtualNodeStore::GetPreviousVisibleSibling(run) == nullptr;
                lines.push_back(first && !following ? ltRight
                                : first             ? ltBottomRight
                                : !following        ? ltTopRight
                                                    : ltTopDownRight);
            } else {
                lines.push_back(following ? ltTopDownRight : ltTopRight);
            }
        } else {
            lines.push_back(following ? ltTopDown : ltNone);
        }
    }
    std::reverse(lines.begin(), lines.end());
    return lines;
}

// --- The row ---------------------------------------------------------------------------------

void TVTRowPainter::PaintRow(TCanvas& canvas, PVirtualNode node, const TVTRowPaintInfo& info) {
    TBaseVirtualTree& t = tree_;
    const TRect row{0, 0, info.Width, node->NodeHeight};
    const TCustomVirtualTreeOptions& options = t.TreeOptions();
    if (!t.DoBeforeItemPaint(canvas, node, row)) {
        // The row's ground.
        TColor color = t.Color();
        TItemEraseAction action = eaDefault;
        t.DoBeforeItemErase(canvas, node, row, color, action);
        if (action == eaFillColor) {
            Fill(canvas, row, color);
        } else {
            Fill(canvas, row, t.Color());
            if (t.BackgroundInUse(info.Options)) t.TileBackground(canvas, row, info.ClientOrigin);
            if (options.SelectionOptions().Contains(toFullRowSelect) &&
                HasState(node, vsSelected) && info.Options.Contains(poDrawSelection)) {
                TRect r = row;
                if (options.PaintOptions().Contains(toShowHorzGridLines)) --r.Bottom;
                const bool focusedLook =
                    info.Focused || options.PaintOptions().Contains(toPopupMode);
                TVTColors& colors = t.Colors();
                FrameAndFill(canvas, r,
                             colors.Color(focusedLook ? TVTColors::FocusedSelectionBorderColor
                                                      : TVTColors::UnfocusedSelectionBorderColor),
                             colors.Color(focusedLook ? TVTColors::FocusedSelectionColor
                                                      : TVTColors::UnfocusedSelectionColor),
                             int(t.SelectionCurveRadius()));
            }
        }
        t.DoAfterItemErase(canvas, node, row);

        // The cells in display order.
        const int vAlign = NodeVAlignment(node);
        TVTHeader& header = t.Header();
        const std::vector<TColumnIndex> order = ShownColumns(header);
        const bool spanning =
            options.AutoOptions().Contains(toAutoSpanColumns) && header.UseColumns();
        for (size_t i = 0; i < order.size(); ++i) {
            TColumnIndex column = order[i];
            TRect cell = row;
            if (column > NoColumn) {
                if (info.Options.Contains(poMainColumnOnly) && column != header.MainColumn())
                    continue;
                int left = 0, right = 0;
                header.GetColumnBounds(column, left, right);
                cell.Left = left;
                // A right-to-left text runs leftwards over the empty right-to-left cells before
                // it: the run of them is painted as the cell that ends it.
                if (spanning && header.ColumnIsRightToLeft(column) &&
                    !info.Options.Contains(poMainColumnOnly))
                    while (i + 1 < order.size() && header.ColumnIsRightToLeft(order[i + 1]) &&
                           t.ColumnIsEmpty(node, column)) {
                        column = order[++i];
                        header.GetColumnBounds(column, left, right);
                    }
                cell.Right = right;
                // A left-to-right text runs over the empty cells that follow it.
                if (spanning && !header.ColumnIsRightToLeft(column))
                    while (i + 1 < order.size() && !header.ColumnIsRightToLeft(order[i + 1]) &&
                           t.ColumnIsEmpty(node, order[i + 1])) {
                        ++i;
                        if (header.GetColumnBounds(order[i], left, right)) cell.Right = right;
                    }
            }
            if (cell.Right <= info.VisibleLeft || cell.Left >= info.VisibleRight) continue;
            PaintCell(canvas, node, column, cell, info, vAlign);
        }
    }
    t.DoAfterItemPaint(canvas, node, row);
    if (node == t.dropTargetNode_ && options.PaintOptions().Contains(toShowDropmark) &&
        info.Options.Contains(poDrawDropMark))
        PaintDropMark(canvas, row);
}

void TVTRowPainter::PaintCell(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                              const TRect& cell, const TVTRowPaintInfo& info, int vAlign) {
    TBaseVirtualTree& t = tree_;
    const TCustomVirtualTreeOptions& options = t.TreeOptions();
    const TVTPaintOptions paint = options.PaintOptions();
    TVTHeader& header = t.Header();
    const bool isMain = column == NoColumn || column == header.MainColumn();
    const TVTCellLayout layout = t.LayoutCell(node, column, cell);

    canvas.SaveState();
    canvas.IntersectClipRect(cell);
    // Grid lines take the cell's last pixels; the events get the cell without them.
    TRect inner = cell;
    const TColor gridColor = t.Colors().Color(TVTColors::GridLineColor);
    if (paint.Contains(toShowVertGridLines) && column > NoColumn) {
        --inner.Right;
        DrawPatternLine(canvas, {cell.Right - 1, cell.Top, cell.Right, cell.Bottom}, gridColor,
                        info);
    }
    if (paint.Contains(toShowHorzGridLines)) {
        --inner.Bottom;
        DrawPatternLine(canvas, {cell.Left, cell.Bottom - 1, cell.Right, cell.Bottom}, gridColor,
                        info);
    }
    TRect text = layout.Text;
    if (text.Bottom > inner.Bottom) text.Bottom = inner.Bottom;
    PaintSelectionAndCellBackground(canvas, node, column, inner, text, info);
    // The content is drawn with the brush the cell's background left (handlers read it).
    const TColor cellBrush = canvas.Brush().Color();

    if (isMain) {
        const bool rtl =
            column > NoColumn ? header.ColumnIsRightToLeft(column) : t.BiDiMode() != bdLeftToRight;
        // Right to left, the levels run leftwards from the cell's right edge.
        if (!info.LineImage.empty()) {
            // Bands end on the row's last pixel row, where a closing band draws its bottom.
            if (t.LineMode() == lmBands && info.Options.Contains(poGridLines))
                PaintLines(canvas, BandImage(node, info.LineImage), cell, node->NodeHeight - 1,
                           vAlign, info, t.Colors().Color(TVTColors::GridLineColor), rtl);
            else
                PaintLines(canvas, info.LineImage, cell, node->NodeHeight, vAlign, info,
                           t.Colors().Color(TVTColors::TreeLineColor), rtl);
        }
        if (paint.Contains(toShowButtons) && HasState(node, vsHasChildren)) {
            const int levels = int(t.GetNodeLevel(node)) + (paint.Contains(toShowRoot) ? 1 : 0);
            const int indent = int(t.Indent());
            if (levels > 0)
                PaintNodeButton(
                    canvas, node,
                    rtl ? cell.Right - levels * indent : cell.Left + (levels - 1) * indent, vAlign);
        }
    }
    if (layout.CheckX >= 0) {
        const int size = t.CheckImageSize();
        PaintCheckImage(canvas, node, layout.CheckX, vAlign - size / 2);
    }
    if (layout.StateImageX >= 0)
        PaintImage(canvas, node, column, ikState, *t.StateImages(), layout.StateImageX,
                   vAlign - t.StateImages()->Height() / 2);
    if (layout.ImageX >= 0)
        PaintImage(canvas, node, column, ikNormal, *t.Images(), layout.ImageX,
                   vAlign - t.Images()->Height() / 2);
    if (!(t.IsEditing() && node == t.FocusedNode() && column == t.editColumn_)) {
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Brush().SetColor(cellBrush);
        t.DoPaintNode(canvas, node, column, layout.Content);
    }
    t.DoAfterCellPaint(canvas, node, column, inner);
    canvas.RestoreState();
}

void TVTRowPainter::PaintSelectionAndCellBackground(TCanvas& canvas, PVirtualNode node,
                                                    TColumnIndex column, const TRect& cell,
                                                    const TRect& text,
                                                    const TVTRowPaintInfo& info) {
    TBaseVirtualTree& t = tree_;
    const TCustomVirtualTreeOptions& options = t.TreeOptions();
    if (info.Options.Contains(poColumnColor) && column > NoColumn &&
        t.Header().IsValidColumn(column)) {
        const TColor columnColor = t.Header().Columns().Items(column).Color();
        if (columnColor != t.Color()) Fill(canvas, cell, columnColor);
    }
    t.DoBeforeCellPaint(canvas, node, column, cell);
    const bool fullRow = options.SelectionOptions().Contains(toFullRowSelect);
    const bool gridExtensions = options.MiscOptions().Contains(toGridExtensions);
    if (column != t.FocusedColumn() && !fullRow) return;
    TRect selection = gridExtensions || fullRow ? cell : text;
    if (selection.Left < cell.Left) selection.Left = cell.Left;
    if (selection.Right > cell.Right) selection.Right = cell.Right;
    const bool focusedLook = info.Focused || options.PaintOptions().Contains(toPopupMode);
    TVTColors& colors = t.Colors();
    if (info.Options.Contains(poDrawSelection)) {
        const int radius = int(t.SelectionCurveRadius());
        if (node == t.dropTargetNode_ &&
            (t.lastDropMode_ == dmOnNode || HasState(node, vsSelected))) {
            FrameAndFill(canvas, selection, colors.Color(TVTColors::DropTargetBorderColor),
                         colors.Color(TVTColors::DropTargetColor), radius);
        } else if (HasState(node, vsSelected)) {
            FrameAndFill(canvas, selection,
                         colors.Color(focusedLook ? TVTColors::FocusedSelectionBorderColor
                                                  : TVTColors::UnfocusedSelectionBorderColor),
                         colors.Color(focusedLook ? TVTColors::FocusedSelectionColor
                                                  : TVTColors::UnfocusedSelectionColor),
                         radius);
        }
    }
    if (info.Options.Contains(poDrawFocusRect) && column == t.FocusedColumn() && focusedLook &&
        node == t.FocusedNode()) {
        canvas.Pen().SetColor(clBlack);
        canvas.DrawFocusRect(gridExtensions ? cell : selection);
    }
}

// --- Lines, buttons, images ------------------------------------------------------------------

void TVTRowPainter::DrawDottedHLine(TCanvas& canvas, int left, int right, int y, TColor color,
                                    const TVTRowPaintInfo& info) {
    if (left > right) std::swap(left, right);
    DrawPatternLine(canvas, {left, y, right + 1, y + 1}, color, info);
}

void TVTRowPainter::DrawDottedVLine(TCanvas& canvas, int top, int bottom, int x, TColor color,
                                    const TVTRowPaintInfo& info) {
    if (top > bottom) std::swap(top, bottom);
    DrawPatternLine(canvas, {x, top, x + 1, bottom + 1}, color, info);
}

// Drawn with the pen, which is one device pixel wide at any scale: at a fractional scale a
// filled pixel spreads over one or two device pixels, from line to line.
void TVTRowPainter::DrawPatternLine(TCanvas& canvas, const TRect& r, TColor color,
                                    const TVTRowPaintInfo& info) {
    TPen& pen = canvas.Pen();
    TPen kept;
    kept.Assign(pen);
    pen.SetColor(color);
    pen.SetStyle(TPenStyle::psSolid);
    pen.SetMode(TPenMode::pmCopy);
    pen.SetWidth(1);
    // A run of `length` pixels from (x, y): down a vertical line, across a horizontal one.
    const bool down = r.Width() < r.Height();
    const auto run = [&](int x, int y, int length) {
        canvas.MoveTo(x, y);
        if (down)
            canvas.LineTo(x, y + length);
        else
            canvas.LineTo(x + length, y);
    };
    if (tree_.LineStyle() == lsSolid) {
        if (down)
            for (int x = r.Left; x < r.Right; ++x) run(x, r.Top, r.Height());
        else
            for (int y = r.Top; y < r.Bottom; ++y) run(r.Left, y, r.Width());
    } else {
        // The pattern lies on the window, so that lines of neighbouring rows join up.
        const TVTLinePattern& pattern = tree_.LinePattern();
        for (int y = r.Top; y < r.Bottom; ++y) {
            const unsigned bits = pattern[size_t((y + info.Origin.Y) & 7)];
            for (int x = r.Left; x < r.Right; ++x)
                if ((bits >> (7 - ((x + info.Origin.X) & 7))) & 1u) run(x, y, 1);
        }
    }
    pen.Assign(kept);
}

std::vector<TVTLineType> TVTRowPainter::BandImage(PVirtualNode node,
                                                  const std::vector<TVTLineType>& lines) {
    // A band closes on this row where its level ends here: the node's own level when nothing
    // is shown below it, an ancestor's level when that ancestor has no later sibling and every
    // deeper band closes too.
    std::vector<TVTLineType> bands(lines.size(), ltLeft);
    bool closing = !HasState(node, vsExpanded) || !node->FirstChild;
    for (size_t i = lines.size(); i-- > 0;) {
        const bool last = i + 1 == lines.size();
        if (!last) closing = closing && lines[i] == ltNone;
        bands[i] = closing ? ltLeftBottom : ltLeft;
    }
    return bands;
}

void TVTRowPainter::PaintLines(TCanvas& canvas, const std::vector<TVTLineType>& lines,
                               const TRect& cell, int height, int vAlign,
                               const TVTRowPaintInfo& info, TColor color, bool rightToLeft) {
    const int indent = int(tree_.Indent());
    for (size_t level = 0; level < lines.size(); ++level) {
        // Each level's box; the node's side of it (its outer edge) faces the reading direction.
        const int x =
            rightToLeft ? cell.Right - int(level + 1) * indent : cell.Left + int(level) * indent;
        const int middle = x + indent / 2;
        const int outer = rightToLeft ? x : x + indent;
        const int inner = rightToLeft ? x + indent - 1 : x;
        switch (lines[level]) {
            case ltBottomRight:
                DrawDottedVLine(canvas, vAlign, height, middle, color, info);
                DrawDottedHLine(canvas, middle, outer, vAlign, color, info);
                break;
            case ltTopDown:
                DrawDottedVLine(canvas, 0, height, middle, color, info);
                break;
            case ltTopDownRight:
                DrawDottedVLine(canvas, 0, height, middle, color, info);
                DrawDottedHLine(canvas, middle, outer, vAlign, color, info);
                break;
            case ltRight:
                DrawDottedHLine(canvas, middle, outer, vAlign, color, info);
                break;
            case ltTopRight:
                DrawDottedVLine(canvas, 0, vAlign, middle, color, info);
                DrawDottedHLine(canvas, middle, outer, vAlign, color, info);
                break;
            case ltLeft:
                DrawDottedVLine(canvas, 0, height, inner, color, info);
                break;
            case ltLeftBottom:
                DrawDottedVLine(canvas, 0, height, inner, color, info);
                DrawDottedHLine(canvas, x, x + indent, height, color, info);
                break;
            default:
                break;
        }
    }
}

void TVTRowPainter::PaintNodeButton(TCanvas& canvas, PVirtualNode node, int x, int vAlign) {
    const int indent = int(tree_.Indent());
    const int left = x + indent / 2 - ButtonSize / 2;
    const int top = vAlign - ButtonSize / 2;
    const bool expanded = HasState(node, vsExpanded);
    const TColor line = tree_.Colors().Color(TVTColors::TreeLineColor);
    if (tree_.HasTreeState(tsUseThemes)) {
        if (HTHEME theme = OpenThemeData("treeview")) {
            DrawThemeBackground(theme, canvas, TreeGlyphPart, expanded ? 2 : 1,
                                {left, top, left + ButtonSize, top + ButtonSize});
            CloseThemeData(theme);
            return;
        }
    }
    if (tree_.ButtonStyle() == bsTriangle) {
        canvas.Pen().SetColor(clWindowText);
        canvas.Brush().SetColor(clWindowText);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        if (expanded)
            canvas.Polygon({{left, top + 2}, {left + 8, top + 2}, {left + 4, top + 6}});
        else
            canvas.Polygon({{left + 2, top}, {left + 6, top + 4}, {left + 2, top + 8}});
        return;
    }
    const TRect box{left, top, left + ButtonSize, top + ButtonSize};
    switch (tree_.ButtonFillMode()) {
        case fmTransparent:
            break;
        case fmWindowColor:
            Fill(canvas, box, clWindow);
            break;
        default:
            Fill(canvas, box, tree_.Color());
            break;
    }
    canvas.Brush().SetColor(line);
    canvas.FrameRect(box);
    Fill(canvas, {left + 2, top + 4, left + 7, top + 5}, clWindowText);
    if (!expanded) Fill(canvas, {left + 4, top + 2, left + 5, top + 7}, clWindowText);
}

void TVTRowPainter::PaintCheckImage(TCanvas& canvas, PVirtualNode node, int x, int y) {
    const int index = tree_.GetCheckImage(node);
    if (index < 0) return;
    if (tree_.HasTreeState(tsUseThemes) && tree_.CheckImageKind() != ckCustom && index >= 1 &&
        index <= 24) {
        if (HTHEME theme = OpenThemeData("button")) {
            const int size = tree_.CheckImageSize();
            const TRect box{x, y, x + size, y + size};
            if (index <= 8)
                DrawThemeBackground(theme, canvas, RadioButtonPart, index, box);
            else if (index <= 20)
                DrawThemeBackground(theme, canvas, CheckBoxPart, index - 8, box);
            else
                DrawThemeBackground(theme, canvas, PushButtonPart, index - 20, box);
            CloseThemeData(theme);
            return;
        }
    }
    if (TCustomImageList* list = tree_.CheckImages()) {
        list->Draw(canvas, x, y, index, true);
        return;
    }
    // Without a check image list the box is drawn here, by the same index table.
    const int size = tree_.CheckImageSize();
    const bool disabled =
        index == 4 || index == 8 || index == 12 || index == 16 || index == 20 || index == 24;
    const TColor ink = disabled ? clGrayText : clWindowText;
    TRect box{x + 1, y + 1, x + size - 2, y + size - 2};
    canvas.Pen().SetColor(ink);
    canvas.Pen().SetStyle(TPenStyle::psSolid);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(disabled ? clBtnFace : clWindow);
    if (index >= 21) {  // push button
        canvas.Brush().SetColor(clBtnFace);
        canvas.Rectangle(box);
        return;
    }
    if (index <= 8) {  // radio button
        canvas.Ellipse(box);
        if (index >= 5) {
            box.Inflate(-3, -3);
            canvas.Brush().SetColor(ink);
            canvas.Ellipse(box);
        }
        return;
    }
    canvas.Rectangle(box);
    if (index >= 13 && index <= 16) {  // checked: a tick
        const int l = box.Left + 2, b = box.Bottom - 4;
        canvas.Pen().SetWidth(2);
        canvas.Polyline({{l, b - 3}, {l + 3, b}, {box.Right - 3, box.Top + 3}});
        canvas.Pen().SetWidth(1);
    } else if (index >= 17) {  // mixed: a filled inner square
        box.Inflate(-3, -3);
        Fill(canvas, box, ink);
    }
}

void TVTRowPainter::PaintImage(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                               TVTImageKind kind, TCustomImageList& list, int x, int y) {
    bool ghosted = false;
    const int index = tree_.GetImageIndex(node, kind, column, ghosted);
    if (index < 0) return;
    const bool enabled = !HasState(node, vsDisabled) && tree_.Enabled();
    if (!enabled) {
        DrawImage(canvas, list, index, x, y, isGrayed);
        return;
    }
    const TCustomVirtualTreeOptions& options = tree_.TreeOptions();
    const bool selectedLook = HasState(node, vsSelected) &&
                              !options.SelectionOptions().Contains(toFullRowSelect) &&
                              !options.MiscOptions().Contains(toGridExtensions);
    const bool blended = options.PaintOptions().Contains(toUseBlendedImages) &&
                         ((ghosted && tree_.Focused()) || selectedLook ||
                          (HasState(node, vsCutOrCopy) && tree_.HasTreeState(tsCutPending)));
    const TColor blendColor = tree_.Focused() || !options.PaintOptions().Contains(toHideSelection)
                                  ? tree_.Colors().Color(TVTColors::FocusedSelectionColor)
                                  : tree_.Colors().Color(TVTColors::UnfocusedSelectionColor);
    DrawImage(canvas, list, index, x, y, blended ? isBlend50 : isNormal, blendColor);
}

void TVTRowPainter::PaintDropMark(TCanvas& canvas, const TRect& row) {
    const TDropMode mode = tree_.lastDropMode_;
    if (mode != dmAbove && mode != dmBelow) return;
    const int y = mode == dmAbove ? row.Top : row.Bottom - 1;
    const int x = row.Left + 2;
    const TColor color = tree_.Colors().Color(TVTColors::DropMarkColor);
    canvas.Pen().SetColor(color);
    canvas.Brush().SetColor(color);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    const int d = mode == dmAbove ? 1 : -1;
    canvas.Polygon({{x, y}, {x + 8, y}, {x + 8, y + 4 * d}, {x + 4, y + 6 * d}, {x, y + 4 * d}});
}

// --- The tree's paint loop -------------------------------------------------------------------

void TBaseVirtualTree::Paint(TCanvas& canvas, const TRect& updateRect) {
    if (toggleAnimation_)
        PaintToggleAnimation(canvas, updateRect);
    else
        PaintClientRect(canvas, updateRect);
}

void TBaseVirtualTree::PaintTree(TCanvas& canvas, const TRect& window, TPoint target,
                                 TVTInternalPaintOptions options) {
    SetTreeState(tsPainting);
    struct ClearPainting {
        TBaseVirtualTree* tree;
        ~ClearPainting() { tree->SetTreeState(tsPainting, false); }
    } clear{this};
    DoBeforePaint(canvas);
    const TVTPaintOptions paint = TreeOptions().PaintOptions();
    const bool focused = Focused();
    if (!focused && paint.Contains(toHideSelection)) options.Exclude(poDrawSelection);
    if (paint.Contains(toHideFocusRect)) options.Exclude(poDrawFocusRect);

    TVTRowPainter painter(*this);
    TVTRowPaintInfo info;
    info.Options = options;
    info.Focused = focused;
    info.Width = std::max({window.Right, geometry_.RangeX(), ClientWidth() - geometry_.OffsetX()});
    info.VisibleLeft = window.Left;
    info.VisibleRight = window.Right;
    const bool drawSelecting = states_.Contains(tsDrawSelecting);
    // The rubber band is blended over the finished picture, or drawn as a dotted frame per row.
    const bool blendedBand =
        drawSelecting && (drawSelectionMode_ == smBlendedRectangle || HasTreeState(tsUseThemes));
    const bool dottedBand = drawSelecting && !blendedBand;

    int nodeTop = 0;
    // A window reaching above the content starts with the first row, further down.
    PVirtualNode node = window.Top < 0 ? GetFirstVisible() : geometry_.NodeAt(window.Top, nodeTop);
    int y = target.Y + nodeTop - window.Top;
    // The canvas's (0, 0) in the client area, for the background's tiles.
    const TPoint clientOrigin{window.Left + geometry_.OffsetX() - target.X,
                              window.Top + geometry_.OffsetY() - target.Y};
    const bool background = BackgroundInUse(options);
    if (y > target.Y) {
        const TRect above{target.X, target.Y, target.X + window.Width(),
                          std::min(y, target.Y + window.Height())};
        Fill(canvas, above, Color());
        if (background) TileBackground(canvas, above, clientOrigin);
    }
    const int bottom = target.Y + window.Height();
    const TPoint base = canvas.Origin();
    auto selectedOrUnder = [this](PVirtualNode n) {
        for (PVirtualNode run = n; run != Root(); run = run->Parent)
            if (HasState(run, vsSelected)) return true;
        return false;
    };
    while (node && y < bottom) {
        if (!HasState(node, vsInitialized)) InitNode(node);
        const int height = node->NodeHeight;
        if (!options.Contains(poSelectedOnly) || selectedOrUnder(node)) {
            info.LineImage = painter.LineImage(node);
            info.Origin = {target.X - window.Left, y};
            info.ClientOrigin = {info.Origin.X + clientOrigin.X, y + clientOrigin.Y};
            canvas.SaveState();
            canvas.SetOrigin(base.X + target.X - window.Left, base.Y + y);
            canvas.IntersectClipRect({window.Left, 0, window.Right, height});
            painter.PaintRow(canvas, node, info);
            if (dottedBand && options.Contains(poDrawSelection)) {
                TRect band = Normalized(selectionRect_);
                band.Offset(0, -(y - target.Y + window.Top));
                canvas.Pen().SetColor(clBlack);
                canvas.DrawFocusRect(band);
            }
            canvas.RestoreState();
        }
        y += height;
        node = GetNextVisible(node);
    }
    if (y < bottom) {
        TRect rest{target.X, y, target.X + window.Width(), bottom};
        if (!DoPaintBackground(canvas, rest))
            PaintBelowRows(canvas, rest, target.X - window.Left, clientOrigin, info);
        // The rubber band goes over the empty part too.
        if (dottedBand && options.Contains(poDrawSelection)) {
            TRect band = Normalized(selectionRect_);
            band.Offset(target.X - window.Left, target.Y - window.Top);
            canvas.SaveState();
            canvas.IntersectClipRect(rest);
            canvas.Pen().SetColor(clBlack);
            canvas.DrawFocusRect(band);
            canvas.RestoreState();
        }
    }
    if (blendedBand && options.Contains(poDrawSelection))
        PaintBlendedBand(canvas, window, target, options);
    DoAfterPaint(canvas);
}

// The area below the last row: the tree's colour, the column colours, the background picture and
// the columns' grid lines in the rows' pattern. columnX is where the content's x = 0 lies.
void TBaseVirtualTree::PaintBelowRows(TCanvas& canvas, const TRect& rest, int columnX,
                                      TPoint clientOrigin, const TVTRowPaintInfo& info) {
    Fill(canvas, rest, Color());
    const bool columns = Header().UseColumns();
    auto columnRect = [&](TColumnIndex column, TRect& r) {
        int left = 0, right = 0;
        if (column < 0 || !Header().GetColumnBounds(column, left, right)) return false;
        r = {std::max(rest.Left, columnX + left), rest.Top, std::min(rest.Right, columnX + right),
             rest.Bottom};
        return r.Left < r.Right;
    };
    if (columns && info.Options.Contains(poColumnColor))
        for (TColumnIndex column : ShownColumns(Header())) {
            TRect r;
            const TColor color = column >= 0 ? Header().Columns().Items(column).Color() : Color();
            if (color != Color() && columnRect(column, r)) Fill(canvas, r, color);
        }
    if (BackgroundInUse(info.Options)) TileBackground(canvas, rest, clientOrigin);
    if (columns && TreeOptions().PaintOptions().Contains(toShowVertGridLines)) {
        const TColor grid = Colors().Color(TVTColors::GridLineColor);
        TVTRowPainter painter(*this);
        TVTRowPaintInfo onWindow = info;
        onWindow.Origin = {0, 0};
        for (TColumnIndex column : ShownColumns(Header())) {
            int left = 0, right = 0;
            if (column < 0 || !Header().GetColumnBounds(column, left, right)) continue;
            const int x = columnX + right - 1;
            if (x >= rest.Left && x < rest.Right)
                painter.DrawPatternLine(canvas, {x, rest.Top, x + 1, rest.Bottom}, grid, onWindow);
        }
    }
}

void TBaseVirtualTree::PaintBlendedBand(TCanvas& canvas, const TRect& window, TPoint target,
                                        TVTInternalPaintOptions options) {
    TRect band = Normalized(selectionRect_);
    // A band of no width or height still shows its frame.
    ++band.Right;
    ++band.Bottom;
    TRect part;
    if (!IntersectRect(part, band, window)) return;
    TBitmap picture(part.Width(), part.Height());
    {
        // The rows under the band, without the band.
        SetTreeState(tsDrawSelecting, false);
        struct Restore {
            TBaseVirtualTree* tree;
            ~Restore() { tree->SetTreeState(tsDrawSelecting); }
        } restore{this};
        PaintTree(picture.Canvas(), part, {0, 0}, options);
    }
    {
        TBitmapPixels pixels(picture);
        AlphaBlend(nullptr, pixels.Pixels(), {0, 0, part.Width(), part.Height()}, {0, 0},
                   bmConstantAlphaAndColor, 64,
                   int(ColorToRGB(Colors().Color(TVTColors::SelectionRectangleBlendColor))));
    }
    TRect frame = band;
    frame.Offset(-part.Left, -part.Top);
    picture.Canvas().Brush().SetStyle(TBrushStyle::bsSolid);
    picture.Canvas().Brush().SetColor(Colors().Color(TVTColors::SelectionRectangleBorderColor));
    picture.Canvas().FrameRect(frame);
    canvas.Draw(target.X + part.Left - window.Left, target.Y + part.Top - window.Top, picture);
}

// --- Rubber band -----------------------------------------------------------------------------

void TBaseVirtualTree::HandleDrawSelection(const TRect& oldRect, const TRect& newRect,
                                           bool toggle) {
    const TRect before = Normalized(oldRect), after = Normalized(newRect);
    selectionRect_ = after;
    if (Root()->FirstChild == nullptr) return;
    TVTHeader& header = Header();
    const TColumnIndex main = header.UseColumns() ? header.MainColumn() : NoColumn;
    TRect cellBounds{0, 0, std::max(ClientWidth(), geometry_.RangeX()), 0};
    int left = 0, right = 0;
    if (main > NoColumn && header.GetColumnBounds(main, left, right)) {
        cellBounds.Left = left;
        cellBounds.Right = right;
    }
    const std::vector<TColumnIndex> order = ShownColumns(header);
    const bool spanning =
        TreeOptions().AutoOptions().Contains(toAutoSpanColumns) && main > NoColumn;
    const size_t mainPosition = size_t(std::find(order.begin(), order.end(), main) - order.begin());
    auto meets = [](const TRect& a, const TRect& b) {
        TRect out;
        return IntersectRect(out, a, b);
    };
    const int top = std::min(before.Top, after.Top), bottom = std::max(before.Bottom, after.Bottom);
    int nodeTop = 0;
    PVirtualNode node = geometry_.NodeAt(std::max(0, top), nodeTop);
    std::vector<PVirtualNode> add;
    bool removed = false;
    BeginUpdate();
    try {
        while (node && nodeTop < bottom) {
            if (!HasState(node, vsInitialized)) InitNode(node);
            TRect cell = cellBounds;
            cell.Top = nodeTop;
            cell.Bottom = nodeTop + node->NodeHeight;
            TRect hit = LayoutCell(node, main, cell).Text;
            hit.Top = cell.Top;
            hit.Bottom = cell.Bottom;
            // Spanning text reaches over the empty cells that follow the main column.
            if (spanning)
                for (size_t i = mainPosition + 1; i < order.size(); ++i) {
                    if (!ColumnIsEmpty(node, order[i])) break;
                    int l = 0, r = 0;
                    if (header.GetColumnBounds(order[i], l, r)) hit.Right = std::max(hit.Right, r);
                }
            const bool inNew = meets(hit, after), inOld = meets(hit, before);
            if (inNew != inOld) {
                const bool select = toggle ? !HasState(node, vsSelected) : inNew;
                if (select && !HasState(node, vsSelected)) {
                    add.push_back(node);
                } else if (!select && HasState(node, vsSelected)) {
                    InternalRemoveFromSelection(node);
                    removed = true;
                }
            }
            nodeTop += node->NodeHeight;
            node = GetNextVisible(node);
        }
        const int count = PackArray();
        selectionCount_ = count < 0 ? 0 : uint32_t(count);
        const bool added = InternalAddToSelection(add, false);
        if (added || removed) Change(nullptr);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// --- Invalidation ----------------------------------------------------------------------------

void TBaseVirtualTree::InvalidateColumn(TColumnIndex column) {
    if (updateCount_ != 0 || !HandleAllocated() || !Header().IsValidColumn(column)) return;
    int left = 0, right = 0;
    if (!Header().GetColumnBounds(column, left, right)) return;
    InvalidateRect({left + geometry_.OffsetX(), 0, right + geometry_.OffsetX(), ClientHeight()});
}

void TBaseVirtualTree::RepaintNode(PVirtualNode node) {
    if (!node || node == Root() || !HandleAllocated()) return;
    InvalidateNode(node);
    Update();
}
