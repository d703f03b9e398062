// The tree's hints: what the hint window shows for the cursor's place (the control's hint,
// the node's hint below its cell, or a cut-off cell's whole text over the cell), when it
// shows, and when it goes.
#include "VirtualTrees.h"
#include "platform/SysUtils.h"

#include "VirtualStringTree.h"

#include "platform/Codec.h"
#include "platform/HintWindow.h"

#include <algorithm>

namespace {

// The short hint: the part before "|".
std::string ShortHint(const std::string& hint) {
    return hint.substr(0, hint.find('|'));
}

// Room around a hint's text, as a hint window has it.
constexpr int kHintMargin = 2;

// Hint texts are UTF-8 (the control's and the columns' hints are converted). A hint shows at
// most this many bytes of its text, the rest as "...": a cell's text of
// millions of characters is neither copied around nor laid out on every mouse move.
constexpr size_t kHintTextLimit = 4096;

std::string LimitedHintText(const std::string& text) {
    return ShortenedText(text, Utf8CharStart(text, kHintTextLimit));
}

// Paints a hint's body over client: its colour, a frame unless the text stands in place, and
// the text through the string tree's text drawer (lines end at CR, LF or CR LF), from margin on
// the left; a hint box has its lines kHintMargin below the top, an in-place text is centred
// vertically as in its cell.
void PaintHint(TCanvas& canvas, const TRect& client, const THintWindowData& hint) {
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(hint.Color);
    canvas.FillRect(client);
    if (!hint.InPlace) {
        canvas.Brush().SetColor(clInfoText);
        canvas.FrameRect(client);
    }
    canvas.Font().Assign(hint.Font);
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    TRect lines{client.Left + hint.TextMargin, client.Top, client.Right, client.Bottom};
    if (hint.InPlace) {
        TRect measured = lines;
        DrawTextLines(canvas, hint.Text, measured, DT_CALCRECT);
        lines.Top += (client.Height() - measured.Height()) / 2;
    } else {
        lines.Top += kHintMargin;
    }
    DrawTextLines(canvas, hint.Text, lines, DT_LEFT);
}

}  // namespace

void TBaseVirtualTree::SetShowHint(bool value) {
    showHint_ = value;
    if (!value) CancelHint();
}

bool TBaseVirtualTree::GetHintInfo(int x, int y, THintInfo& info) {
    info = THintInfo();
    if (!showHint_ || MouseCapture()) return false;
    for (TVirtualTreeState busy :
         {tsLeftButtonDown, tsRightButtonDown, tsMiddleButtonDown, tsDrawSelecting,
          tsDrawSelectionPending, tsScrolling, tsScrollPending, tsOLEDragPending, tsOLEDragging,
          tsWheelPanning})
        if (states_.Contains(busy)) return false;
    if (Header().HasStates()) return false;  // the header tracks or drags
    // Only over the active window, unless an edit is open in this one.
    if (!IsEditing() && !ControlWindowActive(*this)) return false;

    // The size of a hint box around text (measured only when one is needed).
    auto boxAt = [&](const std::string& text, int left, int top) {
        TBitmap probe(1, 1);
        probe.Canvas().Font().Assign(Font());
        TRect r{0, 0, 0, 0};
        DrawTextLines(probe.Canvas(), text, r, DT_CALCRECT, true);
        return TRect{left, top, left + r.Width() + 2 * kHintMargin + 2,
                     top + r.Height() + 2 * kHintMargin};
    };
    auto controlHint = [&] {
        info.Text = AnsiToUtf8(ShortHint(hint_));
        if (info.Text.empty()) return false;
        // As a tool-tip: just below the cursor.
        info.Rect = boxAt(info.Text, x, y + 20);
        return true;
    };
    if (y < 0) {
        // Over the header: the column under the cursor gives its own hint.
        if (!Header().Options().Contains(hoShowHint) || !Header().UseColumns()) return false;
        int left = 0, right = 0;
        const TColumnIndex column = Header().Columns().GetColumnAndBounds({x, y}, left, right);
        if (column <= NoColumn) return false;
        info.Column = column;
        info.Text = Header().Columns()[column].Hint();
        if (info.Text.empty()) return false;
        info.Rect = boxAt(info.Text, x, 0);
        return true;
    }
    if (hintMode_ == hmDefault) return controlHint();

    THitInfo hit;
    GetHitTestInfoAt(x, y, true, hit);
    if (!hit.HitNode || hit.HitColumn == InvalidColumn || !(hit.HitPositions & hiOnItem))
        return hintMode_ == hmHintAndDefault && controlHint();

    PVirtualNode node = hit.HitNode;
    const TColumnIndex column = Header().UseColumns() ? hit.HitColumn : NoColumn;
    info.Node = node;
    info.Column = column;
    TRect cell = GetDisplayRect(node, column, false);
    // With toAutoSpanColumns a cell's text runs over the empty cells that follow it.
    if (column > NoColumn && TreeOptions().AutoOptions().Contains(toAutoSpanColumns)) {
        for (TColumnIndex next = Header().Columns().GetNextVisibleColumn(column);
             next > NoColumn && ColumnIsEmpty(node, next);
             next = Header().Columns().GetNextVisibleColumn(next)) {
            int left = 0, right = 0;
            if (Header().GetColumnBounds(next, left, right))
                cell.Right = right - 1 + geometry_.OffsetX();
        }
    }
    if (hintMode_ == hmTooltip) {
        info.Text = LimitedHintText(DoGetNodeTooltip(node, column));
        const TRect text = GetDisplayRect(node, column, true, true);
        const TRect visible{std::max(cell.Left, 0), std::max(cell.Top, 0),
                            std::min(cell.Right, ClientWidth()),
                            std::min(cell.Bottom, ClientHeight())};
        if (info.Text.empty() || (text.Left >= visible.Left && text.Right <= visible.Right))
            return false;
        info.Rect = text;
        info.InPlace = true;
        return true;
    }
    info.Text = LimitedHintText(DoGetNodeHint(node, column));
    if (info.Text.empty()) return false;
    info.Rect = boxAt(info.Text, cell.Left, cell.Bottom + 2);
    return true;
}

