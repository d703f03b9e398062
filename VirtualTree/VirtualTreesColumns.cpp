// The column model: setters with their clamping and side effects, the position array, auto-size,
// hit tests and display-order navigation.
#include "VirtualTreesColumns.h"

#include "VirtualTreesHeader.h"

#include <algorithm>

// --- TVirtualTreeColumn --------------------------------------------------------------------------

TVirtualTreeColumn::TVirtualTreeColumn(TVirtualTreeColumns* owner) : TCollectionItem(owner) {
    position_ = owner->Count();
    TVTHeaderOwner& tree = owner->Header().Owner();
    color_ = tree.TreeColor();
    bidiMode_ = tree.TreeBiDiMode();
}

TVirtualTreeColumns* TVirtualTreeColumn::Owner() const {
    return static_cast<TVirtualTreeColumns*>(Collection());
}

TVTHeader& TVirtualTreeColumn::Header() const {
    return Owner()->Header();
}

bool TVirtualTreeColumn::Loading() const {
    return Header().Owner().Loading();
}

bool TVirtualTreeColumn::OwnerUpdating() const {
    return Owner()->UpdateCount() > 0;
}

TBiDiMode TVirtualTreeColumn::BiDiMode() const {
    return options_.Contains(coParentBidiMode) ? Header().Owner().TreeBiDiMode() : bidiMode_;
}

TColor TVirtualTreeColumn::Color() const {
    return options_.Contains(coParentColor) ? Header().Owner().TreeColor() : color_;
}

void TVirtualTreeColumn::SetText(const std::string& value) {
    if (value == text_) return;
    text_ = value;
    Changed(false);
}

void TVirtualTreeColumn::SetWidth(int value) {
    const int width = std::min(std::max(value, minWidth_), maxWidth_);
    if (width == width_) return;
    TVTHeader& header = Header();
    const bool autoResize = header.Options().Contains(hoAutoResize);
    // The auto-size column's width is computed, never set.
    const bool computed = autoResize && Index() == header.AutoSizeIndex();
    if (!computed) {
        lastWidth_ = width_;
        width_ = width;
        Owner()->UpdatePositions();
    }
    if (Loading() || OwnerUpdating()) return;
    if (autoResize) Owner()->AdjustAutoSize(Index());
    if (!computed) header.Owner().DoColumnResize(Index());
}

// The auto-size column's width is computed: new limits apply through the computation.
void TVirtualTreeColumn::ReapplyAutoSize() {
    if (Header().Options().Contains(hoAutoResize) && !Loading() && !OwnerUpdating())
        Owner()->AdjustAutoSize(InvalidColumn);
}

void TVirtualTreeColumn::SetMinWidth(int value) {
    value = std::min(std::max(value, 0), maxWidth_);
    if (value == minWidth_) return;
    minWidth_ = value;
    SetWidth(width_);
    ReapplyAutoSize();
}

void TVirtualTreeColumn::SetMaxWidth(int value) {
    // Never above the limit, never below MinWidth (which is never below 0).
    value = std::max(std::min(value, ColumnMaxWidthLimit), minWidth_);
    if (value == maxWidth_) return;
    maxWidth_ = value;
    SetWidth(width_);
    ReapplyAutoSize();
}

void TVirtualTreeColumn::SetPosition(int value) {
    TVirtualTreeColumns& columns = *Owner();
    value = std::min(std::max(value, 0), columns.Count() - 1);
    std::vector<TColumnIndex>& array = columns.positionToIndex_;
    const TColumnIndex index = Index();
    auto it = std::find(array.begin(), array.end(), index);
    if (it == array.end()) return;
    const int current = int(it - array.begin());
    if (value == current) return;
    array.erase(it);
    array.insert(array.begin() + value, index);
    position_ = value;
    columns.UpdatePositions();
    if (Loading() || OwnerUpdating()) return;
    TVTHeaderOwner& tree = Header().Owner();
    tree.CancelEdit();
    Header().Invalidate();
    tree.InvalidateTree();
    tree.UpdateHorizontalScrollBar();
}

