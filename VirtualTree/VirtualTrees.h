// The virtual tree control: a tree and list whose content the application supplies through
// events. The control stores only the shape of the tree and a block of user data per node.
//
// Lifetime: destroying a tree fires OnFreeNode for its initialised nodes. A form whose handlers
// read its own members must clear (or stop handling) its trees in its own destructor, before
// those members are gone.
#pragma once

#include "VirtualTreesGeometry.h"
#include "VirtualTreesHeader.h"
#include "VirtualTreesLayout.h"
#include "VirtualTreesTypes.h"

#include "platform/Actions.h"
#include "platform/Classes.h"
#include "platform/ClipboardFormats.h"
#include "platform/Controls.h"
#include "platform/DataObject.h"
#include "platform/DesktopDrag.h"
#include "platform/EditControl.h"
#include "platform/FormDrag.h"
#include "platform/ImageList.h"
#include "platform/Menus.h"
#include "platform/Picture.h"
#include "platform/Streams.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class TBaseVirtualTree;
struct TVTRowPaintInfo;

// A read-only stream over bytes that stay the caller's (clipboard and drag payloads, a node's
// user-data chunk). Writing raises EStreamError.
class TReadOnlyMemoryStream : public TStream {
public:
    TReadOnlyMemoryStream(const uint8_t* data, int64_t size);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override { return size_; }
    void SetSize(int64_t newSize) override;

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t pos_ = 0;
};

// --- Options objects -------------------------------------------------------------------------

class TCustomVirtualTreeOptions {
public:
    explicit TCustomVirtualTreeOptions(TBaseVirtualTree* owner) : owner_(owner) {}
    virtual ~TCustomVirtualTreeOptions() = default;
    TCustomVirtualTreeOptions(const TCustomVirtualTreeOptions&) = delete;
    TCustomVirtualTreeOptions& operator=(const TCustomVirtualTreeOptions&) = delete;

    TBaseVirtualTree* Owner() const { return owner_; }
    TVTPaintOptions PaintOptions() const { return paint_; }
    TVTAnimationOptions AnimationOptions() const { return animation_; }
    TVTAutoOptions AutoOptions() const { return auto_; }
    TVTSelectionOptions SelectionOptions() const { return selection_; }
    TVTMiscOptions MiscOptions() const { return misc_; }
    void SetPaintOptions(TVTPaintOptions value);
    void SetAnimationOptions(TVTAnimationOptions value) { animation_ = value; }
    void SetAutoOptions(TVTAutoOptions value);
    void SetSelectionOptions(TVTSelectionOptions value);
    void SetMiscOptions(TVTMiscOptions value);

    // Copies the five sets through their setters, in the order paint, animation, auto,
    // selection, misc.
    virtual void Assign(const TCustomVirtualTreeOptions& source);

private:
    TBaseVirtualTree* owner_;
    TVTPaintOptions paint_ = DefaultPaintOptions;
    TVTAnimationOptions animation_ = DefaultAnimationOptions;
    TVTAutoOptions auto_ = DefaultAutoOptions;
    TVTSelectionOptions selection_ = DefaultSelectionOptions;
    TVTMiscOptions misc_ = DefaultMiscOptions;
};

class TCustomStringTreeOptions : public TCustomVirtualTreeOptions {
public:
    using TCustomVirtualTreeOptions::TCustomVirtualTreeOptions;
    TVTStringOptions StringOptions() const { return string_; }
    void SetStringOptions(TVTStringOptions value);
    void Assign(const TCustomVirtualTreeOptions& source) override;

private:
    TVTStringOptions string_ = DefaultStringOptions;
};

class TStringTreeOptions : public TCustomStringTreeOptions {
public:
    using TCustomStringTreeOptions::TCustomStringTreeOptions;
};

// --- Colours, scroll-bar options, clipboard formats ------------------------------------------

class TVTColors {
public:
    enum Index {
        DisabledColor,
        DropMarkColor,
        DropTargetColor,
        FocusedSelectionColor,
        GridLineColor,
        TreeLineColor,
        UnfocusedSelectionColor,
        BorderColor,
        HotColor,
        FocusedSelectionBorderColor,
        UnfocusedSelectionBorderColor,
        DropTargetBorderColor,
        SelectionRectangleBlendColor,
        SelectionRectangleBorderColor,
        Count
    };
    explicit TVTColors(TBaseVirtualTree* owner);
    TColor Color(Index index) const { return colors_[index]; }
    void SetColor(Index index, TColor value);
    void Assign(const TVTColors& source);

private:
    TBaseVirtualTree* owner_;
    TColor colors_[Count];
};

class TScrollBarOptions {
public:
    explicit TScrollBarOptions(TBaseVirtualTree* owner) : owner_(owner) {}
    bool AlwaysVisible() const { return alwaysVisible_; }
    void SetAlwaysVisible(bool value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    TScrollBarStyle ScrollBarStyle() const { return style_; }
    // Only sbmRegular is supported; other styles raise and are not stored.
    void SetScrollBarStyle(TScrollBarStyle value);
    uint16_t HorizontalIncrement() const { return horizontalIncrement_; }
    void SetHorizontalIncrement(uint16_t value) { horizontalIncrement_ = value; }
    uint16_t VerticalIncrement() const { return verticalIncrement_; }
    void SetVerticalIncrement(uint16_t value) { verticalIncrement_ = value; }
    void Assign(const TScrollBarOptions& source);

private:
    TBaseVirtualTree* owner_;
    bool alwaysVisible_ = false;
    TScrollStyle scrollBars_ = ssBoth;
    TScrollBarStyle style_ = sbmRegular;
    uint16_t horizontalIncrement_ = 20;
    uint16_t verticalIncrement_ = 20;
};

// The clipboard formats a tree offers; only names the tree's class accepts are added.
class TClipboardFormats : public TStringList {
public:
    explicit TClipboardFormats(TBaseVirtualTree* owner) : owner_(owner) {}
    int Add(const std::string& name) override;
    void Insert(int index, const std::string& name) override;
    TBaseVirtualTree* Owner() const { return owner_; }

private:
    TBaseVirtualTree* owner_;
};

// --- Editing and hints -------------------------------------------------------------------------

// How the tree's hints are found: the control's hint, the node's hint (with the control's
// hint over empty space), the node's hint alone, or a cell's whole text over a cut-off cell.
enum TVTHintMode { hmDefault, hmHint, hmHintAndDefault, hmTooltip };
enum THintAnimationType { hatNone, hatFade, hatSlide, hatSystemDefault };

// The editor that edits a node's cell in place.
class IVTEditLink {
public:
    virtual ~IVTEditLink() = default;
    virtual bool BeginEdit() = 0;
    virtual bool CancelEdit() = 0;
    virtual bool EndEdit() = 0;
    virtual bool PrepareEdit(TBaseVirtualTree* tree, PVirtualNode node, TColumnIndex column) = 0;
    virtual TRect GetBounds() = 0;
    // Passes an event on to the editor control.
    virtual void ProcessMessage(const TEditMessage& message) = 0;
    virtual void SetBounds(const TRect& r) = 0;
};
using PVTEditLink = std::shared_ptr<IVTEditLink>;

// --- Events --------------------------------------------------------------------------------------

using TVTInitNodeEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode parentNode, PVirtualNode node,
                       TVirtualNodeInitStates& initialStates)>;
using TVTInitChildrenEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, uint32_t& childCount)>;
using TVTFreeNodeEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node)>;
using TVTChangeEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node)>;
using TVTStructureChangeEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, TChangeReason reason)>;
using TVTGetNodeDataSizeEvent = std::function<void(TBaseVirtualTree* sender, int& nodeDataSize)>;
using TVTUpdatingEvent = std::function<void(TBaseVirtualTree* sender, TVTUpdateState state)>;
using TVTChangingEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, bool& allowed)>;
using TVTCheckChangingEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node,
                                                 TCheckState& newState, bool& allowed)>;
using TVTFocusChangingEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode oldNode, PVirtualNode newNode,
                       TColumnIndex oldColumn, TColumnIndex newColumn, bool& allowed)>;
using TVTFocusChangeEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex column)>;
using TVTHotNodeChangeEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode oldNode, PVirtualNode newNode)>;
using TVTGetImageEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, TVTImageKind kind,
                       TColumnIndex column, bool& ghosted, int& imageIndex)>;
using TVTPaintEvent = std::function<void(TBaseVirtualTree* sender, TCanvas& targetCanvas)>;
using TVTBeforeItemEraseEvent =
    std::function<void(TBaseVirtualTree* sender, TCanvas& targetCanvas, PVirtualNode node,
                       const TRect& itemRect, TColor& itemColor, TItemEraseAction& eraseAction)>;
using TVTAfterItemEraseEvent = std::function<void(TBaseVirtualTree* sender, TCanvas& targetCanvas,
                                                  PVirtualNode node, const TRect& itemRect)>;
using TVTBeforeItemPaintEvent =
    std::function<void(TBaseVirtualTree* sender, TCanvas& targetCanvas, PVirtualNode node,
                       const TRect& itemRect, bool& customDraw)>;
