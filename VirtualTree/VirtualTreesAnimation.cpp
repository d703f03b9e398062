// The expand and collapse animation: the area below a toggled node's row scrolls open or shut
// over AnimationDuration, stepped by the control's AnimationTimer. The nodes take their new
// state at once; the picture of the old rows below the node (taken before the toggle) slides
// away from, or towards, the row until the last step shows the new state. The animation shows
// the view as it was: a scroll bar that the toggle brings or removes, or a scroll that comes
// with it, shows with the last step.
#include "VirtualTrees.h"
#include "VirtualTreesPaint.h"

#include <algorithm>

std::unique_ptr<TBaseVirtualTree::TToggleAnimation> TBaseVirtualTree::PrepareToggleAnimation(
    PVirtualNode node) {
    StopToggleAnimation();
    if (updateCount_ != 0 || animationDuration_ == 0 || !HandleAllocated() || !Visible() ||
        !TreeOptions().AnimationOptions().Contains(toAnimatedToggle) || !FullyVisible(node))
        return nullptr;
    const bool expanding = !HasState(node, vsExpanded);
    if (!expanding && states_.Contains(tsCollapsing)) return nullptr;
    // Expanding needs a shown node after this one for the area to open under.
    if (expanding && !GetNextVisibleNoInit(node)) return nullptr;
    const int rowBottom = geometry_.NodeTop(node) + OffsetY() + int(node->NodeHeight);
    // Nothing below the row shows; an expanding row must show itself (a collapsing one above
    // the window takes the rows in the window with it).
    if (rowBottom >= ClientHeight() || (expanding && rowBottom <= 0)) return nullptr;
    auto animation = std::make_unique<TToggleAnimation>();
    animation->Expanding = expanding;
    animation->RowBottom = rowBottom;
    animation->Subtree = int(node->TotalHeight) - int(node->NodeHeight);
    // The toggle may remove a scroll bar: the picture covers what the client area then holds.
    const int width = ClientWidth() + (ScrollBarVisible(sbVertical) ? ScrollBarExtent() : 0);
    const int height = ClientHeight() + (ScrollBarVisible(sbHorizontal) ? ScrollBarExtent() : 0);
    const int top = animation->AreaTop();
    animation->Before = TBitmap(width, height - top);
    const TRect window{-OffsetX(), top - OffsetY(), width - OffsetX(), height - OffsetY()};
    PaintTree(animation->Before.Canvas(), window, {0, 0}, NormalPaintOptions);
    return animation;
}

void TBaseVirtualTree::StartToggleAnimation(std::unique_ptr<TToggleAnimation> animation,
                                            PVirtualNode node, int lastOffsetY) {
    if (!animation) return;
    // Expanding: the children's height is known now.
    if (animation->Expanding) animation->Subtree = int(node->TotalHeight) - int(node->NodeHeight);
    animation->Height = std::min(animation->Subtree, ClientHeight() - animation->RowBottom);
    if (animation->Height <= 0) return;
    animation->ViewShift = OffsetY() - lastOffsetY;
    animation->Ticks = std::max(1, int(animationDuration_ / AnimationInterval));
    CancelHint();
    toggleAnimation_ = std::move(animation);
    SetTreeState(tsInAnimation);
    SetTimer(AnimationTimer, AnimationInterval);
}

void TBaseVirtualTree::ToggleAnimationStep() {
    if (!toggleAnimation_) {
        KillTimer(AnimationTimer);
        return;
    }
    TToggleAnimation& animation = *toggleAnimation_;
    if (++animation.Tick >= animation.Ticks) {
        StopToggleAnimation();
        return;
    }
    InvalidateRect({0, animation.AreaTop(), ClientWidth(), ClientHeight()});
}

void TBaseVirtualTree::StopToggleAnimation() {
    if (!toggleAnimation_) return;
    // The view the animation showed gives way to the current one.
    const int top = toggleAnimation_->ViewShift != 0 ? 0 : toggleAnimation_->AreaTop();
    toggleAnimation_.reset();
    KillTimer(AnimationTimer);
    SetTreeState(tsInAnimation, false);
    InvalidateRect({0, top, ClientWidth(), ClientHeight()});
}

void TBaseVirtualTree::PaintClientRect(TCanvas& canvas, const TRect& r, int shiftY) {
    if (r.IsEmpty()) return;
    TRect window = r;
    window.Offset(-geometry_.OffsetX(), -geometry_.OffsetY() + shiftY);
    PaintTree(canvas, window, {r.Left, r.Top}, NormalPaintOptions);
}

void TBaseVirtualTree::PaintToggleAnimation(TCanvas& canvas, const TRect& r) {
    const TToggleAnimation& a = *toggleAnimation_;
    const int bottom = ClientHeight();
    const int top = a.AreaTop();
    const int moved = a.Height * a.Tick / a.Ticks;
    const int view = a.ViewShift;
    auto band = [&r](int top, int bottomEdge) {
        return TRect{r.Left, std::max(r.Top, top), r.Right, std::min(r.Bottom, bottomEdge)};
    };
    auto drawBefore = [&](const TRect& part, int y) {
        if (part.IsEmpty()) return;
        canvas.SaveState();
        canvas.IntersectClipRect(part);
        canvas.Draw(0, y, a.Before);
        canvas.RestoreState();
    };
    PaintClientRect(canvas, band(r.Top, top), view);
    if (a.Expanding) {
        // The children come into the opening gap; the old rows below slide down.
        PaintClientRect(canvas, band(top, top + moved), view);
        drawBefore(band(top + moved, bottom), top + moved);
        return;
    }
    // The old rows slide up over the row's bottom edge (the window's top when the row lies
    // above it); from below come the rows after the subtree (background where the subtree
    // reached beyond the client area).
    drawBefore(band(top, bottom - moved), top - moved);
    const int firstAfter = a.RowBottom + a.Subtree - moved;  // client y where they start
    const TRect empty = band(bottom - moved, std::max(bottom - moved, firstAfter));
    if (!empty.IsEmpty()) {
        TVTRowPaintInfo info;
        info.Options = NormalPaintOptions;
        PaintBelowRows(canvas, empty, OffsetX(), {0, 0}, info);
    }
    PaintClientRect(canvas, band(std::max(bottom - moved, firstAfter), bottom),
                    moved - a.Subtree + view);
}
