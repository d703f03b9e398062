// The tree control's plain types: the node record, state flags, option sets, errors.
#pragma once

#include "platform/DropEffects.h"
#include "platform/Exceptions.h"
#include "platform/Graphics.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>

class TBaseVirtualTree;

// --- The node record ---------------------------------------------------------------------------

// One node of a tree. The tree allocates each node as one zero-filled block: this head, then the
// internal data areas of descendant classes, then the application's user data. A node keeps its
// address for its whole life; the tree owns it and frees it.
struct TVirtualNode {
    uint32_t Index;        // position among its siblings, from 0
    uint32_t ChildCount;   // number of children that exist
    uint16_t NodeHeight;   // row height in pixels
    uint16_t States;       // vs* flags
    uint8_t Align;         // position of lines, button and images in the row (50 for new nodes)
    uint8_t CheckState;    // TCheckState
    uint8_t CheckType;     // TCheckType
    uint8_t Dummy;         // keeps the following fields aligned
    uint32_t TotalCount;   // 1 + the number of all descendants
    uint32_t TotalHeight;  // NodeHeight + the visible children's TotalHeight when expanded
    TVirtualNode* Parent;  // the hidden root for top-level nodes; nullptr for the root itself
    TVirtualNode* PrevSibling;
    TVirtualNode* NextSibling;
    TVirtualNode* FirstChild;
    TVirtualNode* LastChild;
};
using PVirtualNode = TVirtualNode*;

// Node state flags (TVirtualNode::States).
enum : uint16_t {
    vsInitialized = 0x0001,  // OnInitNode has run
    vsChecking = 0x0002,     // a check-state change of this node is running
    vsCutOrCopy = 0x0004,    // marked by a cut or copy to the clipboard
    vsDisabled = 0x0008,
    vsDeleting = 0x0010,  // being deleted; unlinking skips the parent's bookkeeping
    vsExpanded = 0x0020,
    vsHasChildren = 0x0040,  // has children, or may get them on demand
    vsVisible = 0x0080,      // not hidden
    vsSelected = 0x0100,
    vsInitialUserData = 0x0200,  // AddChild stored an initial user-data pointer in it
    vsClearing = 0x0800,         // its children are being deleted as a whole
};

// The node's flags as the cache worker may be reading them: outside a mutation of structure,
// expansion or visibility (which stops the worker first), flags change through these.
inline uint16_t NodeStates(const TVirtualNode* node) {
    return std::atomic_ref<uint16_t>(const_cast<uint16_t&>(node->States))
        .load(std::memory_order_relaxed);
}
inline bool HasState(const TVirtualNode* node, uint16_t flags) {
    return (NodeStates(node) & flags) != 0;
}
inline void IncludeStates(TVirtualNode* node, uint16_t flags) {
    std::atomic_ref<uint16_t>(node->States).fetch_or(flags, std::memory_order_relaxed);
}
inline void ExcludeStates(TVirtualNode* node, uint16_t flags) {
    std::atomic_ref<uint16_t>(node->States).fetch_and(uint16_t(~flags), std::memory_order_relaxed);
}

// --- Sets of enumerations ----------------------------------------------------------------------