using TVTAfterItemPaintEvent = TVTAfterItemEraseEvent;
using TVTCellPaintEvent =
    std::function<void(TBaseVirtualTree* sender, TCanvas& targetCanvas, PVirtualNode node,
                       TColumnIndex column, TRect cellRect)>;
using TVTBackgroundPaintEvent = std::function<void(TBaseVirtualTree* sender, TCanvas& targetCanvas,
                                                   const TRect& r, bool& handled)>;
using TVTColumnClickEvent =
    std::function<void(TBaseVirtualTree* sender, TColumnIndex column, TShiftState shift)>;
using TVTHeaderNotifyEvent = std::function<void(TVTHeader* sender, TColumnIndex column)>;
using TVTHeaderClickEvent = std::function<void(
    TVTHeader* sender, TColumnIndex column, TMouseButton button, TShiftState shift, int x, int y)>;
using TVTHeaderMouseEvent =
    std::function<void(TVTHeader* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TVTHeaderMouseMoveEvent =
    std::function<void(TVTHeader* sender, TShiftState shift, int x, int y)>;
using TVTHeaderDraggingEvent =
    std::function<void(TVTHeader* sender, TColumnIndex column, bool& allowed)>;
using TVTHeaderDraggedEvent =
    std::function<void(TVTHeader* sender, TColumnIndex column, int oldPosition)>;
using TVTHeaderPaintEvent =
    std::function<void(TVTHeader* sender, TCanvas& headerCanvas, TVirtualTreeColumn& column,
                       const TRect& r, bool hover, bool pressed, TVTDropMarkMode dropMark)>;
using TVTGetHeaderCursorEvent = std::function<void(TVTHeader* sender, TCursor& cursor)>;
using TVTGetCursorEvent = std::function<void(TBaseVirtualTree* sender, TCursor& cursor)>;
// An 8 x 8 pattern of tree and grid lines: row y mod 8, bit 7 - (x mod 8); a set bit is drawn
// in the line's colour (window coordinates, so pieces of a line join up).
using TVTLinePattern = std::array<uint8_t, 8>;
using TVTGetLineStyleEvent = std::function<void(TBaseVirtualTree* sender, TVTLinePattern& bits)>;
using TVTPopupEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex column, TPoint p,
                       bool& askParent, TPopupMenu*& popupMenu)>;
using TVTHelpContextEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node,
                                               TColumnIndex column, int& helpContext)>;
using TVTKeyActionEvent = std::function<void(TBaseVirtualTree* sender, uint16_t& charCode,
                                             TShiftState& shift, bool& doDefault)>;
using TVTIncrementalSearchEvent = std::function<void(
    TBaseVirtualTree* sender, PVirtualNode node, const std::u16string& searchText, int& result)>;
using TVTCompareEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node1,
                                           PVirtualNode node2, TColumnIndex column, int& result)>;
using TVTScrollEvent = std::function<void(TBaseVirtualTree* sender, int deltaX, int deltaY)>;
using TVTEditChangingEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node,
                                                TColumnIndex column, bool& allowed)>;
using TVTCreateEditorEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node,
                                                TColumnIndex column, PVTEditLink& editLink)>;
using TVTEditChangeEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex column)>;
using TVTEditCancelEvent = std::function<void(TBaseVirtualTree* sender, TColumnIndex column)>;
using TVTDragAllowedEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node,
                                               TColumnIndex column, bool& allowed)>;
using TVTNodeCopyingEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node,
                                               PVirtualNode newParent, bool& allowed)>;
using TVTNodeCopiedEvent = std::function<void(TBaseVirtualTree* sender, PVirtualNode node)>;
using TVTSaveNodeEvent =
    std::function<void(TBaseVirtualTree* sender, PVirtualNode node, TStream& stream)>;

// --- Beep ----------------------------------------------------------------------------------------

// The trees' beep (a search that finds nothing): counted, then handed to the handler the
// program installs (none: silent).
void SetTreeBeepHandler(std::function<void()> handler);
int TreeBeepCount();
void TreeBeep();

// --- Hit testing ---------------------------------------------------------------------------------

enum : uint32_t {
    hiAbove = 0x0001,           // above the content
    hiBelow = 0x0002,           // below the content
    hiNowhere = 0x0004,         // no node, or no column at that point
    hiOnItem = 0x0008,          // on a node's row
    hiOnItemButton = 0x0010,    // its expand button
    hiOnItemCheckbox = 0x0020,  // its check box
    hiOnItemIndent = 0x0040,    // the indentation
    hiOnItemLabel = 0x0080,     // the text
    hiOnItemLeft = 0x0100,      // left of the text
    hiOnItemRight = 0x0200,     // right of the text
    hiOnNormalIcon = 0x0400,
    hiOnStateIcon = 0x0800,
    hiToLeft = 0x1000,   // left of the content
    hiToRight = 0x2000,  // right of the content
};
struct THitInfo {
    PVirtualNode HitNode = nullptr;
    uint32_t HitPositions = 0;
    TColumnIndex HitColumn = NoColumn;  // InvalidColumn: no column at that point
};

// --- Drag and drop
// --------------------------------------------------------------------------------

class TVTDragImage;  // the picture that follows the cursor (VirtualTreesDragImage.h)
struct TVTDragParts;
// Where a drag may scroll the view.
enum TVTScrollDirection { dirLeft, dirUp, dirRight, dirDown };
using TVTScrollDirections = TEnumSet<TVTScrollDirection>;
using TVTDragOverEvent =
    std::function<void(TBaseVirtualTree* sender, TObject* source, TShiftState shift,
                       TDragState state, TPoint pt, TDropMode mode, int& effect, bool& accept)>;
using TVTDragDropEvent =
    std::function<void(TBaseVirtualTree* sender, TObject* source, TDataObject* dataObject,
                       const std::vector<TClipFormat>& formats, TShiftState shift, TPoint pt,
                       int& effect, TDropMode mode)>;

// What a tree's desktop drags go through: the data object a drag of its selection carries, and
// the drop target the desktop calls while something is dragged over the tree (while
// toAcceptOLEDrop is set). The tree makes its own (TVTDragManager) at its first drag unless
// OnCreateDragManager gives one then.
class IVTDragManager : public TDesktopDropTarget {
public:
    // The data object of the drag over the tree; when none, the one a drag of the tree's
    // selection carries (CreateDataObject(false)).
    virtual PDataObject DataObject() = 0;
    // The tree of this program the data over the tree comes from, else nullptr.
    virtual TBaseVirtualTree* DragSource() const = 0;
    // Whether a drag is over the tree: from its enter to its drop or leave.
    virtual bool IsDropTarget() const = 0;
};
using PVTDragManager = std::shared_ptr<IVTDragManager>;
using TVTCreateDragManagerEvent =
    std::function<void(TBaseVirtualTree* sender, PVTDragManager& dragManager)>;

// --- The tree ------------------------------------------------------------------------------------

class TBaseVirtualTree : public TCustomControl, public TActionTarget {
public:
    explicit TBaseVirtualTree(TComponent* owner = nullptr);
    ~TBaseVirtualTree() override;

    // ===== Node store =====
    PVirtualNode RootNode() const { return store_.Root(); }
    static TBaseVirtualTree* TreeFromNode(PVirtualNode node);
    PVirtualNode AddChild(PVirtualNode parent, void* userData = nullptr);
    uint32_t ChildCount(PVirtualNode node) const { return (node ? node : Root())->ChildCount; }
    void SetChildCount(PVirtualNode node, uint32_t newCount);
    uint32_t RootNodeCount() const { return Root()->ChildCount; }
    void SetRootNodeCount(uint32_t value);
    int NodeDataSize() const { return store_.NodeDataSize(); }
    void SetNodeDataSize(int value);
    uint32_t InternalDataSize() const { return store_.InternalDataSize(); }
    // Reserves size bytes in every node for a descendant class; returns the area's offset from
    // the node's start. Only before the first node exists.
    uint32_t AllocateInternalDataArea(uint32_t size);
    void DeleteNode(PVirtualNode node);
    void DeleteChildren(PVirtualNode node, bool resetHasChildren = false);
    void InitNode(PVirtualNode node);
    void InitChildren(PVirtualNode node);
    void ValidateNode(PVirtualNode node, bool recursive);
    void ValidateChildren(PVirtualNode node, bool recursive);
    virtual void ReinitNode(PVirtualNode node, bool recursive);
    virtual void ReinitChildren(PVirtualNode node, bool recursive);
    virtual void ResetNode(PVirtualNode node);
    // The node's user data, nullptr for nil and the root.
    void* GetNodeData(PVirtualNode node) const { return store_.NodeData(node); }
    // The user data as T, which must be trivially copyable and fit into NodeDataSize.
    template <typename T>
    T* GetNodeData(PVirtualNode node) const {
        static_assert(std::is_trivially_copyable_v<T>,
                      "node data is raw memory: keep only trivially copyable types in it");
        void* data = GetNodeData(node);
        if (data && int(sizeof(T)) > store_.NodeDataSize())
            RaiseAssertion("Node data type is larger than NodeDataSize.", __FILE__, __LINE__);
        return static_cast<T*>(data);
    }
    uint32_t VisibleCount() const { return store_.VisibleCount(); }
    uint32_t TotalCount() const { return Root()->TotalCount - 1; }

