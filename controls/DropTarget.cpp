// A drop target: the drag protocol, the choice of drop effect and auto-scrolling.
#include "DropTarget.h"

#include <cstdlib>

TDropTarget::TDropTarget(TComponent* owner) : TInterfacedComponent(owner) {}

TDropTarget::~TDropTarget() {
    try {
        Unregister();
    } catch (...) {
    }
}

void TDropTarget::Bind(TDropTargetBinding* binding) {
    if (binding == binding_) return;
    Unregister();
    binding_ = binding;
}

void TDropTarget::Unregister() {
    TDropTargetBinding* binding = binding_;
    binding_ = nullptr;
    if (binding) binding->Release();
}

// ---- The drag protocol ------------------------------------------------------------------

int TDropTarget::DragEnter(TDropData* data, TShiftState keys, TPoint point, int allowed) {
    ClearData();
    data_ = data;
    lastPoint_ = point;
    if (!data_ || !HasValidFormats()) {
        data_ = nullptr;
        return DROPEFFECT_NONE;
    }
    if (GetDataOnEnter) GetData();
    int effect = GetDropEffect(keys, point, allowed);
    DoEnter(keys, point, effect);
    return effect;
}

int TDropTarget::DragOver(TShiftState keys, TPoint point, int allowed) {
    lastPoint_ = point;
    if (!data_) return DROPEFFECT_NONE;
    int effect = GetDropEffect(keys, point, allowed);
    DoDragOver(keys, point, effect);
    return effect;
}

void TDropTarget::DragLeave() {
    ClearData();
    data_ = nullptr;
    DoLeave();
}

int TDropTarget::AcceptDrop(TShiftState keys, TPoint point, int allowed) {
    if (!data_) return DROPEFFECT_NONE;
    lastPoint_ = point;
    int effect = GetDropEffect(keys, point, allowed) & ~DROPEFFECT_SCROLL;
    // A drop that yields nothing is refused rather than reported with empty data.
    const bool got = GetData();
    if (!got || effect == DROPEFFECT_NONE) {
        ClearData();
        data_ = nullptr;
        return DROPEFFECT_NONE;
    }
    pending_ = {true, keys, point, effect};
    StashData();
    ClearData();
    data_ = nullptr;
    return effect;
}

void TDropTarget::DeliverDrop() {
    if (!pending_.active) return;
    Pending p = pending_;
    pending_ = {};
    UnstashData();
    try {
        DoDrop(p.shift, p.point, p.effect);
    } catch (...) {
        ClearData();
        throw;
    }
    ClearData();
}

int TDropTarget::Drop(TShiftState keys, TPoint point, int allowed) {
    int effect = AcceptDrop(keys, point, allowed);
    if (effect != DROPEFFECT_NONE) DeliverDrop();
    return effect;
}

void TDropTarget::DoEnter(TShiftState shift, TPoint point, int& effect) {
    if (OnEnter) OnEnter(this, shift, point, effect);
}

void TDropTarget::DoDragOver(TShiftState shift, TPoint point, int& effect) {
    if (OnDragOver) OnDragOver(this, shift, point, effect);
}

void TDropTarget::DoDrop(TShiftState shift, TPoint point, int& effect) {
    if (OnDrop) OnDrop(this, shift, point, effect);
}

void TDropTarget::DoLeave() {
    if (OnLeave) OnLeave(this);
}

int TDropTarget::GetDropEffect(TShiftState keys, TPoint point, int allowed) {
    int effect = allowed & int(Dragtypes & (dtCopy | dtMove | dtLink));
    if (OnGetDropEffect) {
        OnGetDropEffect(this, keys, point, effect);
        return effect;
    }
    const bool shift = keys & ssShift, ctrl = keys & ssCtrl;
    if (shift && ctrl && (effect & DROPEFFECT_LINK))
        effect = DROPEFFECT_LINK;
    else if (shift && !ctrl && (effect & DROPEFFECT_MOVE))
        effect = DROPEFFECT_MOVE;
    else if (effect & DROPEFFECT_COPY)
        effect = DROPEFFECT_COPY;
    else if (effect & DROPEFFECT_MOVE)
        effect = DROPEFFECT_MOVE;
    else if (effect & DROPEFFECT_LINK)
        effect = DROPEFFECT_LINK;
    else
        effect = DROPEFFECT_NONE;
    TPoint lines = LinesAt(point);
    if (lines.X || lines.Y) effect |= DROPEFFECT_SCROLL;
    return effect;
}

// ---- Auto-scrolling ---------------------------------------------------------------------

void TDropTarget::SetScrollSite(unsigned scrollBars, int margin, TSize client) {
    scrollBars_ = scrollBars;
    margin_ = std::abs(margin);
    client_ = client;
}

bool TDropTarget::ScrollTimerWanted(int effect) const {
    return scrollBars_ != 0 && (effect & DROPEFFECT_SCROLL);
}

TPoint TDropTarget::AutoScrollLines() const {
    return LinesAt(lastPoint_);
}

TPoint TDropTarget::LinesAt(TPoint p) const {
    TPoint lines;
    if (scrollBars_ & 1) {
        if (p.X < margin_)
            lines.X = -1;
        else if (p.X > client_.cx - margin_)
            lines.X = 1;
    }
    if (scrollBars_ & 2) {
        if (p.Y < margin_)
            lines.Y = -1;
        else if (p.Y > client_.cy - margin_)
            lines.Y = 1;
    }
    return lines;
}
