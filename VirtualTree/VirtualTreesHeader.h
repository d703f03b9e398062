// The tree's header: the row of column buttons above the rows. It is drawn and hit in the
// control host's header strip (client y negative), owns the columns, and resizes, clicks and
// reorders them by mouse. It reaches its tree only through TVTHeaderOwner.
#pragma once

#include "VirtualTreesColumns.h"
#include "VirtualTreesDragImage.h"
#include "VirtualTreesTypes.h"

#include "platform/Canvas.h"
#include "platform/Controls.h"
#include "platform/ImageList.h"
#include "platform/Menus.h"
#include "platform/Overlay.h"

#include <memory>

class TBaseVirtualTree;

enum TVTHeaderOption {
    hoAutoResize,
    hoColumnResize,
    hoDblClickResize,
    hoDrag,
    hoHotTrack,
    hoOwnerDraw,
    hoRestrictDrag,
    hoShowHint,
    hoShowImages,
    hoShowSortGlyphs,
    hoVisible,
};
using TVTHeaderOptions = TEnumSet<TVTHeaderOption>;

enum TVTHeaderStyle { hsThickButtons, hsFlatButtons, hsPlates, hsXPStyle };

// The header's mouse states.
enum THeaderState { hsTrackPending, hsTracking, hsDragPending, hsDragging };
using THeaderStates = TEnumSet<THeaderState>;

// Where a column drag shows its drop mark on the target button.
enum TVTDropMarkMode { dmmNone, dmmLeft, dmmRight };

// What the header and its columns need from their tree. Coordinates are the tree's client
// coordinates: the header strip lies above y = 0.
class TVTHeaderOwner {
public:
    virtual ~TVTHeaderOwner() = default;

    // The tree (sender of the header events' Treeview); may be nullptr.
    virtual TBaseVirtualTree* Tree() const = 0;
    // The tree reads its stored state: no side effects, no events.
    virtual bool Loading() const = 0;
    // The tree's window exists (it has been shown or realised).
    virtual bool WindowExists() const = 0;
    virtual bool Enabled() const = 0;
    virtual bool UseThemes() const = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual int OffsetX() const = 0;
    virtual TColor TreeColor() const = 0;
    virtual TBiDiMode TreeBiDiMode() const = 0;
    // The whole window (frame, header, scroll bars) in client coordinates.
    virtual TRect WindowRect() const = 0;
    // The strip above the rows that the header is drawn in (client coordinates, so its top is
    // negative): the full width inside the frame.
    virtual TRect HeaderStripRect() const = 0;

    // The header's visible height changed: the tree lays out its strip, rows and scroll bars.
    virtual void HeaderHeightChanged(int visibleHeight) = 0;
    // Repaints r (client coordinates; the part above y = 0 is the header strip).
    virtual void InvalidateArea(const TRect& r) = 0;
    virtual void InvalidateTree() = 0;
    // Paints what is invalid now.
    virtual void UpdateWindow() = 0;
    virtual void UpdateHorizontalScrollBar() = 0;

    virtual void SetMouseCapture(bool capture) = 0;
    virtual void SetTimer(int id, unsigned milliseconds) = 0;
    virtual void KillTimer(int id) = 0;
    virtual void SetHeaderCursor(TCursor cursor) = 0;
    // Pops the header's menu up at p with the tree as its popup component.
    virtual void ShowPopupMenu(TPopupMenu& menu, TPoint p) = 0;
    // The header keeps a pointer to the component: its owner is to clear it when it goes.
    virtual void WatchComponent(TComponent*) {}
    // A press in the header: the hint goes, the edit timers stop, a pending edit is dropped.
    virtual void HeaderPressStarting() = 0;
    virtual void CancelHint() = 0;
    virtual void CancelEdit() = 0;
    // The main column changed: an edit ends, the focused column follows, the tree repaints.
    virtual void MainColumnChanged() = 0;
    // The sort column or direction changed: an auto-sorting tree sorts.
    virtual void SortChanged() = 0;
    // The widest cell content of a column over all shown nodes (0 for an empty tree).
    virtual int GetMaxColumnWidth(TColumnIndex column) = 0;

