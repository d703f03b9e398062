// The tree's columns: each node has one cell per column; the header shows one button per
// column. A column's index is its place in the collection and never changes when it is moved;
// its Position is its place on screen. The position array maps positions back to indices.
#pragma once

#include "VirtualTreesTypes.h"

#include "platform/Collection.h"
#include "platform/Controls.h"

#include <string>
#include <vector>

class TVTHeader;
class TVirtualTreeColumns;

enum TVTColumnOption {
    coAllowClick,
    coDraggable,
    coEnabled,
    coParentBidiMode,
    coParentColor,
    coResizable,
    coShowDropMark,
    coVisible,
};
using TVTColumnOptions = TEnumSet<TVTColumnOption>;
inline constexpr TVTColumnOptions DefaultColumnOptions{coAllowClick,     coDraggable,   coEnabled,
                                                       coParentBidiMode, coParentColor, coResizable,
                                                       coShowDropMark,   coVisible};

enum TVirtualTreeColumnStyle { vsText, vsOwnerDraw };
enum TVTHeaderColumnLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Width limits of every column.
inline constexpr int DefaultColumnWidth = 50;
inline constexpr int DefaultColumnMinWidth = 10;
inline constexpr int ColumnMaxWidthLimit = 10000;

class TVirtualTreeColumn : public TCollectionItem {
public:
    explicit TVirtualTreeColumn(TVirtualTreeColumns* owner);

    TVirtualTreeColumns* Owner() const;
    TVTHeader& Header() const;