uint32_t TBaseVirtualTree::HintPauseAt(int, int y) {
    // Over the header with its own hints, or moving on from a tree hint that is not in place,
    // the application's pause applies; otherwise the hint shows at once.
    if (y < 0 && Header().Options().Contains(hoShowHint)) return hintPause_;
    if (states_.Contains(tsHint) && hintMode_ != hmTooltip) return hintPause_;
    return 0;
}

void TBaseVirtualTree::UpdateHint(int x, int y) {
    THintInfo info;
    if (!GetHintInfo(x, y, info)) {
        CancelHint();
        return;
    }
    // The same hint stays up while the cursor stays in its cell.
    if (states_.Contains(tsHint) && info.Node == lastHintNode_ && info.Column == lastHintColumn_ &&
        info.Text == lastHintText_)
        return;
    const uint32_t pause = HintPauseAt(x, y);
    hintPoint_ = {x, y};
    if (pause == 0) {
        ShowPendingHint();
    } else {
        SetTimer(HintTimer, pause);
    }
}

void TBaseVirtualTree::ShowPendingHint() {
    KillTimer(HintTimer);
    THintInfo info;
    if (!GetHintInfo(hintPoint_.X, hintPoint_.Y, info)) {
        CancelHint();
        return;
    }
    THintWindowData data;
    data.Text = info.Text;
    const TPoint topLeft = ClientToScreen({info.Rect.Left, info.Rect.Top});
    data.Bounds = {topLeft.X, topLeft.Y, topLeft.X + info.Rect.Width(),
                   topLeft.Y + info.Rect.Height()};
    data.Font.Assign(Font());
    data.InPlace = info.InPlace;
    if (info.InPlace) {
        // The cell's text as the tree draws it: its font and colour, on the tree's colour.
        data.Color = Color();
        data.TextMargin = TextMargin();
    } else {
        data.Color = clInfoBk;
        data.Font.SetColor(clInfoText);
        data.TextMargin = kHintMargin + 1;
    }
    switch (DoGetAnimationType()) {
        case hatFade:
            data.Animation = THintAnimation::Fade;
            break;
        case hatSlide:
            data.Animation = THintAnimation::Slide;
            break;
        default:
            data.Animation = THintAnimation::None;
            break;
    }
    data.Owner = this;
    // The painting keeps its own copy of what it shows: it must not reach back into the tree.
    data.Paint = [hint = data](TCanvas& canvas, const TRect& client) {
        PaintHint(canvas, client, hint);
    };
    ActivateHintWindow(data);
    lastHintNode_ = info.Node;
    lastHintColumn_ = info.Column;
    lastHintText_ = info.Text;
    SetTreeState(tsHint);
}

void TBaseVirtualTree::CancelHint() {
    KillTimer(HintTimer);
    if (states_.Contains(tsHint)) HideHintWindow(this);
    SetTreeState(tsHint, false);
    lastHintNode_ = nullptr;
    lastHintColumn_ = NoColumn;
    lastHintText_.clear();
}

THintAnimationType TBaseVirtualTree::DoGetAnimationType() {
    if (hintAnimation_ != hatSystemDefault) return hintAnimation_;
    switch (DesktopHintAnimation()) {
        case THintAnimation::Fade:
            return hatFade;
        case THintAnimation::Slide:
            return hatSlide;
        default:
            return hatNone;
    }
}