    // Relations.
    bool FullyVisible(PVirtualNode node) const;
    bool VisiblePath(PVirtualNode node) const;
    uint32_t CountVisibleChildren(PVirtualNode node) const;
    uint32_t GetNodeLevel(PVirtualNode node) const;
    bool HasAsParent(PVirtualNode node, PVirtualNode potentialParent) const;
    PVirtualNode GetVisibleParent(PVirtualNode node) const;
    int LevelDelta(PVirtualNode node1, PVirtualNode node2) const;
    int CompareNodePositions(PVirtualNode node1, PVirtualNode node2) const;

    // Navigation; the NoInit forms leave uninitialised nodes as they are.
    PVirtualNode GetFirst();
    PVirtualNode GetFirstNoInit() const;
    PVirtualNode GetFirstChild(PVirtualNode node);
    PVirtualNode GetFirstChildNoInit(PVirtualNode node) const;
    PVirtualNode GetFirstInitialized() const;
    PVirtualNode GetNextInitialized(PVirtualNode node) const;
    PVirtualNode GetFirstSelected() const;
    PVirtualNode GetNextSelected(PVirtualNode node) const;
    PVirtualNode GetFirstCutCopy() const;
    PVirtualNode GetNextCutCopy(PVirtualNode node) const;
    PVirtualNode GetFirstVisible();
    PVirtualNode GetFirstVisibleNoInit() const;
    PVirtualNode GetFirstVisibleChild(PVirtualNode node);
    PVirtualNode GetNext(PVirtualNode node);
    PVirtualNode GetNextNoInit(PVirtualNode node) const;
    PVirtualNode GetNextSibling(PVirtualNode node) const;
    PVirtualNode GetNextVisible(PVirtualNode node);
    PVirtualNode GetNextVisibleNoInit(PVirtualNode node) const;
    PVirtualNode GetNextVisibleSibling(PVirtualNode node);
    PVirtualNode GetLast(PVirtualNode node = nullptr);
    PVirtualNode GetLastNoInit(PVirtualNode node = nullptr) const;
    PVirtualNode GetLastChild(PVirtualNode node);
    PVirtualNode GetLastChildNoInit(PVirtualNode node) const;
    PVirtualNode GetLastVisible(PVirtualNode node = nullptr);
    PVirtualNode GetLastVisibleChild(PVirtualNode node);
    PVirtualNode GetPrevious(PVirtualNode node);
    PVirtualNode GetPreviousNoInit(PVirtualNode node) const;
    PVirtualNode GetPreviousSibling(PVirtualNode node) const;
    PVirtualNode GetPreviousVisible(PVirtualNode node);
    PVirtualNode GetPreviousVisibleNoInit(PVirtualNode node) const;
    PVirtualNode GetPreviousVisibleSibling(PVirtualNode node);

    // ===== Tree object =====
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    virtual void Clear();
    bool HasTreeState(TVirtualTreeState state) const;