    // The caption and the hint are UTF-8, as the string tree's cells are.
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }
    int Width() const { return width_; }
    // Clamped to [MinWidth, MaxWidth]; the auto-size column of an auto-resizing header keeps
    // its computed width.
    void SetWidth(int value);
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value);
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value);
    int Position() const { return position_; }
    // Negative values become 0, values past the last position the last position.
    void SetPosition(int value);
    TVirtualTreeColumnStyle Style() const { return style_; }
    void SetStyle(TVirtualTreeColumnStyle value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // The tree's reading order while coParentBidiMode is set.
    TBiDiMode BiDiMode() const;
    void SetBiDiMode(TBiDiMode value);
    TVTHeaderColumnLayout Layout() const { return layout_; }
    void SetLayout(TVTHeaderColumnLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    TVTColumnOptions Options() const { return options_; }
    void SetOptions(TVTColumnOptions value);
    int Tag() const { return tag_; }
    void SetTag(int value) { tag_ = value; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // The tree's colour while coParentColor is set.
    TColor Color() const;
    void SetColor(TColor value);

    // The left edge in content coordinates (add the tree's OffsetX for the client area).
    int Left() const { return left_; }
    // The width before the last change.
    int LastWidth() const { return lastWidth_; }
    bool UseRightToLeftReading() const { return BiDiMode() != bdLeftToRight; }
    // Copies another column through the setters in a fixed order, so that Options given late
    // restores the parent flags.
    void Assign(const TVirtualTreeColumn& source);
    void RestoreLastWidth();
    // The button's rectangle in content coordinates: header height tall, from Left.
    TRect GetRect() const;

private:
    friend class TVirtualTreeColumns;
    bool Loading() const;
    bool OwnerUpdating() const;
    void ReapplyAutoSize();

    std::string text_;
    std::string hint_;
    int width_ = DefaultColumnWidth;
    int minWidth_ = DefaultColumnMinWidth;
    int maxWidth_ = ColumnMaxWidthLimit;
    int position_ = 0;
    TVirtualTreeColumnStyle style_ = vsText;
    int imageIndex_ = -1;
    TBiDiMode bidiMode_ = bdLeftToRight;
    TVTHeaderColumnLayout layout_ = blGlyphLeft;
    int margin_ = 4;
    int spacing_ = 4;
    TVTColumnOptions options_ = DefaultColumnOptions;
    int tag_ = 0;
    TAlignment alignment_ = taLeftJustify;
    TColor color_ = clWindow;
    int left_ = 0;
    int lastWidth_ = DefaultColumnWidth;
};

class TVirtualTreeColumns : public TCollection {
public:
    explicit TVirtualTreeColumns(TVTHeader* header);
    ~TVirtualTreeColumns() override;

    TVTHeader& Header() const { return *header_; }
    TVirtualTreeColumn* Add();
    TVirtualTreeColumn& Items(TColumnIndex index) const;
    TVirtualTreeColumn& operator[](TColumnIndex index) const { return Items(index); }
    // Copies the columns and their display order.
    void Assign(const TVirtualTreeColumns& source);

    // Display position -> column index.
    const std::vector<TColumnIndex>& PositionToIndex() const { return positionToIndex_; }
    // Rewrites every column's Position and Left from the position array (not while updating
    // unless forced).
    void UpdatePositions(bool force = false);
    // Gives the auto-size column what the others leave of the client width.
    void AdjustAutoSize(TColumnIndex currentIndex, bool force = false);
    // Resizes a column to newWidth in ResizeSteps steps, one per tick of the tree's column
    // resize timer: the header and the columns to its right move sideways. OnColumnResize
    // fires once, at the end. Without a window (or for the auto-size column) the width is set
    // at once; a new resize finishes a running one first.
    void AnimatedResize(TColumnIndex column, int newWidth);
    void AnimatedResizeStep();
    // Sets the final width of a running resize at once.
    void FinishAnimatedResize();
    bool AnimatingResize() const { return resizeColumn_ != NoColumn; }
    static constexpr int ResizeSteps = 32;
    static constexpr unsigned ResizeInterval = 5;

    // Hit tests; x and y in client coordinates (the header above y = 0). The visible column
    // whose span holds p.X, walking from the tree's OffsetX (relative) or from 0; left edges
    // belong to the column, right edges do not. InvalidColumn when none.
    TColumnIndex GetColumnAndBounds(TPoint p, int& left, int& right, bool relative = true) const;
    // As GetColumnAndBounds, and InvalidColumn also left of or above the area or below it.
    TColumnIndex ColumnFromPosition(TPoint p, bool relative = true) const;
    // A column's left and right edge in client coordinates; NoColumn: 0 and the client width.
    void GetColumnBounds(TColumnIndex column, int& left, int& right) const;

    // Display-order navigation; InvalidColumn when there is none.
    TColumnIndex GetFirstVisibleColumn() const;
    TColumnIndex GetLastVisibleColumn() const;
    TColumnIndex GetNextColumn(TColumnIndex column) const;
    TColumnIndex GetPreviousColumn(TColumnIndex column) const;
    TColumnIndex GetNextVisibleColumn(TColumnIndex column) const;
    TColumnIndex GetPreviousVisibleColumn(TColumnIndex column) const;
    std::vector<TColumnIndex> GetVisibleColumns() const;
    bool IsValidColumn(TColumnIndex column) const { return column >= 0 && column < Count(); }
    // The right edge of the last visible column (content coordinates); 0 without columns.
    int TotalWidth() const;

    // The header's mouse state: hover, pressed, clicked, dragged and drop-target columns.
    TColumnIndex HoverIndex() const { return hoverIndex_; }
    TColumnIndex DownIndex() const { return downIndex_; }
    TColumnIndex ClickIndex() const { return clickIndex_; }
    TColumnIndex DropTarget() const { return dropTarget_; }
    bool DropBefore() const { return dropBefore_; }
    // The column under p becomes the hover column; true when that changed.
    bool AdjustHoverColumn(TPoint p);
    // The column under p becomes the pressed column when it is clickable and enabled.
    void AdjustDownColumn(TPoint p);
    // A click at p: the clickable column there, when it is the pressed one or force is set,
    // becomes the clicked column and (unless silent) OnHeaderClick fires.
    void HandleClick(TPoint p, TMouseButton button, bool force, TShiftState shift,
                     bool silent = false);
    void ResetMouseColumns();

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override;
    void Notify(TCollectionItem* item, TCollectionNotification action) override;
    void Update(TCollectionItem* item) override;

private:
    friend class TVirtualTreeColumn;
    friend class TVTHeader;
    void FixPositionArray();
    void InvalidateColumn(TColumnIndex column);

    TVTHeader* header_;
    std::vector<TColumnIndex> positionToIndex_;
    TColumnIndex hoverIndex_ = NoColumn;
    TColumnIndex downIndex_ = NoColumn;
    TColumnIndex clickIndex_ = NoColumn;
    TColumnIndex dragIndex_ = NoColumn;
    TColumnIndex dropTarget_ = NoColumn;
    bool dropBefore_ = false;
    bool deleting_ = false;
    // The running animated resize.
    TColumnIndex resizeColumn_ = NoColumn;
    int resizeFrom_ = 0;
    int resizeTo_ = 0;
    int resizeShown_ = 0;  // the width the last step showed
    int resizeStep_ = 0;
};