void TVirtualTreeColumn::SetStyle(TVirtualTreeColumnStyle value) {
    if (value == style_) return;
    style_ = value;
    Changed(false);
}

void TVirtualTreeColumn::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    Changed(false);
}

void TVirtualTreeColumn::SetBiDiMode(TBiDiMode value) {
    if (value == BiDiMode()) return;
    options_.Exclude(coParentBidiMode);
    bidiMode_ = value;
    Changed(false);
    if (!Loading()) Header().Owner().InvalidateTree();
}

void TVirtualTreeColumn::SetLayout(TVTHeaderColumnLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Changed(false);
}

void TVirtualTreeColumn::SetMargin(int value) {
    if (value == margin_) return;
    margin_ = value;
    Changed(false);
}

void TVirtualTreeColumn::SetSpacing(int value) {
    if (value == spacing_) return;
    spacing_ = value;
    Changed(false);
}

void TVirtualTreeColumn::SetOptions(TVTColumnOptions value) {
    if (value == options_) return;
    const TVTColumnOptions old = options_;
    options_ = value;
    TVTHeaderOwner& tree = Header().Owner();
    if (!old.Contains(coParentBidiMode) && value.Contains(coParentBidiMode))
        bidiMode_ = tree.TreeBiDiMode();
    const bool parentColorAdded = !old.Contains(coParentColor) && value.Contains(coParentColor);
    if (parentColorAdded) color_ = tree.TreeColor();
    Changed(false);
    const bool visibleToggled = old.Contains(coVisible) != value.Contains(coVisible);
    if (Loading() || OwnerUpdating() || !(visibleToggled || parentColorAdded)) return;
    tree.InvalidateTree();
    if (visibleToggled) tree.UpdateHorizontalScrollBar();
}

void TVirtualTreeColumn::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Changed(false);
    if (!Loading()) Header().Owner().InvalidateTree();
}

void TVirtualTreeColumn::SetColor(TColor value) {
    if (value == Color()) return;
    options_.Exclude(coParentColor);
    color_ = value;
    Changed(false);
    if (!Loading()) Header().Owner().InvalidateTree();
}

void TVirtualTreeColumn::Assign(const TVirtualTreeColumn& source) {
    SetBiDiMode(source.BiDiMode());
    SetImageIndex(source.ImageIndex());
    SetLayout(source.Layout());
    SetMargin(source.Margin());
    SetMaxWidth(source.MaxWidth());
    SetMinWidth(source.MinWidth());
    SetPosition(source.Position());
    SetSpacing(source.Spacing());
    SetStyle(source.Style());
    SetText(source.Text());
    SetHint(source.Hint());
    SetWidth(source.Width());
    SetOptions(source.Options());
    SetAlignment(source.Alignment());
    SetColor(source.Color());
    Changed(false);
}

void TVirtualTreeColumn::RestoreLastWidth() {
    Owner()->AnimatedResize(Index(), lastWidth_);
}

TRect TVirtualTreeColumn::GetRect() const {
    return {left_, 0, left_ + width_, Header().Height()};
}

// --- TVirtualTreeColumns -------------------------------------------------------------------------

TVirtualTreeColumns::TVirtualTreeColumns(TVTHeader* header) : header_(header) {}

TVirtualTreeColumns::~TVirtualTreeColumns() {
    deleting_ = true;
}

std::unique_ptr<TCollectionItem> TVirtualTreeColumns::CreateItem() {
    return std::make_unique<TVirtualTreeColumn>(this);
}

TVirtualTreeColumn* TVirtualTreeColumns::Add() {
    return static_cast<TVirtualTreeColumn*>(AddItem());
}

TVirtualTreeColumn& TVirtualTreeColumns::Items(TColumnIndex index) const {
    TCollectionItem* item = ItemAt(index);
    VT_ASSERT(item, "Column index out of range.");
    return *static_cast<TVirtualTreeColumn*>(item);
}

