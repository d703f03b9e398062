// A drop target: drag events, the choice of drop effect and auto-scrolling. Its tie to a
// window's drag events is the widget binding (DropTargetQt.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DropSource.h"
#include "platform/DropEffects.h"
#include "platform/Graphics.h"
#include "platform/KeyCodes.h"

// The drop effects a target accepts; each type is the bit of its effect.
enum TDragType : unsigned { dtCopy = 1, dtMove = 2, dtLink = 4 };
using TDragTypes = unsigned;

// The dragged data: its formats (MIME types) and their bytes.
class TDropData {
public:
    virtual ~TDropData() = default;
    virtual std::vector<std::string> Formats() const = 0;
    virtual bool HasFormat(const std::string& format) const = 0;
    virtual std::string Data(const std::string& format) const = 0;
};

// A target's tie to a window's drag events, made by the widget binding (RegisterDropTarget in
// DropTargetQt.h). The target releases it when it lets go of the window or goes; the binding
// tells the target (BindingGone) when the window goes first.
class TDropTargetBinding {
public:
    virtual ~TDropTargetBinding() = default;
    // Stops feeding the target, lets go of the window and frees the binding.
    virtual void Release() = 0;
};

using TDropTargetEvent =
    std::function<void(TObject* sender, TShiftState shift, TPoint point, int& effect)>;

// Drag events on the bound window become the target's events; the effect is chosen from the
// allowed effects, the keys and the accepted drag types; subclasses extract the data.
class TDropTarget : public TInterfacedComponent {
public:
    explicit TDropTarget(TComponent* owner = nullptr);
    ~TDropTarget() override;

    TDragTypes Dragtypes = 0;
    // Kept for form descriptions. Data is read at the drop: reading it while the drag
    // enters is a round trip to the source that can block for seconds.
    bool GetDataOnEnter = false;
    TDropTargetEvent OnEnter;
    TDropTargetEvent OnDragOver;
    TNotifyEvent OnLeave;
    TDropTargetEvent OnDrop;
    TDropTargetEvent OnGetDropEffect;
    // The drag image is drawn by the drag source on this platform; the flag is only kept.
    bool ShowImage = true;

    // Lets go of the window the target is bound to (nothing when it is bound to none).
    void Unregister();
    bool Registered() const { return binding_ != nullptr; }
    // For the binding: it now feeds the target (after letting go of the one before), or its
    // window went and it is gone.
    void Bind(TDropTargetBinding* binding);
    void BindingGone() { binding_ = nullptr; }
    TDropTargetBinding* Binding() const { return binding_; }

    // ---- The drag protocol (called by the widget binding; callable directly) ----
    int DragEnter(TDropData* data, TShiftState keys, TPoint point, int allowed);
    int DragOver(TShiftState keys, TPoint point, int allowed);
    void DragLeave();
    // A drop is accepted (effect, data extracted and kept aside) and then delivered to
    // OnDrop; a drop that yields no data is refused with DROPEFFECT_NONE. The binding
    // delivers after the drop has completed, so a modal handler does not hold the source.
    int AcceptDrop(TShiftState keys, TPoint point, int allowed);
    void DeliverDrop();
    int Drop(TShiftState keys, TPoint point, int allowed);  // both steps at once

    virtual int GetDropEffect(TShiftState keys, TPoint point, int allowed);
    // The source's preferred effect; no source on this platform offers one.
    virtual uint32_t PreferredDropEffect() { return 0; }

    // Auto-scrolling near the edges of a target with scroll bars (bit 0 horizontal, bit 1
    // vertical); the margin is the target's font height.
    void SetScrollSite(unsigned scrollBars, int margin, TSize client);
    bool ScrollTimerWanted(int effect) const;
    // Lines to scroll now, -1, 0 or 1 per axis, from the last point.
    TPoint AutoScrollLines() const;

protected:
    virtual void DoEnter(TShiftState shift, TPoint point, int& effect);
    virtual void DoDragOver(TShiftState shift, TPoint point, int& effect);
    virtual void DoDrop(TShiftState shift, TPoint point, int& effect);
    virtual void DoLeave();
    virtual bool GetData() = 0;
    virtual void ClearData() = 0;
    virtual bool HasValidFormats() = 0;
    // Between acceptance and delivery the extracted data waits aside, so a new drag cannot
    // overwrite it.
    virtual void StashData() {}
    virtual void UnstashData() {}
    TDropData* DataObject() const { return data_; }

private:
    TPoint LinesAt(TPoint point) const;

    TDropData* data_ = nullptr;
    TDropTargetBinding* binding_ = nullptr;
    TPoint lastPoint_;
    unsigned scrollBars_ = 0;
    int margin_ = 0;
    TSize client_;
    struct Pending {
        bool active = false;
        TShiftState shift = 0;
        TPoint point;
        int effect = DROPEFFECT_NONE;
    } pending_;
};