// A set of up to 64 elements of an enumeration: bit n stands for element n.
template <typename E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> elements) {
        for (E e : elements) bits_ |= Bit(e);
    }
    static constexpr TEnumSet FromBits(uint64_t bits) {
        TEnumSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr uint64_t Bits() const { return bits_; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Include(E e) { bits_ |= Bit(e); }
    constexpr void Exclude(E e) { bits_ &= ~Bit(e); }
    constexpr TEnumSet operator+(TEnumSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TEnumSet operator-(TEnumSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TEnumSet operator*(TEnumSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr TEnumSet operator+(E e) const { return FromBits(bits_ | Bit(e)); }
    constexpr TEnumSet operator-(E e) const { return FromBits(bits_ & ~Bit(e)); }
    constexpr TEnumSet& operator+=(TEnumSet o) {
        bits_ |= o.bits_;
        return *this;
    }
    constexpr TEnumSet& operator-=(TEnumSet o) {
        bits_ &= ~o.bits_;
        return *this;
    }
    constexpr TEnumSet& operator+=(E e) {
        bits_ |= Bit(e);
        return *this;
    }
    constexpr TEnumSet& operator-=(E e) {
        bits_ &= ~Bit(e);
        return *this;
    }
    friend constexpr bool operator==(TEnumSet a, TEnumSet b) { return a.bits_ == b.bits_; }

private:
    static constexpr uint64_t Bit(E e) { return uint64_t(1) << unsigned(e); }
    uint64_t bits_ = 0;
};

// --- Enumerations ------------------------------------------------------------------------------

using TColumnIndex = int32_t;
inline constexpr TColumnIndex NoColumn = -1;
inline constexpr TColumnIndex InvalidColumn = -2;

enum TVirtualNodeInitState { ivsDisabled, ivsExpanded, ivsHasChildren, ivsSelected };
using TVirtualNodeInitStates = TEnumSet<TVirtualNodeInitState>;

enum TChangeReason : uint8_t {
    crIgnore = 0,       // nothing to report
    crAccumulated = 1,  // several changes were recorded
    crChildAdded = 2,
    crChildDeleted = 3,
    crNodeAdded = 4,
    crNodeCopied = 5,
    crNodeMoved = 6,
};

enum TVTUpdateState { usBegin = 0, usUpdate = 3, usEnd = 4 };

enum TVTNodeAttachMode {
    amNoWhere,
    amInsertBefore,
    amInsertAfter,
    amAddChildFirst,
    amAddChildLast
};

enum TCheckType : uint8_t { ctNone, ctTriStateCheckBox, ctCheckBox, ctRadioButton, ctButton };
enum TCheckState : uint8_t {
    csUncheckedNormal,
    csUncheckedPressed,
    csCheckedNormal,
    csCheckedPressed,
    csMixedNormal,
    csMixedPressed,
};

enum TVTImageKind { ikNormal, ikSelected, ikState, ikOverlay };
enum TSortDirection { sdAscending, sdDescending };
// What OnBeforeItemErase leaves for the row: fill it with the item colour, or erase as usual.
enum TItemEraseAction { eaFillColor, eaDefault };
enum TDropMode { dmNowhere, dmAbove, dmOnNode, dmBelow };

enum TVTDragType { dtOLE, dtForms };
enum TVTDragImageKind { diComplete, diMainColumnOnly, diNoImage };
enum TDragOperation { doCopy, doMove, doLink };
using TDragOperations = TEnumSet<TDragOperation>;
enum TVTDrawSelectionMode { smDottedRectangle, smBlendedRectangle };
enum TVTIncrementalSearch { isAll, isNone, isInitializedOnly, isVisibleOnly };
enum TVTSearchDirection { sdForward, sdBackward };
enum TVTSearchStart { ssAlwaysStartOver, ssLastHit, ssFocusedNode };
enum TVTLineMode { lmNormal, lmBands };
enum TVTLineStyle { lsCustomStyle, lsDotted, lsSolid };
enum TVTNodeAlignment { naFromBottom, naFromTop, naProportional };
enum TVTButtonFillMode { fmTreeColor, fmWindowColor, fmShaded, fmTransparent };
enum TVTButtonStyle { bsRectangle, bsTriangle };
enum TCheckImageKind { ckLightCheck, ckDarkCheck, ckLightTick, ckDarkTick, ckFlat, ckXP, ckCustom };
enum TScrollBarStyle { sbmRegular, sbmFlat, sbm3D };

// Scroll update options of DoSetOffsetXY.
enum TScrollUpdateOption {
    suoRepaintHeader,
    suoRepaintScrollbars,
    suoScrollClientArea,
    suoUpdateNCArea
};
using TScrollUpdateOptions = TEnumSet<TScrollUpdateOption>;
inline constexpr TScrollUpdateOptions DefaultScrollUpdateFlags{
    suoRepaintHeader, suoRepaintScrollbars, suoScrollClientArea, suoUpdateNCArea};

// --- Option sets ---------------------------------------------------------------------------------

enum TVTPaintOption {
    toHideFocusRect,
    toHideSelection,
    toHotTrack,
    toPopupMode,
    toShowBackground,
    toShowButtons,
    toShowDropmark,
    toShowHorzGridLines,
    toShowRoot,
    toShowTreeLines,
    toShowVertGridLines,
    toThemeAware,
    toUseBlendedImages,
};
using TVTPaintOptions = TEnumSet<TVTPaintOption>;

enum TVTAnimationOption { toAnimatedToggle };
using TVTAnimationOptions = TEnumSet<TVTAnimationOption>;

enum TVTAutoOption {
    toAutoDropExpand,
    toAutoExpand,
    toAutoScroll,
    toAutoScrollOnExpand,
    toAutoSort,
    toAutoSpanColumns,
    toAutoTristateTracking,
    toAutoHideButtons,
    toAutoDeleteMovedNodes,
};
using TVTAutoOptions = TEnumSet<TVTAutoOption>;

enum TVTSelectionOption {
    toDisableDrawSelection,
    toExtendedFocus,
    toFullRowSelect,
    toLevelSelectConstraint,
    toMiddleClickSelect,
    toMultiSelect,
    toRightClickSelect,
    toSiblingSelectConstraint,
    toCenterScrollIntoView,
};
using TVTSelectionOptions = TEnumSet<TVTSelectionOption>;

enum TVTMiscOption {
    toAcceptOLEDrop,
    toCheckSupport,
    toEditable,
    toFullRepaintOnResize,
    toGridExtensions,
    toInitOnSave,
    toReportMode,
    toToggleOnDblClick,
    toWheelPanning,
};
using TVTMiscOptions = TEnumSet<TVTMiscOption>;

enum TVTStringOption { toSaveCaptions, toShowStaticText, toAutoAcceptEditChange };
using TVTStringOptions = TEnumSet<TVTStringOption>;

inline constexpr TVTPaintOptions DefaultPaintOptions{
    toShowButtons, toShowDropmark, toShowRoot, toShowTreeLines, toThemeAware, toUseBlendedImages};
inline constexpr TVTAnimationOptions DefaultAnimationOptions{};
inline constexpr TVTAutoOptions DefaultAutoOptions{toAutoDropExpand, toAutoScrollOnExpand,
                                                   toAutoTristateTracking, toAutoDeleteMovedNodes};
inline constexpr TVTSelectionOptions DefaultSelectionOptions{};
inline constexpr TVTMiscOptions DefaultMiscOptions{
    toAcceptOLEDrop, toFullRepaintOnResize, toInitOnSave, toToggleOnDblClick, toWheelPanning};
inline constexpr TVTStringOptions DefaultStringOptions{toSaveCaptions, toAutoAcceptEditChange};

// --- Painting ------------------------------------------------------------------------------------

// What PaintTree draws (bit n is the option's value 2^n).
enum TVTInternalPaintOption {
    poBackground,
    poColumnColor,
    poDrawFocusRect,
    poDrawSelection,
    poDrawDropMark,
    poGridLines,
    poMainColumnOnly,
    poSelectedOnly,
};
using TVTInternalPaintOptions = TEnumSet<TVTInternalPaintOption>;
inline constexpr TVTInternalPaintOptions NormalPaintOptions{
    poBackground, poColumnColor, poDrawFocusRect, poDrawSelection, poDrawDropMark, poGridLines};

// The tree line of one level of a row.
enum TVTLineType : uint8_t {
    ltNone,
    ltBottomRight,
    ltTopDown,
    ltTopDownRight,
    ltRight,
    ltTopRight,
    ltLeft,
    ltLeftBottom,
};

// --- Tree states ---------------------------------------------------------------------------------

enum TVirtualTreeState {
    tsChangePending,
    tsCollapsing,
    tsClearPending,
    tsClipboardFlushing,
    tsCopyPending,
    tsCutPending,
    tsDrawSelectionPending,
    tsDrawSelecting,
    tsEditing,
    tsEditPending,
    tsExpanding,
    tsHint,
    tsInAnimation,
    tsSearching,
    tsSearchPending,
    tsIterating,
    tsCheckPressPending,
    tsLeftButtonDown,
    tsMiddleButtonDown,
    tsNeedRootCountUpdate,
    tsOLEDragging,
    tsOLEDragPending,
    tsPainting,
    tsRightButtonDown,
    tsScrolling,
    tsScrollPending,
    tsSizing,
    tsStructureChangePending,
    tsSynchMode,
    tsThumbTracking,
    tsUpdating,
    tsUseThemes,
    tsFormsDragging,
    tsFormsDragPending,
    tsWheelPanning,
    tsWheelPanningByClick,
    tsWindowCreating,
    // The position cache's states; the tree keeps them apart, in a word the worker may write.
    tsValidationNeeded,
    tsValidating,
    tsStopValidation,
    tsUseCache,
};
using TVirtualTreeStates = TEnumSet<TVirtualTreeState>;

// --- Errors --------------------------------------------------------------------------------------

// A misuse of the tree; HelpContext is the error code (2000 to 2008).
class EVirtualTreeError : public Exception {
public:
    using Exception::Exception;
};

// A broken internal rule or a call the tree cannot take, with the place it was found.
class EVTAssertion : public std::logic_error {
public:
    EVTAssertion(const std::string& message, const char* file, int line)
        : std::logic_error(message), File(file), Line(line) {}
    std::string File;
    int Line;
};

[[noreturn]] void ShowError(const std::string& message, int helpContext);
[[noreturn]] void RaiseAssertion(const char* message, const char* file, int line);

// Checks stay on in every build: callers rely on the exceptions.
#define VT_ASSERT(condition, message)                                  \
    do {                                                               \
        if (!(condition)) RaiseAssertion(message, __FILE__, __LINE__); \
    } while (0)