void TVirtualTreeColumns::Notify(TCollectionItem* item, TCollectionNotification action) {
    const TColumnIndex index = IndexOf(item);
    if (action == TCollectionNotification::cnAdded) {
        positionToIndex_.push_back(index);
        return;
    }
    // A deleted column leaves the display order; the columns after it in the collection move
    // down one index, and so do their entries.
    auto it = std::find(positionToIndex_.begin(), positionToIndex_.end(), index);
    if (it != positionToIndex_.end()) positionToIndex_.erase(it);
    for (TColumnIndex& entry : positionToIndex_)
        if (entry > index) --entry;
    for (TColumnIndex* mouse : {&hoverIndex_, &downIndex_, &clickIndex_, &dragIndex_, &dropTarget_})
        if (*mouse == index)
            *mouse = NoColumn;
        else if (*mouse > index)
            --*mouse;
}

void TVirtualTreeColumns::FixPositionArray() {
    // Normally kept by Notify; this only repairs an array that lost step.
    const int count = Count();
    if (int(positionToIndex_.size()) == count) return;
    std::vector<TColumnIndex> fixed;
    for (TColumnIndex index : positionToIndex_)
        if (index >= 0 && index < count &&
            std::find(fixed.begin(), fixed.end(), index) == fixed.end())
            fixed.push_back(index);
    for (TColumnIndex index = 0; index < count; ++index)
        if (std::find(fixed.begin(), fixed.end(), index) == fixed.end()) fixed.push_back(index);
    positionToIndex_ = std::move(fixed);
}

void TVirtualTreeColumns::Update(TCollectionItem* item) {
    if (deleting_) return;
    FixPositionArray();
    UpdatePositions();
    TVTHeader& header = *header_;
    if (Count() > 0 && header.mainColumn_ < 0) header.mainColumn_ = 0;
    if (header.mainColumn_ >= Count()) header.mainColumn_ = Count() - 1;
    TVTHeaderOwner& tree = header.Owner();
    if (tree.Loading()) return;
    if (header.Options().Contains(hoAutoResize)) AdjustAutoSize(InvalidColumn);
    if (item) {
        InvalidateColumn(IndexOf(item));
    } else if (tree.WindowExists()) {
        tree.UpdateHorizontalScrollBar();
        header.Invalidate();
        tree.InvalidateTree();
    }
}

void TVirtualTreeColumns::Assign(const TVirtualTreeColumns& source) {
    BeginUpdate();
    Clear();
    for (int i = 0; i < source.Count(); ++i) Add()->Assign(source.Items(i));
    positionToIndex_ = source.positionToIndex_;
    EndUpdate();
}

void TVirtualTreeColumns::UpdatePositions(bool force) {
    if (UpdateCount() > 0 && !force) return;
    int left = 0;
    for (size_t position = 0; position < positionToIndex_.size(); ++position) {
        TVirtualTreeColumn& column = Items(positionToIndex_[position]);
        column.position_ = int(position);
        column.left_ = left;
        if (column.options_.Contains(coVisible)) left += column.width_;
    }
}

void TVirtualTreeColumns::AdjustAutoSize(TColumnIndex currentIndex, bool force) {
    if (Count() == 0) return;
    TVTHeader& header = *header_;
    TColumnIndex autoIndex =
        IsValidColumn(header.AutoSizeIndex()) ? header.AutoSizeIndex() : Count() - 1;
    if (IsValidColumn(currentIndex) &&
        Items(currentIndex).Position() >= Items(autoIndex).Position()) {
        autoIndex = GetNextVisibleColumn(currentIndex);
        if (autoIndex < 0) return;
    }
    int others = 0;
    for (TColumnIndex index : GetVisibleColumns())
        if (index != autoIndex) others += Items(index).width_;
    TVirtualTreeColumn& column = Items(autoIndex);
    const int width = std::min(std::max(header.Owner().ClientWidth() - others, column.minWidth_),
                               column.maxWidth_);
    if (!force && width == column.width_) return;
    column.width_ = width;
    UpdatePositions();
    header.Owner().DoColumnResize(autoIndex);
}