    TCustomVirtualTreeOptions& TreeOptions();
    const TCustomVirtualTreeOptions& TreeOptions() const {
        return const_cast<TBaseVirtualTree*>(this)->TreeOptions();
    }
    TVTHeader& Header();
    TVTColors& Colors() { return *colors_; }
    TScrollBarOptions& ScrollBarOptions() { return *scrollBarOptions_; }
    TClipboardFormats& ClipboardFormats() { return *clipboardFormats_; }
    void SetClipboardFormats(const TStrings& names);
    // Maps stored legacy option names ("voShowRoot", ...) onto the five option sets, which are
    // emptied first; unknown names are skipped.
    void ApplyLegacyOptions(const std::vector<std::string>& names);
    // Copies the properties of another tree.
    void Assign(TBaseVirtualTree& source);
    // The standard edit actions: cut, copy and paste through the clipboard, delete the
    // selected nodes, select all. Cut, copy and delete are enabled with a selection, paste
    // always, select all with toMultiSelect and shown nodes.
    bool ExecuteAction(TBasicAction& action) override;
    bool UpdateAction(TBasicAction& action) override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    uint32_t AnimationDuration() const { return animationDuration_; }
    void SetAnimationDuration(uint32_t value);
    uint32_t AutoExpandDelay() const { return autoExpandDelay_; }
    void SetAutoExpandDelay(uint32_t value) { autoExpandDelay_ = value; }
    uint32_t AutoScrollDelay() const { return autoScrollDelay_; }
    void SetAutoScrollDelay(uint32_t value) { autoScrollDelay_ = value; }
    uint32_t AutoScrollInterval() const { return autoScrollInterval_; }
    void SetAutoScrollInterval(uint32_t value) { autoScrollInterval_ = value; }
    // A picture tiled under the rows with toShowBackground; it stays in place while the rows
    // scroll, a tile's corner at (BackgroundOffsetX, BackgroundOffsetY) of the client area.
    TPicture& Background() { return background_; }
    void SetBackground(const TPicture& picture) { background_.Assign(picture); }
    int BackgroundOffsetX() const { return backgroundOffsetX_; }
    void SetBackgroundOffsetX(int value);
    int BackgroundOffsetY() const { return backgroundOffsetY_; }
    void SetBackgroundOffsetY(int value);
    TVTButtonFillMode ButtonFillMode() const { return buttonFillMode_; }
    void SetButtonFillMode(TVTButtonFillMode value);
    TVTButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TVTButtonStyle value);
    uint32_t ChangeDelay() const { return changeDelay_; }
    void SetChangeDelay(uint32_t value) { changeDelay_ = value; }
    TCheckImageKind CheckImageKind() const { return checkImageKind_; }
    void SetCheckImageKind(TCheckImageKind value);
    TCustomImageList* CheckImages() const { return checkImages_; }
    TCustomImageList* CustomCheckImages() const { return customCheckImagesLink_.Sender(); }
    void SetCustomCheckImages(TCustomImageList* value);
    uint32_t DefaultNodeHeight() const { return geometry_.DefaultNodeHeight(); }
    void SetDefaultNodeHeight(uint32_t value);
    TVTNodeAttachMode DefaultPasteMode() const { return defaultPasteMode_; }
    void SetDefaultPasteMode(TVTNodeAttachMode value) { defaultPasteMode_ = value; }
    int DragHeight() const { return dragHeight_; }
    void SetDragHeight(int value) { dragHeight_ = value; }
    int DragWidth() const { return dragWidth_; }
    void SetDragWidth(int value) { dragWidth_ = value; }
    TVTDragImageKind DragImageKind() const { return dragImageKind_; }
    void SetDragImageKind(TVTDragImageKind value) { dragImageKind_ = value; }
    TDragOperations DragOperations() const { return dragOperations_; }
    void SetDragOperations(TDragOperations value) { dragOperations_ = value; }
    TVTDragType DragType() const { return dragType_; }
    void SetDragType(TVTDragType value) { dragType_ = value; }
    TVTDrawSelectionMode DrawSelectionMode() const { return drawSelectionMode_; }
    void SetDrawSelectionMode(TVTDrawSelectionMode value) { drawSelectionMode_ = value; }
    uint32_t EditDelay() const { return editDelay_; }
    void SetEditDelay(uint32_t value) { editDelay_ = value; }
    TCursor HotCursor() const { return hotCursor_; }
    void SetHotCursor(TCursor value) {
        hotCursor_ = value;
        UpdateCursor();
    }
    TCustomImageList* Images() const { return imagesLink_.Sender(); }
    void SetImages(TCustomImageList* value);
    TCustomImageList* StateImages() const { return stateImagesLink_.Sender(); }
    void SetStateImages(TCustomImageList* value);
    TVTIncrementalSearch IncrementalSearch() const { return incrementalSearch_; }
    void SetIncrementalSearch(TVTIncrementalSearch value);
    TVTSearchDirection IncrementalSearchDirection() const { return searchDirection_; }
    void SetIncrementalSearchDirection(TVTSearchDirection value) { searchDirection_ = value; }
    TVTSearchStart IncrementalSearchStart() const { return searchStart_; }
    void SetIncrementalSearchStart(TVTSearchStart value) { searchStart_ = value; }
    uint32_t IncrementalSearchTimeout() const { return searchTimeout_; }
    void SetIncrementalSearchTimeout(uint32_t value) { searchTimeout_ = value; }
    uint32_t Indent() const { return indent_; }
    void SetIndent(uint32_t value);
    TVTLineMode LineMode() const { return lineMode_; }
    void SetLineMode(TVTLineMode value);
    TVTLineStyle LineStyle() const { return lineStyle_; }
    // Rebuilds the line pattern (lsCustomStyle asks OnGetLineStyle) and repaints.
    void SetLineStyle(TVTLineStyle value);
    // The pattern lines are drawn with: alternating dots, every pixel, or OnGetLineStyle's.
    const TVTLinePattern& LinePattern() const { return linePattern_; }
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int TextMargin() const { return textMargin_; }
    void SetTextMargin(int value);
    TVTNodeAlignment NodeAlignment() const { return nodeAlignment_; }
    void SetNodeAlignment(TVTNodeAlignment value);
    uint32_t SelectionCurveRadius() const { return selectionCurveRadius_; }
    void SetSelectionCurveRadius(uint32_t value);
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value) { wantTabs_ = value; }
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);
    // Loading a stored description: RootNodeCount is applied in Loaded.
    void BeginLoad() { loading_ = true; }
    virtual void Loaded();
    bool Loading() const { return loading_; }

    // ===== Selection and focus =====
    bool Selected(PVirtualNode node) const { return node && HasState(node, vsSelected); }
    void SetSelected(PVirtualNode node, bool value);
    uint32_t SelectionCount() const { return selectionCount_; }
    void AddToSelection(PVirtualNode node);
    void AddToSelection(const std::vector<PVirtualNode>& nodes, bool forceInsert = false);
    void RemoveFromSelection(PVirtualNode node);
    void ClearSelection();
    void ResetRangeAnchor();
    PVirtualNode RangeAnchor() const { return rangeAnchor_; }
    std::vector<PVirtualNode> GetSortedSelection(bool trueSelection) const;
    // Selects every shown node from start (nil: the first top-level node) to end in one step;
    // unless addOnly the rest is deselected first. The range anchor stays.
    void SelectNodes(PVirtualNode startNode, PVirtualNode endNode, bool addOnly);
    // Flips the selection of the shown nodes between the two (the ends only beyond the anchor).
    void ToggleSelection(PVirtualNode startNode, PVirtualNode endNode);
    // Every unselected node (every shown one when visibleOnly); only with toMultiSelect.
    void SelectAll(bool visibleOnly);
    // Deletes the selected nodes (a selected node's selected descendants go with it).
    void DeleteSelectedNodes();
    PVirtualNode FocusedNode() const { return focusedNode_; }
    void SetFocusedNode(PVirtualNode node);
    TColumnIndex FocusedColumn() const { return focusedColumn_; }
    void SetFocusedColumn(TColumnIndex value);
    PVirtualNode HotNode() const { return hotNode_; }
    // The check node under the mouse (shown hot), kept by the mouse handling.
    void SetCheckNode(PVirtualNode node) { checkNode_ = node; }

    // ===== Check boxes =====
    TCheckState CheckState(PVirtualNode node) const {
        return node ? TCheckState(node->CheckState) : csUncheckedNormal;
    }
    void SetCheckState(PVirtualNode node, TCheckState value);
    TCheckType CheckType(PVirtualNode node) const {
        return node ? TCheckType(node->CheckType) : ctNone;
    }
    void SetCheckType(PVirtualNode node, TCheckType value);
    // The state a click or the space bar gives a box of this kind in this state.
    static TCheckState DetermineNextCheckState(TCheckType checkType, TCheckState checkState);
    // The index into the check image list for the node's box, -1 for none.
    virtual int GetCheckImage(PVirtualNode node);
    PVirtualNode DropTargetNode() const { return dropTargetNode_; }

    // ===== Geometry, expansion, scrolling =====
    int OffsetX() const { return geometry_.OffsetX(); }
    int OffsetY() const { return geometry_.OffsetY(); }
    void SetOffsetX(int value);
    void SetOffsetY(int value);
    TPoint OffsetXY() const { return {geometry_.OffsetX(), geometry_.OffsetY()}; }
    void SetOffsetXY(TPoint value);
    int RangeX() const { return geometry_.RangeX(); }
    int RangeY() const { return geometry_.RangeY(); }
    PVirtualNode GetNodeAt(int x, int y);
    // What lies at (x, y): client coordinates when relative, else content coordinates. The
    // row layout of painting decides the parts of a row.
    void GetHitTestInfoAt(int x, int y, bool relative, THitInfo& hit);
    PVirtualNode GetNodeAt(int x, int y, bool relative, int& nodeTop);
    TRect GetDisplayRect(PVirtualNode node, TColumnIndex column, bool textOnly,
                         bool unclipped = false);
    int GetMaxRightExtend();
    // The layout of a node's cell (row coordinates as given by cell): images and text.
    TVTCellLayout LayoutCell(PVirtualNode node, TColumnIndex column, const TRect& cell,
                             bool unclipped = false);
    // The width a column needs to show every shown node's cell whole.
    int GetMaxColumnWidth(TColumnIndex column);
    bool Expanded(PVirtualNode node) const { return node && HasState(node, vsExpanded); }
    void SetExpanded(PVirtualNode node, bool value);
    void ToggleNode(PVirtualNode node);
    virtual void FullExpand(PVirtualNode node = nullptr);
    virtual void FullCollapse(PVirtualNode node = nullptr);
    bool ScrollIntoView(PVirtualNode node, bool center, bool horizontally = false);
    PVirtualNode TopNode();
    void SetTopNode(PVirtualNode node);
    void UpdateHorizontalScrollBar(bool doRepaint);
    void UpdateVerticalScrollBar(bool doRepaint);
    void UpdateScrollBars(bool doRepaint);
    virtual void InvalidateNode(PVirtualNode node);
    void InvalidateColumn(TColumnIndex column);
    void RepaintNode(PVirtualNode node);
    void InvalidateToBottom(PVirtualNode node);
    void InvalidateChildren(PVirtualNode node, bool recursive);

    // ===== Position cache =====
    void InvalidateCache();
    void ValidateCache();
    void InterruptValidation();
    // Waits until no cache validation of this tree is queued or running; false when the time
    // ran out first. For tools and tests that need the finished cache.
    bool WaitForCacheValidation(int timeoutMs = 10000);
    using TCacheEntry = TVirtualTreeGeometry::TCacheEntry;
    // The entries of a usable cache (empty otherwise).
    std::vector<TCacheEntry> PositionCache() const;
    // Whether the shared worker thread runs (while any tree exists).
    static bool WorkerRunning();

    // ===== Painting =====
    // Paints the content area window (content coordinates) with its top-left corner at target
    // on the canvas.
    void PaintTree(TCanvas& canvas, const TRect& window, TPoint target,
                   TVTInternalPaintOptions options);
    // The image index the application gives a node's cell (-1: none).
    int GetImageIndex(PVirtualNode node, TVTImageKind kind, TColumnIndex column, bool& ghosted);
    // Where the rubber band is while a selection rectangle is drawn (content coordinates).
    TRect SelectionRectangle() const { return selectionRect_; }

    // ===== Streams =====
    // Writes the node (nil: every top-level node) with its subtree in the tree format.
    virtual void SaveToStream(TStream& stream, PVirtualNode node = nullptr);
    // Replaces the tree by the stream's nodes. The header is checked before anything changes;
    // nodes read before an error in a record stay.
    virtual void LoadFromStream(TStream& stream);
    virtual void LoadFromFile(const std::string& fileName);
    // Moves source (or only its children, in order) to target by mode, within this tree or
    // into target's tree (nil target: first top-level node here).
    void MoveTo(PVirtualNode source, PVirtualNode target, TVTNodeAttachMode mode,
                bool childrenOnly);

    // ===== Clipboard and data objects =====
    using TVTGetUserClipboardFormatsEvent =
        std::function<void(TBaseVirtualTree* sender, std::vector<TClipFormat>& formats)>;
    // Result starts as E_FAIL (nothing rendered); a handler that fills data sets it to 0.
    using TVTRenderOLEDataEvent =
        std::function<void(TBaseVirtualTree* sender, TClipFormat format, bool forClipboard,
                           std::string& data, int& result)>;
    // The formats the tree offers: its class's formats in priority order, then what
    // OnGetUserClipboardFormats adds.
    virtual std::vector<TClipFormat> GetNativeClipboardFormats();
    // Renders one format of the tree's data object from the topmost nodes of the cut/copy set
    // (forClipboard) or of the selection (a drag). "Virtual Tree Data" is a u32 byte count and
    // the node records; other formats go to OnRenderOLEData. False when nothing was rendered.
    virtual bool RenderOLEData(TClipFormat format, bool forClipboard, std::string& data);
    // A data object of the tree's formats and a reference to the tree, rendered on request;
    // for a drag OnCreateDataObject may supply its own instead.
    PDataObject CreateDataObject(bool forClipboard);
    // Puts the selection on the clipboard and marks its enabled nodes; nothing without a
    // selection or when the clipboard refuses.
    void CopyToClipboard();
    void CutToClipboard();
    // Inserts the clipboard's nodes at the focused node by DefaultPasteMode: a move when they
    // are a pending cut of a tree of this program, else copies. False when the clipboard holds
    // no nodes; EVirtualTreeError 2007 when it cannot be read.
    bool PasteFromClipboard();
    // Inserts the nodes of a data object at targetNode (nil: the top level) by mode, in their
    // order; false when it carries no "Virtual Tree Data". With optimizedMove the source's
    // nodes (its selection while it drags, else its cut/copy set) are moved, never into their
    // own subtree; otherwise copies are read from the data (OnNodeCopying may refuse each,
    // OnNodeCopied follows); damaged data raises the stream errors 2004 to 2006.
    bool ProcessOLEData(TBaseVirtualTree* source, TDataObject& dataObject, PVirtualNode targetNode,
                        TVTNodeAttachMode mode, bool optimizedMove);
    // The tree of this process whose data object it is (its reference), else nullptr.
    static TBaseVirtualTree* SourceTreeOf(TDataObject& dataObject);
    // The nodes marked by the pending cut or copy, in tree order; only the topmost ones when
    // resolve.
    std::vector<PVirtualNode> GetSortedCutCopySet(bool resolve) const;
    // Ends a pending cut or copy: the marks go and the tree repaints. The clipboard stays.
    void CancelCutOrCopy();
    // The tree's identity among the live trees of the process.
    uint32_t TreeIdentity() const { return identity_.Value(); }
    // The live tree of an identity, nullptr for none.
    static TBaseVirtualTree* FindLiveTree(uint32_t identity);
    using TVTCreateDataObjectEvent =
        std::function<void(TBaseVirtualTree* sender, PDataObject& dataObject)>;
    TVTGetUserClipboardFormatsEvent OnGetUserClipboardFormats;
    TVTRenderOLEDataEvent OnRenderOLEData;
    TVTCreateDataObjectEvent OnCreateDataObject;

