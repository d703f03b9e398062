// The tree's header as the node store and geometry see it: visibility, height, main and sort
// column, and the column bounds. Columns themselves come with the header's own unit.
#pragma once

#include "VirtualTreesTypes.h"

enum TVTHeaderOption {
    hoAutoResize, hoColumnResize, hoDblClickResize, hoDrag, hoHotTrack, hoOwnerDraw,
    hoRestrictDrag, hoShowHint, hoShowImages, hoShowSortGlyphs, hoVisible,
};
using TVTHeaderOptions = TEnumSet<TVTHeaderOption>;

class TVTHeader {
public:
    explicit TVTHeader(TBaseVirtualTree* owner) : owner_(owner) {}
    virtual ~TVTHeader() = default;
    TVTHeader(const TVTHeader&) = delete;
    TVTHeader& operator=(const TVTHeader&) = delete;

    TBaseVirtualTree* Treeview() const { return owner_; }

    TVTHeaderOptions Options() const { return options_; }
    virtual void SetOptions(TVTHeaderOptions options) { options_ = options; }
    int Height() const { return height_; }
    virtual void SetHeight(int height) { height_ = height; }
    // The height the header takes from the tree's window: 0 while it is hidden.
    int VisibleHeight() const { return options_.Contains(hoVisible) ? height_ : 0; }

    // The main column carries lines, buttons, check boxes and images; NoColumn without columns.
    virtual TColumnIndex MainColumn() const { return NoColumn; }
    TColumnIndex SortColumn() const { return sortColumn_; }
    virtual void SetSortColumn(TColumnIndex column) { sortColumn_ = column; }
    TSortDirection SortDirection() const { return sortDirection_; }
    virtual void SetSortDirection(TSortDirection direction) { sortDirection_ = direction; }

    virtual int ColumnCount() const { return 0; }
    // Whether the tree lays its content out in columns.
    bool UseColumns() const { return ColumnCount() > 0; }
    virtual bool IsValidColumn(TColumnIndex column) const {
        return column >= 0 && column < ColumnCount();
    }
    // Left and right edge of a column in content coordinates; false for no such column.
    virtual bool GetColumnBounds(TColumnIndex /*column*/, int& left, int& right) const {
        left = right = 0;
        return false;
    }
    virtual bool ColumnIsRightToLeft(TColumnIndex /*column*/) const { return false; }
    virtual TAlignment ColumnAlignment(TColumnIndex /*column*/) const { return taLeftJustify; }
    virtual int TotalColumnWidth() const { return 0; }
    // Whether a drag, a resize or a pressed button of the header is under way.
    virtual bool HasStates() const { return false; }
    virtual void RecalculateHeader() {}
    virtual void Invalidate() {}

protected:
    TBaseVirtualTree* owner_;
    TVTHeaderOptions options_{hoColumnResize, hoDrag};
    int height_ = 17;
    TColumnIndex sortColumn_ = NoColumn;
    TSortDirection sortDirection_ = sdAscending;
};