void TVirtualTreeColumns::AnimatedResize(TColumnIndex column, int newWidth) {
    FinishAnimatedResize();
    if (!IsValidColumn(column) || Items(column).Width() == newWidth) return;
    TVirtualTreeColumn& item = Items(column);
    TVTHeader& header = *header_;
    const int width = std::min(std::max(newWidth, item.minWidth_), item.maxWidth_);
    if (!header.Owner().WindowExists() || header.Owner().Loading() || UpdateCount() > 0 ||
        !item.options_.Contains(coVisible) || width == item.width_ ||
        (header.Options().Contains(hoAutoResize) && column == header.AutoSizeIndex())) {
        item.SetWidth(newWidth);
        return;
    }
    resizeColumn_ = column;
    resizeFrom_ = item.width_;
    resizeTo_ = width;
    resizeShown_ = item.width_;
    resizeStep_ = 0;
    header.Owner().SetTimer(TVTHeader::ResizeTimerId, ResizeInterval);
}

void TVirtualTreeColumns::AnimatedResizeStep() {
    TVTHeaderOwner& owner = header_->Owner();
    // A width set meanwhile (or the column gone) ends the animation where it is.
    if (resizeColumn_ == NoColumn || !IsValidColumn(resizeColumn_) ||
        Items(resizeColumn_).width_ != resizeShown_) {
        resizeColumn_ = NoColumn;
        owner.KillTimer(TVTHeader::ResizeTimerId);
        return;
    }
    if (++resizeStep_ >= ResizeSteps) {
        FinishAnimatedResize();
        return;
    }
    // The steps between show the width without telling anyone; the end sets it properly.
    TVirtualTreeColumn& item = Items(resizeColumn_);
    item.width_ = resizeFrom_ + (resizeTo_ - resizeFrom_) * resizeStep_ / ResizeSteps;
    resizeShown_ = item.width_;
    UpdatePositions(true);
    int left = 0, right = 0;
    header_->GetColumnBounds(resizeColumn_, left, right);
    const int x = left + owner.OffsetX();
    owner.InvalidateArea({x, header_->HeaderRect().Top, owner.ClientWidth(), owner.ClientHeight()});
}

void TVirtualTreeColumns::FinishAnimatedResize() {
    if (resizeColumn_ == NoColumn) return;
    const TColumnIndex column = resizeColumn_;
    resizeColumn_ = NoColumn;
    header_->Owner().KillTimer(TVTHeader::ResizeTimerId);
    if (!IsValidColumn(column) || Items(column).width_ != resizeShown_) return;
    TVirtualTreeColumn& item = Items(column);
    item.width_ = resizeFrom_;
    UpdatePositions(true);
    item.SetWidth(resizeTo_);
}