protected:
    virtual PDataObject DoCreateDataObject();
    virtual void DoGetUserClipboardFormats(std::vector<TClipFormat>& formats);
    virtual int DoRenderOLEData(TClipFormat format, bool forClipboard, std::string& data);

private:
    friend class TVTDataObject;
    class TTreeIdentity {
    public:
        explicit TTreeIdentity(TBaseVirtualTree* tree);
        ~TTreeIdentity();
        TTreeIdentity(const TTreeIdentity&) = delete;
        TTreeIdentity& operator=(const TTreeIdentity&) = delete;
        uint32_t Value() const { return value_; }

    private:
        uint32_t value_;
    };
    void CopyCutToClipboard(bool cut);
    // The clipboard let go of a data object of this tree: the cut or copy ends when it was
    // the last one the tree put there.
    void ClipboardObjectReleased(uint64_t serial);
    // Empties the clipboard when it still holds this tree's pending cut or copy.
    void ReleaseClipboard();
    bool MoveNodesFrom(TBaseVirtualTree& source, PVirtualNode target, TVTNodeAttachMode mode);
    bool CopyNodesFrom(TDataObject& dataObject, PVirtualNode target, TVTNodeAttachMode mode);
    TTreeIdentity identity_{this};
    uint64_t clipboardSerial_ = 0;  // the data object of the pending cut or copy

public:
    // ===== Sorting and editing =====
    virtual void Sort(PVirtualNode node, TColumnIndex column, TSortDirection direction,
                      bool doInit = true);
    void SortTree(TColumnIndex column, TSortDirection direction, bool doInit = true);
    bool IsEditing() const { return HasTreeState(tsEditing); }
    bool CancelEditNode();
    bool EndEditNode();
    PVTEditLink EditLink() const { return editLink_; }

    // ===== In-place editing and hints =====
    // Focuses the node and, when the cell may be edited, opens the editor over it; returns
    // whether an edit is open. A nil node or a column outside -1 .. count - 1 is an assertion.
    virtual bool EditNode(PVirtualNode node, TColumnIndex column);
    TColumnIndex EditColumn() const { return editColumn_; }
    // The editor tells the tree that the focus went outside the tree: the edit ends (kept with
    // toAutoAcceptEditChange, cancelled otherwise) and the focus stays where it went.
    void EditorFocusLeft();
    TVTHintMode HintMode() const { return hintMode_; }
    void SetHintMode(TVTHintMode value) { hintMode_ = value; }
    THintAnimationType HintAnimation() const { return hintAnimation_; }
    void SetHintAnimation(THintAnimationType value) { hintAnimation_ = value; }
    // The control's hint: the short part before "|" is what shows.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    // The delay before a first hint (the application's hint pause), in milliseconds.
    void SetHintPause(uint32_t value) { hintPause_ = value; }
    // What a hint at client point (x, y) would show: false when none. Rect is in client
    // coordinates (the in-place text rectangle for tooltips, below the cell for node hints).
    struct THintInfo {
        std::string Text;
        TRect Rect;
        PVirtualNode Node = nullptr;
        TColumnIndex Column = NoColumn;
        bool InPlace = false;
    };
    bool GetHintInfo(int x, int y, THintInfo& info);
    // The pause before the hint for the cursor at (x, y) shows (0: at once).
    uint32_t HintPauseAt(int x, int y);
    // The hint follows the mouse: shown, moved or hidden for client point (x, y).
    void UpdateHint(int x, int y);
    void CancelHint();
    // The animation a shown hint uses, from HintAnimation and the desktop's settings.
    virtual THintAnimationType DoGetAnimationType();
    static constexpr int HintTimer = 8;
    // The timer of the expand and collapse animation.
    static constexpr int AnimationTimer = 9;

private:
    void ShowPendingHint();
    bool editFocusLeft_ = false;  // the focus left the editor for outside the tree
    TVTHintMode hintMode_ = hmDefault;
    THintAnimationType hintAnimation_ = hatSystemDefault;
    std::string hint_;
    bool showHint_ = true;
    uint32_t hintPause_ = 500;
    TPoint hintPoint_{-1, -1};  // where the pending or shown hint was asked for
    TColumnIndex lastHintColumn_ = NoColumn;
    std::string lastHintText_;

public:
    // ===== Events =====
    TVTInitNodeEvent OnInitNode;
    TVTInitChildrenEvent OnInitChildren;
    TVTFreeNodeEvent OnFreeNode;
    TVTChangeEvent OnResetNode;
    TVTGetNodeDataSizeEvent OnGetNodeDataSize;
    TVTChangeEvent OnChange;
    TVTStructureChangeEvent OnStructureChange;
    TVTUpdatingEvent OnUpdating;
    TVTChangingEvent OnExpanding;
    TVTChangingEvent OnCollapsing;
    TVTChangeEvent OnExpanded;
    TVTChangeEvent OnCollapsed;
    TVTCheckChangingEvent OnChecking;
    TVTChangeEvent OnChecked;
    TVTFocusChangingEvent OnFocusChanging;
    TVTFocusChangeEvent OnFocusChanged;
    TVTHotNodeChangeEvent OnHotChange;
    TVTGetImageEvent OnGetImageIndex;
    TVTPaintEvent OnBeforePaint;
    TVTPaintEvent OnAfterPaint;
    TVTBeforeItemEraseEvent OnBeforeItemErase;
    TVTAfterItemEraseEvent OnAfterItemErase;
    TVTBeforeItemPaintEvent OnBeforeItemPaint;
    TVTAfterItemPaintEvent OnAfterItemPaint;
    TVTCellPaintEvent OnBeforeCellPaint;
    TVTCellPaintEvent OnAfterCellPaint;
    TVTBackgroundPaintEvent OnPaintBackground;
    TVTHeaderClickEvent OnHeaderClick;
    TVTHeaderClickEvent OnHeaderDblClick;
    TVTHeaderMouseEvent OnHeaderMouseDown;
    TVTHeaderMouseEvent OnHeaderMouseUp;
    TVTHeaderMouseMoveEvent OnHeaderMouseMove;
    TVTHeaderDraggingEvent OnHeaderDragging;
    TVTHeaderDraggedEvent OnHeaderDragged;
    // Draws an owner-drawn column's button (hoOwnerDraw): nothing else is drawn there.
    TVTHeaderPaintEvent OnHeaderDraw;
    TVTColumnClickEvent OnColumnClick;
    TVTColumnClickEvent OnColumnDblClick;
    TVTHeaderNotifyEvent OnColumnResize;
    TVTGetHeaderCursorEvent OnGetHeaderCursor;
    TVTGetCursorEvent OnGetCursor;
    TVTGetLineStyleEvent OnGetLineStyle;
    TVTPopupEvent OnGetPopupMenu;
    TVTHelpContextEvent OnGetHelpContext;
    TVTKeyActionEvent OnKeyAction;
    TVTIncrementalSearchEvent OnIncrementalSearch;
    TVTCompareEvent OnCompareNodes;
    TVTScrollEvent OnScroll;
    TVTEditChangingEvent OnEditing;
    TVTCreateEditorEvent OnCreateEditor;
    TVTEditChangeEvent OnEdited;
    TVTEditCancelEvent OnEditCancelled;
    TVTDragAllowedEvent OnDragAllowed;
    TVTNodeCopyingEvent OnNodeCopying;
    TVTNodeCopyingEvent OnNodeMoving;
    TVTNodeCopiedEvent OnNodeCopied;
    TVTNodeCopiedEvent OnNodeMoved;
    TVTSaveNodeEvent OnLoadNode;
    TVTSaveNodeEvent OnSaveNode;

    bool CanShowDragImage() const { return dragImageKind_ != diNoImage; }

    // Change notifications: recorded, then fired at once, after ChangeDelay, or at the last
    // EndUpdate.
    void Change(PVirtualNode node);
    void StructureChange(PVirtualNode node, TChangeReason reason);

    // Timer ids of the tree's window.
    enum : int {
        ExpandTimer = 1,
        EditTimer = 2,
        HeaderTimer = 3,
        ScrollTimer = 4,
        ChangeTimer = 5,
        StructureChangeTimer = 6,
        SearchTimer = 7,
    };
    // The message an ended or cancelled edit posts to release its editor.
    static constexpr unsigned WM_RELEASEEDITLINK = 0x8000 + 31;

    // The host's handlers, public so owners can drive the tree as the window system does.
    void ScrollMessage(TScrollBarKind kind, TScrollCode code, int pos) override;
    void TimerEvent(int id) override;