    // Events.
    virtual void DoColumnResize(TColumnIndex column) = 0;
    virtual void DoHeaderClick(TColumnIndex column, TMouseButton button, TShiftState shift, int x,
                               int y) = 0;
    virtual void DoHeaderDblClick(TColumnIndex column, TMouseButton button, TShiftState shift,
                                  int x, int y) = 0;
    virtual void DoHeaderMouseDown(TMouseButton button, TShiftState shift, int x, int y) = 0;
    virtual void DoHeaderMouseUp(TMouseButton button, TShiftState shift, int x, int y) = 0;
    virtual void DoHeaderMouseMove(TShiftState shift, int x, int y) = 0;
    virtual bool DoHeaderDragging(TColumnIndex column) = 0;
    virtual void DoHeaderDragged(TColumnIndex column, int oldPosition) = 0;
    // The cursor over the header (the splitter's or crDefault) as the application wants it.
    virtual void DoGetHeaderCursor(TCursor&) {}
    // Owner drawing of a button; false when nobody draws it.
    virtual bool DoHeaderDraw(TCanvas& canvas, TColumnIndex column, const TRect& r, bool hover,
                              bool pressed, TVTDropMarkMode dropMark) = 0;
};

// The pieces of a header button and where they go (ComputeHeaderLayout).
struct THeaderLayoutInput {
    TRect Client;     // the button's inner rectangle
    TSize Caption;    // the caption's extent (text width + 2, text height); 0 wide: none
    TSize Image;      // 0 wide: no image
    TSize SortGlyph;  // 0 wide: no sort glyph
    TAlignment Alignment = taLeftJustify;
    TVTHeaderColumnLayout Layout = blGlyphLeft;
    int Margin = 4;
    int Spacing = 4;
    bool RightToLeft = false;
    bool Pressed = false;  // a pressed button moves everything by (1, 1)
};
struct THeaderLayout {
    TPoint Image;
    TRect Caption;  // where the caption goes, cut to the button's room
    TPoint SortGlyph;
};
THeaderLayout ComputeHeaderLayout(const THeaderLayoutInput& in);

// The new display position of a dragged column at old position P dropped on the button at
// position T, with the drop mark on T's left half or its right half.
int HeaderDropPosition(int oldPosition, int targetPosition, bool leftHalf);

class TVTHeader : public TObject {
public:
    explicit TVTHeader(TVTHeaderOwner& owner);
    // A header talking to a tree through the tree's public surface.
    explicit TVTHeader(TBaseVirtualTree* tree);
    ~TVTHeader() override;
    TVTHeader(const TVTHeader&) = delete;
    TVTHeader& operator=(const TVTHeader&) = delete;

    TBaseVirtualTree* Treeview() const { return owner_->Tree(); }
    TVTHeaderOwner& Owner() const { return *owner_; }