TColumnIndex TVirtualTreeColumns::GetColumnAndBounds(TPoint p, int& left, int& right,
                                                     bool relative) const {
    int x = relative ? header_->Owner().OffsetX() : 0;
    for (TColumnIndex index : positionToIndex_) {
        const TVirtualTreeColumn& column = Items(index);
        if (!column.options_.Contains(coVisible)) continue;
        const int next = x + column.width_;
        if (p.X >= x && p.X < next) {
            left = x;
            right = next;
            return index;
        }
        x = next;
    }
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::ColumnFromPosition(TPoint p, bool relative) const {
    if (p.X < 0 || p.Y < header_->HeaderRect().Top || p.Y >= header_->Owner().ClientHeight())
        return InvalidColumn;
    int left = 0, right = 0;
    return GetColumnAndBounds(p, left, right, relative);
}

void TVirtualTreeColumns::GetColumnBounds(TColumnIndex column, int& left, int& right) const {
    if (IsValidColumn(column)) {
        left = Items(column).left_ + header_->Owner().OffsetX();
        right = left + Items(column).width_;
    } else if (column == NoColumn) {
        left = 0;
        right = header_->Owner().ClientWidth();
    } else {
        left = right = 0;
    }
}

TColumnIndex TVirtualTreeColumns::GetFirstVisibleColumn() const {
    for (TColumnIndex index : positionToIndex_)
        if (Items(index).options_.Contains(coVisible)) return index;
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetLastVisibleColumn() const {
    for (auto it = positionToIndex_.rbegin(); it != positionToIndex_.rend(); ++it)
        if (Items(*it).options_.Contains(coVisible)) return *it;
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetNextColumn(TColumnIndex column) const {
    if (!IsValidColumn(column)) return InvalidColumn;
    const int position = Items(column).position_ + 1;
    return position < int(positionToIndex_.size()) ? positionToIndex_[size_t(position)]
                                                   : InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetPreviousColumn(TColumnIndex column) const {
    if (!IsValidColumn(column)) return InvalidColumn;
    const int position = Items(column).position_ - 1;
    return position >= 0 ? positionToIndex_[size_t(position)] : InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetNextVisibleColumn(TColumnIndex column) const {
    for (column = GetNextColumn(column); column >= 0; column = GetNextColumn(column))
        if (Items(column).options_.Contains(coVisible)) return column;
    return InvalidColumn;
}

TColumnIndex TVirtualTreeColumns::GetPreviousVisibleColumn(TColumnIndex column) const {
    for (column = GetPreviousColumn(column); column >= 0; column = GetPreviousColumn(column))
        if (Items(column).options_.Contains(coVisible)) return column;
    return InvalidColumn;
}

std::vector<TColumnIndex> TVirtualTreeColumns::GetVisibleColumns() const {
    std::vector<TColumnIndex> result;
    for (TColumnIndex index : positionToIndex_)
        if (Items(index).options_.Contains(coVisible)) result.push_back(index);
    return result;
}

int TVirtualTreeColumns::TotalWidth() const {
    const TColumnIndex last = GetLastVisibleColumn();
    return last < 0 ? 0 : Items(last).left_ + Items(last).width_;
}

// --- The header's mouse columns ------------------------------------------------------------------

namespace {
TColumnIndex OrNone(TColumnIndex column) {
    return column < 0 ? NoColumn : column;
}
}  // namespace

void TVirtualTreeColumns::InvalidateColumn(TColumnIndex column) {
    if (IsValidColumn(column)) header_->Invalidate(column);
}

bool TVirtualTreeColumns::AdjustHoverColumn(TPoint p) {
    int left = 0, right = 0;
    const TColumnIndex column =
        header_->InHeader(p) ? OrNone(GetColumnAndBounds(p, left, right)) : NoColumn;
    if (column == hoverIndex_) return false;
    InvalidateColumn(hoverIndex_);
    InvalidateColumn(column);
    hoverIndex_ = column;
    return true;
}

void TVirtualTreeColumns::AdjustDownColumn(TPoint p) {
    int left = 0, right = 0;
    TColumnIndex column =
        header_->InHeader(p) ? OrNone(GetColumnAndBounds(p, left, right)) : NoColumn;
    if (column >= 0 && !(Items(column).options_.Contains(coAllowClick) &&
                         Items(column).options_.Contains(coEnabled)))
        column = NoColumn;
    if (column == downIndex_) return;
    InvalidateColumn(downIndex_);
    InvalidateColumn(column);
    downIndex_ = column;
}

void TVirtualTreeColumns::HandleClick(TPoint p, TMouseButton button, bool force, TShiftState shift,
                                      bool silent) {
    int left = 0, right = 0;
    const TColumnIndex column = OrNone(GetColumnAndBounds(p, left, right));
    if (column >= 0 && Items(column).options_.Contains(coAllowClick) &&
        (column == downIndex_ || force)) {
        clickIndex_ = column;
        if (!silent) header_->Owner().DoHeaderClick(column, button, shift, p.X, p.Y);
        InvalidateColumn(column);
    } else {
        clickIndex_ = NoColumn;
    }
    InvalidateColumn(downIndex_);
}

void TVirtualTreeColumns::ResetMouseColumns() {
    InvalidateColumn(hoverIndex_);
    InvalidateColumn(downIndex_);
    hoverIndex_ = downIndex_ = clickIndex_ = NoColumn;
}