protected:
    // ===== Dispatchers: each fires its event; descendants override them =====
    virtual void DoInitNode(PVirtualNode parent, PVirtualNode node,
                            TVirtualNodeInitStates& initStates);
    virtual void DoInitChildren(PVirtualNode node, uint32_t& childCount);
    virtual void DoFreeNode(PVirtualNode node);
    virtual void DoReset(PVirtualNode node);
    virtual int GetNodeDataSize();
    virtual void DoChange(PVirtualNode node);
    virtual void DoStructureChange(PVirtualNode node, TChangeReason reason);
    virtual void DoUpdating(TVTUpdateState state);
    virtual bool DoExpanding(PVirtualNode node);
    virtual bool DoCollapsing(PVirtualNode node);
    virtual void DoExpanded(PVirtualNode node);
    virtual void DoCollapsed(PVirtualNode node);
    virtual bool DoChecking(PVirtualNode node, TCheckState& newState);
    virtual void DoChecked(PVirtualNode node);
    virtual bool DoFocusChanging(PVirtualNode oldNode, PVirtualNode newNode, TColumnIndex oldColumn,
                                 TColumnIndex newColumn);
    virtual void DoFocusChange(PVirtualNode node, TColumnIndex column);
    virtual bool DoFocusNode(PVirtualNode node, bool ask);
    virtual void DoHotChange(PVirtualNode oldNode, PVirtualNode newNode);
    virtual int DoGetImageIndex(PVirtualNode node, TVTImageKind kind, TColumnIndex column,
                                bool& ghosted, int imageIndex = -1);
    virtual void DoBeforePaint(TCanvas& canvas);
    virtual void DoAfterPaint(TCanvas& canvas);
    virtual void DoBeforeItemErase(TCanvas& canvas, PVirtualNode node, const TRect& itemRect,
                                   TColor& color, TItemEraseAction& eraseAction);
    virtual void DoAfterItemErase(TCanvas& canvas, PVirtualNode node, const TRect& itemRect);
    virtual bool DoBeforeItemPaint(TCanvas& canvas, PVirtualNode node, const TRect& itemRect);
    virtual void DoAfterItemPaint(TCanvas& canvas, PVirtualNode node, const TRect& itemRect);
    virtual void DoBeforeCellPaint(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                                   TRect cellRect);
    virtual void DoAfterCellPaint(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                                  TRect cellRect);
    virtual bool DoPaintBackground(TCanvas& canvas, const TRect& r);
    virtual void DoPaintNode(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                             const TRect& cellRect);
    virtual void DoHeaderClick(TColumnIndex column, TMouseButton button, TShiftState shift, int x,
                               int y);
    virtual void DoHeaderDblClick(TColumnIndex column, TMouseButton button, TShiftState shift,
                                  int x, int y);
    virtual void DoHeaderMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoHeaderMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoHeaderMouseMove(TShiftState shift, int x, int y);
    virtual bool DoHeaderDragging(TColumnIndex column);
    virtual void DoHeaderDragged(TColumnIndex column, int oldPosition);
    // False when no handler draws the button.
    virtual bool DoHeaderDraw(TCanvas& canvas, TColumnIndex column, const TRect& r, bool hover,
                              bool pressed, TVTDropMarkMode dropMark);
    virtual void DoColumnClick(TColumnIndex column, TShiftState shift);
    virtual void DoColumnDblClick(TColumnIndex column, TShiftState shift);
    virtual void DoColumnResize(TColumnIndex column);
    virtual void DoGetHeaderCursor(TCursor& cursor);
    virtual void DoGetCursor(TCursor& cursor);
    // The pattern of lsCustomStyle lines; bits comes in as the dotted pattern.
    virtual void DoGetLineStyle(TVTLinePattern& bits);
    virtual TPopupMenu* DoGetPopupMenu(PVirtualNode node, TColumnIndex column, TPoint position);
    // A pop-up menu of the tree or of its header that goes is forgotten.
    void Notification(TComponent* component, TOperation operation) override;
    virtual void DoPopupMenu(PVirtualNode node, TColumnIndex column, TPoint position);
    virtual void DoGetHelpContext(PVirtualNode node, TColumnIndex column, int& helpContext);
    virtual bool DoKeyAction(uint16_t& charCode, TShiftState& shift);
    virtual int DoIncrementalSearch(PVirtualNode node, const std::u16string& text);
    virtual int DoCompare(PVirtualNode node1, PVirtualNode node2, TColumnIndex column);
    virtual void DoScroll(int deltaX, int deltaY);
    virtual bool DoSetOffsetXY(TPoint value, TScrollUpdateOptions options,
                               const TRect* clipRect = nullptr);
    virtual bool DoCanEdit(PVirtualNode node, TColumnIndex column, bool allowed);
    virtual bool CanEdit(PVirtualNode node, TColumnIndex column);
    // Starts editing the focused node in the edit column.
    virtual void DoEdit();
    virtual PVTEditLink DoCreateEditor(PVirtualNode node, TColumnIndex column);
    virtual bool DoCancelEdit();
    virtual bool DoEndEdit();
    virtual bool DoBeforeDrag(PVirtualNode node, TColumnIndex column);
    virtual bool DoNodeCopying(PVirtualNode node, PVirtualNode newParent);
    virtual bool DoNodeMoving(PVirtualNode node, PVirtualNode newParent);
    virtual void DoNodeCopied(PVirtualNode node);
    virtual void DoNodeMoved(PVirtualNode node);
    virtual void DoLoadUserData(PVirtualNode node, TStream& stream);
    virtual void DoSaveUserData(PVirtualNode node, TStream& stream);
    virtual int DoGetNodeWidth(PVirtualNode node, TColumnIndex column);
    virtual bool ColumnIsEmpty(PVirtualNode node, TColumnIndex column);
    virtual std::string DoGetNodeHint(PVirtualNode node, TColumnIndex column);
    virtual std::string DoGetNodeTooltip(PVirtualNode node, TColumnIndex column);

    // The stream format: a node and its chunks (2 base with the children, 4 user data).
    void WriteNode(TStream& stream, PVirtualNode node);
    virtual void WriteChunks(TStream& stream, PVirtualNode node);
    // A chunk other than the base chunk, its body ending at chunkEnd; true when it was used.
    virtual bool ReadChunk(TStream& stream, int version, PVirtualNode node, uint32_t chunkType,
                           int64_t chunkEnd);
    // Moves the stream past the node that starts at its position.
    virtual void SkipNode(TStream& stream);

    // Moving nodes between places (and trees): used by move, copy and the stream reader.
    void InternalConnectNode(PVirtualNode node, PVirtualNode destination, TBaseVirtualTree* target,
                             TVTNodeAttachMode mode);
    void InternalDisconnectNode(PVirtualNode node, bool keepFocus, bool reindex = true);
    // A detached node of this tree's sizes, not yet linked anywhere.
    PVirtualNode MakeNewNode();
    // Frees a detached node without events.
    void FreeNodeMemory(PVirtualNode node);

    // Selection by mouse and keyboard: a click (Ctrl, Shift, both or none) on newNode, and the
    // rubber band between its last and its new rectangle (content coordinates).
    void HandleClickSelection(PVirtualNode lastFocused, PVirtualNode newNode, TShiftState shift);
    void HandleDrawSelection(const TRect& oldRect, const TRect& newRect, bool toggle);
    // Check boxes: the click (fires OnChecked when the state changed), the change with its
    // propagation, and the parent's state from its children.
    virtual void DoCheckClick(PVirtualNode node, TCheckState newState);
    bool ChangeCheckState(PVirtualNode node, TCheckState newState);
    bool CheckParentCheckState(PVirtualNode node, TCheckState newState);
    // The effect of a drop: source is the dragging tree (nullptr for another program).
    virtual int DetermineDropEffect(TBaseVirtualTree* source, TShiftState shift,
                                    int allowedEffects);
    virtual std::unique_ptr<TCustomVirtualTreeOptions> CreateOptions();
    virtual std::unique_ptr<TVTHeader> CreateHeader();
    // Whether a clipboard format may be offered by this tree's class.
    virtual bool AcceptsClipboardFormat(const std::string& name) const;
    virtual bool InternalAddToSelection(std::vector<PVirtualNode> nodes, bool forceInsert);
    void InternalRemoveFromSelection(PVirtualNode node);
    void InternalClearSelection();
    int PackArray();
    bool FindNodeInSelection(PVirtualNode node, int& index, int lowBound = -1,
                             int highBound = -1) const;

    void Paint(TCanvas& canvas, const TRect& updateRect) override;
    void PaintHeaderStrip(TCanvas& canvas, const TRect& strip) override;
    void PaintBelowRows(TCanvas& canvas, const TRect& rest, int columnX, TPoint clientOrigin,
                        const TVTRowPaintInfo& info);
    // The rubber band blended over the rows it covers.
    void PaintBlendedBand(TCanvas& canvas, const TRect& window, TPoint target,
                          TVTInternalPaintOptions options);
    // Mouse messages reach the header first.
    bool PreviewMouse(const TMouseMessage& message) override;
    // The image list's width of the check images (their own boxes when no list is set).
    int CheckImageSize() const;
    void CreateWnd() override;
    void Resize() override;
    void PostedMessage(unsigned msg, intptr_t wParam, intptr_t lParam) override;
    void StyleChanged() override;
    bool WantKey(uint16_t key, TShiftState shift) override;
    // Keyboard: a key the tree acts on is consumed (set to 0); others go on to the form.
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyUp(uint16_t& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    // A typed character searches with its Unicode value, then goes on to KeyPress.
    void UnicodeKeyPress(char32_t& key) override;
    void DoEnter() override;
    void DoExit() override;
    // Mouse: presses, releases and double clicks select, focus, toggle and check; moves keep
    // the hot node and the rubber band; the wheel scrolls by whole steps of 120 (sideways when
    // all rows fit), the sideways wheel always sideways.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseLeave() override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    bool DoMouseHorizontalWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    // The desktop's context request during a right press is swallowed: the tree raises its
    // own after the release. Requests from the keyboard pass on.
    void DoContextPopup(TPoint mousePos, bool& handled) override;
    // One typed character of the incremental search; false when the search is off.
    bool IncrementalSearchStep(char32_t ch);

    // The expand and collapse animation (VirtualTreesAnimation.cpp): the area below the
    // node's row opens or shuts over AnimationDuration, one step per tick of AnimationTimer;
    // the nodes have their new state from the start, only the picture lags.
    struct TToggleAnimation {
        bool Expanding = true;
        int RowBottom = 0;  // client y of the area below the node's row (negative: above it)
        int Height = 0;     // how far that area moves
        int Subtree = 0;    // the height of the node's shown subtree
        int ViewShift = 0;  // how far the toggle scrolled the view: the animation shows the old
        int Ticks = 1;
        int Tick = 0;
        // The part of that area inside the window as it was before the toggle, as wide and
        // high as the client area gets without scroll bars.
        TBitmap Before;
        int AreaTop() const { return RowBottom > 0 ? RowBottom : 0; }
    };
    static constexpr unsigned AnimationInterval = 15;
    // The snapshot of a toggle that may animate (nullptr when it may not).
    std::unique_ptr<TToggleAnimation> PrepareToggleAnimation(PVirtualNode node);
    // Starts the animation once the toggle is done; lastOffsetY is the view's offset before.
    void StartToggleAnimation(std::unique_ptr<TToggleAnimation> animation, PVirtualNode node,
                              int lastOffsetY);
    void ToggleAnimationStep();
    // Ends a running animation at once: the final picture.
    void StopToggleAnimation();
    void PaintToggleAnimation(TCanvas& canvas, const TRect& r);
    // Paints client rectangle r showing the content that lies shiftY further down.
    void PaintClientRect(TCanvas& canvas, const TRect& r, int shiftY = 0);
    // Whether painting with these options tiles the background picture.
    bool BackgroundInUse(TVTInternalPaintOptions options) const;
    // Tiles the background picture over r of a canvas whose (0, 0) lies at origin of the
    // client area.
    void TileBackground(TCanvas& canvas, const TRect& r, TPoint origin) const;
    void SetTreeState(TVirtualTreeState state, bool on = true);
    void SetUpdateState(bool updating);
    bool Destroying() const { return destroying_; }
    void RepaintIfNoUpdate();

private:
    friend class TVTRowPainter;
    friend class TCustomVirtualTreeOptions;
    friend class TCustomStringTreeOptions;
    friend class TVTColors;
    friend class TClipboardFormats;
    friend class TScrollBarOptions;
    friend class TVirtualTreeWorker;
    friend class TVirtualTreeWorkerState;

    PVirtualNode Root() const { return store_.Root(); }
    // The first step of every change of structure, expansion, visibility or heights: the
    // worker leaves the tree and the position cache is out of date.
    void BeginMutation();
    int ResolveNodeDataSize();
    // Clears or redirects everything the tree remembers about a node that goes away.
    void ForgetNode(PVirtualNode node);
    void RecordChange(PVirtualNode node, TChangeReason reason, bool structural);
    void ExpandAncestors(PVirtualNode node);
    int ApplyScrollBar(TScrollBarKind kind, int range, int client, int offset, bool doRepaint);
    void ChangedOptions(const TVTPaintOptions* paintBefore, const TVTMiscOptions* miscBefore);
    void SelectionOptionsChanged(TVTSelectionOptions before, TVTSelectionOptions after);
    // The worker's side.
    void DoValidateCache();
    // Keyboard parts: the navigation keys with the selection step after them, the other keys;
    // both say whether the tree used the key.
    bool NavigationKey(uint16_t code, TShiftState keys);
    bool OtherKey(uint16_t code, TShiftState keys);
    // One navigation key's move: what the key and the tree's options say, and what the move
    // did (moved the focus, only scrolled, was refused, or used without a selection step).
    struct KeyNavigation;
    enum class KeyMove { Moved, Scrolled, Refused, UsedOnly };
    KeyMove TabKey(const KeyNavigation& k);
    KeyMove PageKey(const KeyNavigation& k);
    KeyMove HomeEndKey(const KeyNavigation& k);
    KeyMove LeftRightKey(KeyNavigation& k);
    KeyMove UpDownKey(const KeyNavigation& k);
    // After a move the selection follows the focus.
    void SelectAfterNavigation(const KeyNavigation& k);
    // The first column (in display order from `from`) whose focus OnFocusChanging allows;
    // NoColumn without columns, InvalidColumn when none is allowed.
    TColumnIndex FindFocusableColumn(PVirtualNode node, TColumnIndex from, bool forward,
                                     bool includeFrom);
    void EndCheckPress();
    void RepaintForFocus();
    void SearchTimerFired();
    void HandleMouseDown(TMouseButton button, TShiftState shift, int x, int y, const THitInfo& hit);
    void HandleMouseUp(TShiftState shift, const THitInfo& hit);
    void HandleDoubleClick(const THitInfo& hit, TShiftState shift);
    void BeginCheckPress(PVirtualNode node);
    void UpdateHotNode(int x, int y);
    // Scrolls sideways by wheel steps: an indent each, a page's whole indents with Ctrl.
    void WheelSideways(int steps, TShiftState shift);
    // One tick of the scroll timer: the view follows a rubber band dragged past the edges.
    void AutoScrollStep();
    void StopAutoScroll();
    // Wheel panning (middle button): the view drifts by the mouse's distance from where the
    // press was; a click pans until the next press, a drag until its release.
    bool Panning() const;
    void StartWheelPanning(TPoint p);
    void StopWheelPanning();
    void PanStep();
    // Reads one node record and links it at destination by mode; returns the node.
    PVirtualNode ReadNode(TStream& stream, int version, PVirtualNode destination,
                          TVTNodeAttachMode mode, int64_t limit, int depth,
                          std::vector<PVirtualNode>& selected);
    void ReadBaseChunk(TStream& stream, int version, PVirtualNode node, int64_t chunkEnd, int depth,
                       std::vector<PVirtualNode>& selected);

    // The parts the control is made of: the nodes and their structure, and the geometry.
    TVirtualNodeStore store_{this, 18};
    TVirtualTreeGeometry geometry_{store_};
    uint32_t indent_ = 18;
    int margin_ = 4;
    int textMargin_ = 4;
    int updateCount_ = 0;
    TVirtualTreeStates states_;
    bool destroying_ = false;
    bool loading_ = false;

    PVirtualNode focusedNode_ = nullptr;
    TColumnIndex focusedColumn_ = NoColumn;
    PVirtualNode rangeAnchor_ = nullptr;
    int selectionLevel_ = -1;
    PVirtualNode hotNode_ = nullptr;
    PVirtualNode dropTargetNode_ = nullptr;
    TDropMode lastDropMode_ = dmOnNode;
    PVirtualNode checkNode_ = nullptr;
    PVirtualNode lastSearchNode_ = nullptr;
    std::u16string searchBuffer_;
    TColumnIndex clickColumn_ = NoColumn;  // the column a press hit, for the column click
    TPoint lastClick_;                     // client coordinates
    TShiftState drawSelectionShift_ = 0;
    int wheelRemainder_ = 0;                             // wheel movement short of a whole step
    int sidewaysRemainder_ = 0;                          // the same of the sideways wheel
    TPoint panStart_;                                    // client coordinates
    TCheckState pendingCheckState_ = csUncheckedNormal;  // a Space press's state, set on release
    PVirtualNode lastHintNode_ = nullptr;
    PVirtualNode lastChangedNode_ = nullptr;
    PVirtualNode lastStructureChangeNode_ = nullptr;
    TChangeReason lastStructureChangeReason_ = crIgnore;
    std::vector<uintptr_t> selection_;  // sorted by address; the low bit marks a removal
    uint32_t selectionCount_ = 0;
    TRect selectionRect_;  // the rubber band's rectangle, content coordinates

    std::unique_ptr<TCustomVirtualTreeOptions> options_;
    std::unique_ptr<TVTHeader> header_;
    std::unique_ptr<TVTColors> colors_;
    std::unique_ptr<TScrollBarOptions> scrollBarOptions_;
    std::unique_ptr<TClipboardFormats> clipboardFormats_;
    TChangeLink imagesLink_;
    TChangeLink stateImagesLink_;
    TChangeLink customCheckImagesLink_;
    TCustomImageList* checkImages_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr;
    PVTEditLink editLink_;
    TColumnIndex editColumn_ = NoColumn;

    TAlignment alignment_ = taLeftJustify;
    uint32_t animationDuration_ = 200;
    uint32_t autoExpandDelay_ = 1000;
    uint32_t autoScrollDelay_ = 1000;
    uint32_t autoScrollInterval_ = 1;
    TPicture background_;
    std::unique_ptr<TToggleAnimation> toggleAnimation_;
    int backgroundOffsetX_ = 0;
    int backgroundOffsetY_ = 0;
    TVTButtonFillMode buttonFillMode_ = fmTreeColor;
    TVTButtonStyle buttonStyle_ = bsRectangle;
    uint32_t changeDelay_ = 0;
    TCheckImageKind checkImageKind_ = ckLightCheck;
    TVTNodeAttachMode defaultPasteMode_ = amAddChildLast;
    int dragHeight_ = 350;
    int dragWidth_ = 200;
    TVTDragImageKind dragImageKind_ = diComplete;
    TDragOperations dragOperations_{doCopy, doMove};
    TVTDragType dragType_ = dtOLE;
    TVTDrawSelectionMode drawSelectionMode_ = smDottedRectangle;
    uint32_t editDelay_ = 1000;
    TCursor hotCursor_ = crDefault;
    TVTIncrementalSearch incrementalSearch_ = isNone;
    TVTSearchDirection searchDirection_ = sdForward;
    TVTSearchStart searchStart_ = ssFocusedNode;
    uint32_t searchTimeout_ = 1000;
    TVTLineMode lineMode_ = lmNormal;
    TVTLineStyle lineStyle_ = lsDotted;
    TVTLinePattern linePattern_ = DottedLinePattern;
    static constexpr TVTLinePattern DottedLinePattern{0xAA, 0x55, 0xAA, 0x55,
                                                      0xAA, 0x55, 0xAA, 0x55};
    void PrepareLinePattern();
    TVTNodeAlignment nodeAlignment_ = naProportional;
    uint32_t selectionCurveRadius_ = 0;
    bool wantTabs_ = false;

    // ===== Drag and drop (VirtualTreesDragDrop.cpp, VirtualTreesDragImage.cpp) =====
public:
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value) { dragMode_ = value; }
    // Prepares a drag of the selection: at once, or once the mouse leaves the square of
    // `threshold` pixels (negative: the system's) around the last click.
    void BeginDrag(bool immediate, int threshold = -1);
    // Whether this tree's nodes are being dragged (either kind of drag).
    bool Dragging() const;
    TDropMode LastDropMode() const { return lastDropMode_; }
    // The drop-target side, as the desktop's drag (or a test) calls it; points are client
    // coordinates, effects DROPEFFECT_* bits, source the dragging tree (nullptr: another
    // program). Each returns whether the handler accepted; effect is what the drop would do.
    bool DragEnter(TObject* source, TShiftState shift, TPoint pt, int& effect);
    bool DragOver(TObject* source, TShiftState shift, TDragState state, TPoint pt, int& effect);
    void DragLeave();
    bool DragDrop(TObject* source, TDataObject* dataObject, TShiftState shift, TPoint pt,
                  int& effect);
    // The drag image of the running drag (nullptr when none is shown).
    TVTDragImage* DragImage() const;
    // The tree's drag manager, made on first need (DoCreateDragManager, else the tree's own).
    IVTDragManager& DragManager();
    // The tree's picture of its selected rows around a hot spot (client coordinates), as a
    // drag shows it; hotSpot becomes the cursor's place in the picture. Empty with diNoImage.
    std::unique_ptr<TBitmap> PrepareDragImage(TPoint& hotSpot);

    TVTDragOverEvent OnDragOver;
    TVTDragDropEvent OnDragDrop;
    // Gives the tree a drag manager of the application's; left empty, the tree makes its own.
    TVTCreateDragManagerEvent OnCreateDragManager;
    TNotifyEvent OnStartDrag;  // a drag of the selection starts (either kind)
    // A drag of the selection ended (either kind, dropped or not), the drop handled, moved
    // nodes deleted and Dragging false.
    TNotifyEvent OnEndDrag;