    // --- Properties ---------------------------------------------------------------------------
    TColumnIndex AutoSizeIndex() const { return autoSizeIndex_; }
    void SetAutoSizeIndex(TColumnIndex value);
    TColor Background() const { return background_; }
    void SetBackground(TColor value);
    TVirtualTreeColumns& Columns() const { return *columns_; }
    TFont& Font() { return font_; }
    void SetFont(const TFont& value) { font_.Assign(value); }
    int Height() const { return height_; }
    virtual void SetHeight(int value);
    // The height the header takes from the tree's window: 0 while it is hidden.
    int VisibleHeight() const { return options_.Contains(hoVisible) ? height_ : 0; }
    TCustomImageList* Images() const { return imagesLink_.Sender(); }
    void SetImages(TCustomImageList* value);
    // The stored index when there are columns, else NoColumn.
    virtual TColumnIndex MainColumn() const;
    void SetMainColumn(TColumnIndex value);
    TVTHeaderOptions Options() const { return options_; }
    virtual void SetOptions(TVTHeaderOptions value);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* value);
    TColumnIndex SortColumn() const { return sortColumn_; }
    virtual void SetSortColumn(TColumnIndex value);
    TSortDirection SortDirection() const { return sortDirection_; }
    virtual void SetSortDirection(TSortDirection value);
    TVTHeaderStyle Style() const { return style_; }
    void SetStyle(TVTHeaderStyle value);
    THeaderStates States() const { return states_; }
    // The picture of the dragged column's button while a column is dragged (nullptr otherwise),
    // and the overlay that shows it over the tree (nullptr without a tree window).
    const TVTDragImage* DragImage() const { return dragImage_.get(); }
    const TOverlay* DragOverlay() const { return dragOverlay_.get(); }
    // Whether a drag, a resize or a pressed button is under way.
    virtual bool HasStates() const { return !states_.Empty(); }

    // Copies AutoSizeIndex, Background, Columns, Font, Height, Options, PopupMenu and Style.
    void Assign(const TVTHeader& source);

    // --- The tree's view of the columns -------------------------------------------------------
    int ColumnCount() const { return columns_->Count(); }
    bool UseColumns() const { return ColumnCount() > 0; }
    bool IsValidColumn(TColumnIndex column) const { return columns_->IsValidColumn(column); }
    // A column's left and right edge in content coordinates; false for no such column.
    virtual bool GetColumnBounds(TColumnIndex column, int& left, int& right) const;
    virtual bool ColumnIsRightToLeft(TColumnIndex column) const;
    virtual TAlignment ColumnAlignment(TColumnIndex column) const;
    virtual int TotalColumnWidth() const { return columns_->TotalWidth(); }

    // --- Geometry and repainting --------------------------------------------------------------
    // The header in client coordinates (above y = 0); empty while it is hidden.
    TRect HeaderRect() const;
    bool InHeader(TPoint p) const;
    // Repaints the whole header.
    virtual void Invalidate();
    // Repaints a column's button (with expandToBottom its whole column down the tree).
    void Invalidate(TColumnIndex column, bool expandToBottom = false);
    // The visible height changed: the tree lays out its strip again, and the header repaints.
    virtual void RecalculateHeader();

    // --- Column sizing ----------------------------------------------------------------------
    void AutoFitColumns();
    void RestoreColumns();
    // Whether p lies on a resizable column's splitter (E - 3 < x < E + 5 around its right
    // edge E); that column becomes the tracked one.
    bool DetermineSplitterIndex(TPoint p);
    TColumnIndex TrackIndex() const { return trackIndex_; }

    // --- Mouse --------------------------------------------------------------------------------
    // A mouse message of the tree, offered to the header first; true when the header took it.
    bool HandleMessage(const TMouseMessage& message);
    // The header timer's tick.
    void HeaderTimer();
    static constexpr int HeaderTimerId = 3;
    static constexpr unsigned HeaderTimerInterval = 50;
    // The timer of an animated column resize (TVirtualTreeColumns::AnimatedResize).
    static constexpr int ResizeTimerId = 10;

    // --- Painting -----------------------------------------------------------------------------
    // Paints the buttons into r (canvas coordinates), the first column at r.Left + offsetX.
    void PaintHeader(TCanvas& canvas, const TRect& r, int offsetX);
    // Paints the tree's header strip; the canvas's origin is the strip's top-left corner.
    void PaintStrip(TCanvas& canvas, const TRect& strip);

protected:
    void PrepareDrag(TPoint p, TPoint start);
    void DragTo(TPoint p);

private:
    friend class TVirtualTreeColumns;
    // The parts of HandleMessage, one per mouse action.
    bool MouseDown(const TMouseMessage& message, bool inHeader);
    bool MouseDoubleClick(const TMouseMessage& message, bool inHeader);
    bool MouseMove(const TMouseMessage& message, bool inHeader);
    bool MouseUp(const TMouseMessage& message, bool inHeader);
    // A drag that passed the threshold: true when the column may be dragged and the drag began.
    bool StartColumnDrag(TPoint p);
    // The end of a column drag: the column moves before or after the one dropped on.
    void DropColumn(TPoint p);
    void PaintButton(TCanvas& canvas, TColumnIndex column, const TRect& r, bool last);
    void DrawButtonBackground(TCanvas& canvas, TRect r, bool hot, bool pressed, bool last);
    void EndMouseStates();
    void UpdateSplitterCursor(TPoint p);

    std::unique_ptr<TVTHeaderOwner> ownedOwner_;
    TVTHeaderOwner* owner_;
    std::unique_ptr<TVirtualTreeColumns> columns_;
    TColumnIndex autoSizeIndex_ = 0;
    TColor background_ = clBtnFace;
    TFont font_;
    int height_ = 17;
    TChangeLink imagesLink_;
    TColumnIndex mainColumn_ = NoColumn;
    TVTHeaderOptions options_{hoColumnResize, hoDrag};
    TPopupMenu* popupMenu_ = nullptr;
    TColumnIndex sortColumn_ = NoColumn;
    TSortDirection sortDirection_ = sdAscending;
    TVTHeaderStyle style_ = hsThickButtons;

    THeaderStates states_;
    TPoint downPoint_;
    TPoint lastMouse_;
    int trackStart_ = 0;
    TColumnIndex trackIndex_ = NoColumn;
    TColumnIndex pressColumn_ = NoColumn;
    TCursor headerCursor_ = crDefault;  // the cursor the header asked its owner for
    // The column drag's picture.
    void EndDragImage();
    std::unique_ptr<TVTDragImage> dragImage_;
    std::unique_ptr<TOverlay> dragOverlay_;
};