protected:
    virtual void DoStartDrag();
    virtual void DoEndDrag();
    virtual bool DoDragOver(TObject* source, TShiftState shift, TDragState state, TPoint pt,
                            TDropMode mode, int& effect);
    virtual void DoDragDrop(TObject* source, TDataObject* dataObject,
                            const std::vector<TClipFormat>& formats, TShiftState shift, TPoint pt,
                            int& effect, TDropMode mode);
    // Starts the desktop drag of the selection from p (client coordinates).
    virtual void DoDragging(TPoint p);
    // The drag manager OnCreateDragManager gives, else nullptr (the tree's own is used).
    virtual PVTDragManager DoCreateDragManager();
    // The scroll directions of a drag at p (client coordinates), after the hold-off.
    TVTScrollDirections DetermineScrollDirections(int x, int y);
    // The edges whose band (DefaultNodeHeight wide, inside the client area) holds the point
    // and past which the content goes on; none without toAutoScroll or while the header tracks.
    TVTScrollDirections EdgeScrollDirections(int x, int y);
    // Mouse selection near an edge: the scroll timer starts, or stops once no edge is near.
    void DoAutoScroll(int x, int y);

private:
    friend struct TVTDragParts;
    static TVTDragParts* NewDragParts(TBaseVirtualTree* tree);
    static void FreeDragParts(TVTDragParts* parts);
    // Mouse side of a drag: the pending drag starts once the mouse left the threshold square.
    bool DragPendingMove(int x, int y);
    void StartFormsDrag();
    void EndFormsDrag(bool dropped);
    void ExpandTimerFired();
    bool DragScrollTick();
    bool EdgeScrollStep(TVTScrollDirections directions);
    void ForgetDraggedNode(PVirtualNode node);
    TDropMode DropModeAt(const THitInfo& hit, TPoint pt, bool entering);
    void ResetDropTarget();
    // The tree takes desktop drops while toAcceptOLEDrop is set.
    void UpdateDropRegistration();

    TDragMode dragMode_ = dmManual;
    int dragThreshold_ = 0;
    int64_t scrollHoldStart_ = 0;  // TickCount() when the cursor reached an edge
    bool scrollHolding_ = false;
    std::unique_ptr<TVTDragParts, void (*)(TVTDragParts*)> dragParts_{NewDragParts(this),
                                                                      &FreeDragParts};

    // --- Wheel panning's window and cursor (VirtualTreesPanning.cpp) ---
public:
    // The picture shown where wheel panning started; nullptr while the tree does not pan.
    const TCustomControl* PanningWindow() const;

private:
    struct TPanningWindowDeleter {
        void operator()(class TVTPanningWindow* window) const;
    };
    std::unique_ptr<TVTPanningWindow, TPanningWindowDeleter> panWindow_;
    // Shows the panning cursor for the mouse at client (x, y).
    void AdjustPanningCursor(int x, int y);

    // --- The cursor and the editor's place (VirtualTreesMouse.cpp, VirtualTreesEditing.cpp) ---
public:
    // The tree's own cursor: shown over the tree unless panning, a header splitter, HotCursor
    // over the hot node (toHotTrack) or OnGetCursor decide otherwise. ShownCursor is the one the
    // control shows now.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    TCursor ShownCursor() const { return TCustomControl::Cursor(); }

protected:
    // Shows the cursor the tree wants where the mouse is (after every move).
    void UpdateCursor();
    // The header's cursor over its splitters; crDefault gives the point back to the tree.
    void SetHeaderCursor(TCursor cursor);
    // Places an open editor over its cell (opening, scrolling, resizing).
    void UpdateEditBounds();

private:
    TCursor cursor_ = crDefault;
    TCursor headerCursor_ = crDefault;
};
