// The header: properties, column sizing, the mouse state machine and button painting.
#include "VirtualTreesHeader.h"

#include "VirtualTrees.h"
#include "VirtualTreesDrawing.h"

#include "platform/ThemeServices.h"

#include <algorithm>
#include <cstdlib>

// --- Pure layout
// -----------------------------------------------------------------------------------

namespace {
int AlignedStart(TAlignment alignment, int width, int content, int margin) {
    switch (alignment) {
        case taRightJustify:
            return width - margin - content;
        case taCenter:
            return (width - content) / 2;
        default:
            return margin;
    }
}
}  // namespace

THeaderLayout ComputeHeaderLayout(const THeaderLayoutInput& in) {
    const int w = in.Client.Width(), h = in.Client.Height();
    const bool hasImage = in.Image.cx > 0;
    const bool hasGlyph = in.SortGlyph.cx > 0;
    const bool stacked = hasImage && (in.Layout == blGlyphTop || in.Layout == blGlyphBottom);
    TPoint image, caption;
    if (!stacked) {
        image.Y = (h - in.Image.cy) / 2;
        caption.Y = (h - in.Caption.cy) / 2;
        const int gap = hasImage && in.Caption.cx > 0 ? in.Spacing : 0;
        const int total = in.Caption.cx + (hasImage ? in.Image.cx + gap : 0);
        const int start = AlignedStart(in.Alignment, w, total, in.Margin);
        if (hasImage && in.Layout == blGlyphRight) {
            caption.X = start;
            image.X = start + in.Caption.cx + gap;
        } else if (hasImage) {
            image.X = start;
            caption.X = start + in.Image.cx + gap;
        } else {
            caption.X = start;
        }
    } else {
        const int top = (h - (in.Image.cy + in.Spacing + in.Caption.cy)) / 2;
        if (in.Layout == blGlyphTop) {
            image.Y = top;
            caption.Y = top + in.Image.cy + in.Spacing;
        } else {
            caption.Y = top;
            image.Y = top + in.Caption.cy + in.Spacing;
        }
        caption.X = AlignedStart(in.Alignment, w, in.Caption.cx, in.Margin);
        image.X = std::max((w - in.Image.cx) / 2, in.Margin);
    }

    THeaderLayout out;
    out.Caption = {caption.X, caption.Y, caption.X + in.Caption.cx, caption.Y + in.Caption.cy};
    if (hasGlyph) {
        int x = in.RightToLeft ? caption.X - in.Spacing - in.SortGlyph.cx
                               : caption.X + in.Caption.cx + in.Spacing;
        x = std::max(std::min(x, w - in.Margin - in.SortGlyph.cx), in.Margin);
        out.SortGlyph = {x, (h - in.SortGlyph.cy) / 2};
        // The caption gives way to the glyph.
        if (in.RightToLeft)
            out.Caption.Left = std::max(out.Caption.Left, x + in.SortGlyph.cx + in.Spacing);
        else
            out.Caption.Right = std::min(out.Caption.Right, x - in.Spacing);
    }
    // A caption wider than the button is cut to the room between the margins.
    if (out.Caption.Width() > w - 2 * in.Margin) {
        out.Caption.Left = std::max(out.Caption.Left, in.Margin);
        out.Caption.Right = std::min(out.Caption.Right, w - in.Margin);
    }
    out.Image = image;

    const int dx = in.Client.Left + (in.Pressed ? 1 : 0);
    const int dy = in.Client.Top + (in.Pressed ? 1 : 0);
    out.Image.X += dx;
    out.Image.Y += dy;
    out.Caption.Offset(dx, dy);
    out.SortGlyph.X += dx;
    out.SortGlyph.Y += dy;
    return out;
}

int HeaderDropPosition(int oldPosition, int targetPosition, bool leftHalf) {
    if (leftHalf)
        return oldPosition >= targetPosition ? targetPosition : std::max(targetPosition - 1, 0);
    return oldPosition >= targetPosition ? targetPosition + 1 : targetPosition;
}

// --- Properties
// ------------------------------------------------------------------------------------

TVTHeader::TVTHeader(TVTHeaderOwner& owner)
    : owner_(&owner), columns_(std::make_unique<TVirtualTreeColumns>(this)) {
    imagesLink_.OnChange = [this](TChangeLink*) { Invalidate(); };
    font_.OnChange = [this](TFont*) { Invalidate(); };
}

TVTHeader::~TVTHeader() {
    // The columns talk to the owner while they go; the owner outlives them.
    columns_.reset();
}

void TVTHeader::SetAutoSizeIndex(TColumnIndex value) {
    if (value == autoSizeIndex_) return;
    autoSizeIndex_ = value;
    if (options_.Contains(hoAutoResize)) columns_->AdjustAutoSize(InvalidColumn);
}

void TVTHeader::SetBackground(TColor value) {
    if (value == background_) return;
    background_ = value;
    Invalidate();
}

void TVTHeader::SetHeight(int value) {
    value = std::max(value, 0);
    if (value == height_) return;
    height_ = value;
    if (!owner_->Loading()) RecalculateHeader();
}

void TVTHeader::SetImages(TCustomImageList* value) {
    if (value == Images()) return;
    imagesLink_.SetSender(value);
    if (!owner_->Loading()) Invalidate();
}

TColumnIndex TVTHeader::MainColumn() const {
    return UseColumns() ? mainColumn_ : NoColumn;
}

void TVTHeader::SetMainColumn(TColumnIndex value) {
    value = UseColumns() ? std::min(std::max(value, 0), ColumnCount() - 1) : NoColumn;
    if (value == mainColumn_) return;
    mainColumn_ = value;
    if (!owner_->Loading()) owner_->MainColumnChanged();
}

void TVTHeader::SetOptions(TVTHeaderOptions value) {
    if (value == options_) return;
    const TVTHeaderOptions old = options_;
    options_ = value;
    const bool autoBefore = old.Contains(hoAutoResize), autoNow = value.Contains(hoAutoResize);
    if (autoBefore != autoNow && UseColumns()) {
        columns_->AdjustAutoSize(InvalidColumn);
        if (owner_->WindowExists()) {
            owner_->UpdateHorizontalScrollBar();
            if (autoNow) owner_->InvalidateTree();
        }
    }
    if (owner_->Loading()) return;
    if (old.Contains(hoVisible) != value.Contains(hoVisible)) RecalculateHeader();
    if (owner_->WindowExists()) {
        Invalidate();
        owner_->InvalidateTree();
    }
}

void TVTHeader::SetSortColumn(TColumnIndex value) {
    if (value < NoColumn) value = InvalidColumn;
    if (value >= ColumnCount()) value = ColumnCount() - 1;
    if (value == sortColumn_) return;
    Invalidate(sortColumn_);
    sortColumn_ = value;
    Invalidate(sortColumn_);
    if (!owner_->Loading()) owner_->SortChanged();
}

void TVTHeader::SetSortDirection(TSortDirection value) {
    if (value == sortDirection_) return;
    sortDirection_ = value;
    Invalidate();
    if (!owner_->Loading()) owner_->SortChanged();
}

void TVTHeader::SetStyle(TVTHeaderStyle value) {
    if (value == style_) return;
    style_ = value;
    if (!owner_->Loading()) Invalidate();
}

void TVTHeader::SetPopupMenu(TPopupMenu* value) {
    popupMenu_ = value;
    owner_->WatchComponent(value);
}

void TVTHeader::Assign(const TVTHeader& source) {
    SetAutoSizeIndex(source.AutoSizeIndex());
    SetBackground(source.Background());
    columns_->Assign(source.Columns());
    font_.Assign(source.font_);
    SetHeight(source.Height());
    SetOptions(source.Options());
    SetPopupMenu(source.PopupMenu());
    SetStyle(source.Style());
}

bool TVTHeader::GetColumnBounds(TColumnIndex column, int& left, int& right) const {
    if (!IsValidColumn(column)) {
        left = right = 0;
        return false;
    }
    left = columns_->Items(column).Left();
    right = left + columns_->Items(column).Width();
    return true;
}

bool TVTHeader::ColumnIsRightToLeft(TColumnIndex column) const {
    return IsValidColumn(column) && columns_->Items(column).UseRightToLeftReading();
}

TAlignment TVTHeader::ColumnAlignment(TColumnIndex column) const {
    return IsValidColumn(column) ? columns_->Items(column).Alignment() : taLeftJustify;
}

// --- Geometry
// --------------------------------------------------------------------------------------

TRect TVTHeader::HeaderRect() const {
    if (!options_.Contains(hoVisible)) return {};
    // The header spans the whole inside of the frame, above the rows and the vertical bar.
    const TRect strip = owner_->HeaderStripRect();
    return {strip.Left, -height_, std::max(strip.Right, strip.Left), 0};
}

bool TVTHeader::InHeader(TPoint p) const {
    return HeaderRect().Contains(p);
}

void TVTHeader::Invalidate() {
    if (!options_.Contains(hoVisible) || !owner_->WindowExists()) return;
    owner_->InvalidateArea(HeaderRect());
}

void TVTHeader::Invalidate(TColumnIndex column, bool expandToBottom) {
    if (!options_.Contains(hoVisible) || !owner_->WindowExists()) return;
    TRect r = HeaderRect();
    if (IsValidColumn(column)) {
        columns_->GetColumnBounds(column, r.Left, r.Right);
        if (expandToBottom) r.Bottom = owner_->ClientHeight();
    }
    owner_->InvalidateArea(r);
}

void TVTHeader::RecalculateHeader() {
    owner_->HeaderHeightChanged(VisibleHeight());
    Invalidate();
}

// --- Column sizing
// ---------------------------------------------------------------------------------

void TVTHeader::AutoFitColumns() {
    for (TColumnIndex column : columns_->GetVisibleColumns())
        if (columns_->Items(column).Options().Contains(coResizable))
            columns_->AnimatedResize(column, owner_->GetMaxColumnWidth(column));
}

void TVTHeader::RestoreColumns() {
    const std::vector<TColumnIndex> visible = columns_->GetVisibleColumns();
    for (auto it = visible.rbegin(); it != visible.rend(); ++it)
        if (columns_->Items(*it).Options().Contains(coResizable))
            columns_->AnimatedResize(*it, columns_->Items(*it).LastWidth());
}

bool TVTHeader::DetermineSplitterIndex(TPoint p) {
    const std::vector<TColumnIndex> visible = columns_->GetVisibleColumns();
    int right = columns_->TotalWidth() + owner_->OffsetX();
    for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
        const TVirtualTreeColumn& column = columns_->Items(*it);
        if (right - 3 < p.X && p.X < right + 5) {
            if (!column.Options().Contains(coResizable)) return false;
            trackIndex_ = *it;
            trackStart_ = right - column.Width();
            return true;
        }
        right -= column.Width();
    }
    return false;
}

// --- Column drag
// -----------------------------------------------------------------------------------

namespace {
constexpr uint32_t HeaderDragAlpha = 0xC0;  // the dragged button over the header
}  // namespace

void TVTHeader::PrepareDrag(TPoint /*p*/, TPoint start) {
    int left = 0, right = 0;
    const TColumnIndex column = columns_->GetColumnAndBounds(start, left, right);
    columns_->dragIndex_ = column < 0 ? NoColumn : column;
    columns_->dropTarget_ = NoColumn;
    EndDragImage();
    if (column < 0 || right <= left || height_ <= 0) return;
    // The button's picture on the button face follows the cursor, on its row with
    // hoRestrictDrag.
    TBitmap picture(right - left, height_);
    TCanvas& canvas = picture.Canvas();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect({0, 0, right - left, height_});
    canvas.Font().Assign(font_);
    PaintButton(canvas, column, {0, 0, right - left, height_}, false);
    const TPoint at{left, owner_->HeaderStripRect().Top};
    dragImage_ = std::make_unique<TVTDragImage>();
    if (options_.Contains(hoRestrictDrag)) dragImage_->RestrictDrag = dmrHorizontalOnly;
    dragImage_->PrepareDrag(picture, at, {start.X - at.X, start.Y - at.Y}, clNone, false);
    if (TBaseVirtualTree* tree = owner_->Tree(); tree && owner_->WindowExists()) {
        // The overlay shows the whole button evenly, mostly opaque: the drag image's radial
        // fade leaves a button face over button faces all but invisible, its caption where the
        // fade is strongest. The drop mark still shows through.
        std::vector<uint32_t> shown = dragImage_->Pixels();
        for (uint32_t& pixel : shown) pixel = (pixel & 0x00FFFFFFu) | HeaderDragAlpha << 24;
        dragOverlay_ = std::make_unique<TOverlay>(*tree);
        dragOverlay_->SetPicture(dragImage_->Width(), dragImage_->Height(), shown.data());
        TOverlay* overlay = dragOverlay_.get();
        dragImage_->OnChange = [overlay](const TVTDragImage& image) {
            overlay->MoveTo(image.ImagePosition());
            overlay->SetVisible(image.Visible());
        };
    }
    dragImage_->Show();
}

void TVTHeader::EndDragImage() {
    if (dragImage_) {
        dragImage_->OnChange = nullptr;
        dragImage_->EndDrag();
    }
    dragImage_.reset();
    dragOverlay_.reset();
}

void TVTHeader::DragTo(TPoint p) {
    if (dragImage_) dragImage_->DragTo(p);
    int left = 0, right = 0;
    TColumnIndex target = columns_->GetColumnAndBounds(p, left, right);
    if (target < 0) target = NoColumn;
    // The mark goes on the left half when the point is left of the button's middle.
    const bool before = target >= 0 && p.X < (left + right) / 2;
    if (target == columns_->dropTarget_ && before == columns_->dropBefore_) return;
    Invalidate(columns_->dropTarget_);
    columns_->dropTarget_ = target;
    columns_->dropBefore_ = before;
    Invalidate(target);
}

// --- Mouse
// -----------------------------------------------------------------------------------------

void TVTHeader::UpdateSplitterCursor(TPoint p) {
    const TColumnIndex saved = trackIndex_;
    const int savedStart = trackStart_;
    const bool onSplitter =
        options_.Contains(hoColumnResize) && InHeader(p) && DetermineSplitterIndex(p);
    trackIndex_ = saved;
    trackStart_ = savedStart;
    TCursor cursor = onSplitter ? crHSplit : crDefault;
    if (InHeader(p)) owner_->DoGetHeaderCursor(cursor);
    if (cursor == headerCursor_) return;
    headerCursor_ = cursor;
    owner_->SetHeaderCursor(cursor);
}

void TVTHeader::EndMouseStates() {
    if (!states_.Empty()) owner_->SetMouseCapture(false);
    states_ = {};
    owner_->KillTimer(HeaderTimerId);
    EndDragImage();
    if (columns_->downIndex_ >= 0) {
        Invalidate(columns_->downIndex_);
        columns_->downIndex_ = NoColumn;
    }
}

bool TVTHeader::HandleMessage(const TMouseMessage& message) {
    lastMouse_ = message.Pos;
    const bool inHeader = InHeader(message.Pos);
    switch (message.Action) {
        case TMouseAction::Down:
            return MouseDown(message, inHeader);
        case TMouseAction::DoubleClick:
            return MouseDoubleClick(message, inHeader);
        case TMouseAction::Move:
            return MouseMove(message, inHeader);
        case TMouseAction::Up:
            return MouseUp(message, inHeader);
    }
    return false;
}

bool TVTHeader::MouseDown(const TMouseMessage& message, bool inHeader) {
    const TPoint p = message.Pos;
    TVirtualTreeColumns& columns = *columns_;
    if (!inHeader) return false;
    if (message.Button != mbLeft) {
        owner_->DoHeaderMouseDown(message.Button, message.Shift, p.X, p.Y);
        return true;
    }
    owner_->HeaderPressStarting();
    downPoint_ = p;
    owner_->DoHeaderMouseDown(mbLeft, message.Shift, p.X, p.Y);
    if (options_.Contains(hoColumnResize) && DetermineSplitterIndex(p)) {
        states_ += hsTrackPending;
        owner_->SetMouseCapture(true);
    } else {
        columns.AdjustHoverColumn(p);
        columns.AdjustDownColumn(p);
        int left = 0, right = 0;
        const TColumnIndex column = columns.GetColumnAndBounds(p, left, right);
        pressColumn_ = column < 0 ? NoColumn : column;
        owner_->SetMouseCapture(true);
        states_ += hsDragPending;
        owner_->SetTimer(HeaderTimerId, HeaderTimerInterval);
    }
    return true;
}

bool TVTHeader::MouseDoubleClick(const TMouseMessage& message, bool inHeader) {
    const TPoint p = message.Pos;
    TVirtualTreeColumns& columns = *columns_;
    if (!inHeader) return false;
    if (options_.Contains(hoDblClickResize) && DetermineSplitterIndex(p)) {
        TVirtualTreeColumn& column = columns.Items(trackIndex_);
        columns.AnimatedResize(trackIndex_,
                               std::max(column.MinWidth(), owner_->GetMaxColumnWidth(trackIndex_)));
        columns.clickIndex_ = NoColumn;
    } else {
        columns.HandleClick(p, message.Button, true, message.Shift, true);
    }
    owner_->DoHeaderDblClick(columns.ClickIndex(), message.Button, message.Shift, p.X, p.Y);
    return true;
}

bool TVTHeader::StartColumnDrag(TPoint p) {
    TVirtualTreeColumns& columns = *columns_;
    if (!options_.Contains(hoDrag) || pressColumn_ < 0 ||
        !columns.Items(pressColumn_).Options().Contains(coDraggable) ||
        !owner_->DoHeaderDragging(pressColumn_))
        return false;
    owner_->KillTimer(HeaderTimerId);
    Invalidate(columns.downIndex_);
    columns.downIndex_ = NoColumn;
    columns.hoverIndex_ = NoColumn;
    PrepareDrag(p, downPoint_);
    states_ += hsDragging;
    DragTo(p);
    return true;
}

bool TVTHeader::MouseMove(const TMouseMessage& message, bool inHeader) {
    const TPoint p = message.Pos;
    TVirtualTreeColumns& columns = *columns_;
    if (states_.Contains(hsTrackPending)) {
        owner_->KillTimer(HeaderTimerId);
        states_ -= hsTrackPending;
        states_ += hsTracking;
    }
    if (states_.Contains(hsTracking)) {
        if (columns.IsValidColumn(trackIndex_))
            columns.Items(trackIndex_).SetWidth(p.X - trackStart_);
        return true;
    }
    if (states_.Contains(hsDragPending)) {
        const int threshold = StartDragDistance();
        if (std::abs(p.X - downPoint_.X) > threshold || std::abs(p.Y - downPoint_.Y) > threshold) {
            // Asked once, when the pointer first leaves the threshold.
            states_ -= hsDragPending;
            if (StartColumnDrag(p)) return true;
        }
        columns.AdjustHoverColumn(p);
        return true;
    }
    if (states_.Contains(hsDragging)) {
        DragTo(p);
        return true;
    }
    if (!inHeader) {
        if (columns.hoverIndex_ >= 0) columns.AdjustHoverColumn(p);
        if (headerCursor_ != crDefault) {
            headerCursor_ = crDefault;
            owner_->SetHeaderCursor(crDefault);
        }
        return false;
    }
    if (columns.AdjustHoverColumn(p) && options_.Contains(hoHotTrack))
        owner_->SetTimer(HeaderTimerId, HeaderTimerInterval);
    UpdateSplitterCursor(p);
    owner_->DoHeaderMouseMove(message.Shift, p.X, p.Y);
    return true;
}

void TVTHeader::DropColumn(TPoint p) {
    TVirtualTreeColumns& columns = *columns_;
    const TColumnIndex dragged = columns.dragIndex_;
    const TColumnIndex target = columns.dropTarget_;
    if (columns.IsValidColumn(dragged) && columns.IsValidColumn(target) && target != dragged &&
        owner_->WindowRect().Contains(p)) {
        const int oldPosition = columns.Items(dragged).Position();
        columns.Items(dragged).SetPosition(
            HeaderDropPosition(oldPosition, columns.Items(target).Position(), columns.dropBefore_));
        owner_->DoHeaderDragged(dragged, oldPosition);
    }
    columns.dropTarget_ = NoColumn;
    columns.dragIndex_ = NoColumn;
    Invalidate();
}

bool TVTHeader::MouseUp(const TMouseMessage& message, bool inHeader) {
    const TPoint p = message.Pos;
    TVirtualTreeColumns& columns = *columns_;
    if (message.Button == mbLeft) {
        if (states_.Empty() && !inHeader) return false;
        owner_->CancelHint();
        if (states_.Contains(hsDragging))
            DropColumn(p);
        else if (!states_.Contains(hsTracking) && inHeader)
            columns.HandleClick(p, mbLeft, false, message.Shift);
        EndMouseStates();
        pressColumn_ = NoColumn;
        if (inHeader) owner_->DoHeaderMouseUp(mbLeft, message.Shift, p.X, p.Y);
        return true;
    }
    if (!inHeader) return false;
    owner_->CancelHint();
    columns.HandleClick(p, message.Button, true, message.Shift);
    owner_->DoHeaderMouseUp(message.Button, message.Shift, p.X, p.Y);
    Invalidate(columns.downIndex_);
    columns.downIndex_ = NoColumn;
    if (message.Button == mbRight) {
        trackIndex_ = NoColumn;
        if (popupMenu_) {
            owner_->KillTimer(4);
            owner_->KillTimer(HeaderTimerId);
            Invalidate(columns.hoverIndex_);
            columns.hoverIndex_ = NoColumn;
            owner_->ShowPopupMenu(*popupMenu_, p);
        }
    }
    return true;
}

void TVTHeader::HeaderTimer() {
    TVirtualTreeColumns& columns = *columns_;
    if (InHeader(lastMouse_) &&
        (columns.downIndex_ < 0 || columns.downIndex_ == columns.hoverIndex_))
        return;
    owner_->KillTimer(HeaderTimerId);
    columns.ResetMouseColumns();
    Invalidate();
}

// --- Painting
// --------------------------------------------------------------------------------------

namespace {
void DrawButtonText(TCanvas& canvas, const std::string& caption, const TRect& bounds, bool enabled,
                    bool hot, bool rightToLeft, TColor fontColor) {
    if (bounds.IsEmpty() || caption.empty()) return;
    const std::string text = ShortenString(canvas, caption, bounds.Width());
    if (text.empty()) return;
    const int width = canvas.TextWidthUtf8(text);
    const int x = rightToLeft ? bounds.Right - width - 1 : bounds.Left + 1;
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.SetTextAlign(TA_LEFT | TA_TOP);
    // The caption is UTF-8; drawn clipped to its bounds.
    auto draw = [&canvas, &text](const TRect& clip, int left, int top) {
        canvas.ExtTextOutUtf8(left, top, ETO_CLIPPED | ETO_OPAQUE, &clip, text);
    };
    if (enabled) {
        canvas.Font().SetColor(hot ? clBtnShadow : fontColor);
        draw(bounds, x, bounds.Top);
    } else {
        // Embossed: a light copy one pixel down and right, the shadow in place.
        canvas.Font().SetColor(clBtnHighlight);
        draw({bounds.Left + 1, bounds.Top + 1, bounds.Right + 1, bounds.Bottom + 1}, x + 1,
             bounds.Top + 1);
        canvas.Font().SetColor(clBtnShadow);
        draw(bounds, x, bounds.Top);
    }
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
}
}  // namespace

void TVTHeader::PaintHeader(TCanvas& canvas, const TRect& r, int offsetX) {
    canvas.SaveState();
    canvas.Font().Assign(font_);
    const std::vector<TColumnIndex> visible = columns_->GetVisibleColumns();
    int x = r.Left + offsetX;
    for (size_t i = 0; i < visible.size(); ++i) {
        const int width = columns_->Items(visible[i]).Width();
        const TRect button{x, r.Top, x + width, r.Bottom};
        if (button.Right > r.Left && button.Left < r.Right && width > 0)
            PaintButton(canvas, visible[i], button, i + 1 == visible.size());
        x += width;
    }
    if (x < r.Right) {
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Brush().SetColor(background_);
        canvas.FillRect({std::max(x, r.Left), r.Top, r.Right, r.Bottom});
    }
    canvas.RestoreState();
}

void TVTHeader::PaintStrip(TCanvas& canvas, const TRect& strip) {
    PaintHeader(canvas, strip, owner_->OffsetX() - owner_->HeaderStripRect().Left);
}

void TVTHeader::DrawButtonBackground(TCanvas& canvas, TRect r, bool hot, bool pressed, bool last) {
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(background_);
    canvas.FillRect(r);
    if (owner_->UseThemes()) {
        if (HTHEME theme = OpenThemeData("header")) {
            DrawThemeBackground(theme, canvas, HeaderItemPart, pressed ? 3 : hot ? 2 : 1, r);
            CloseThemeData(theme);
            return;
        }
    }
    // Every button gets its right side but the last one of auto-resizing thick buttons.
    const unsigned right = last && style_ == hsThickButtons && options_.Contains(hoAutoResize)
                               ? 0u
                               : unsigned(BF_RIGHT);
    const unsigned sides = BF_LEFT | BF_TOP | BF_BOTTOM | right;
    switch (style_) {
        case hsThickButtons:
            if (pressed)
                DrawEdge(canvas, r, EDGE_RAISED,
                         BF_RECT | BF_FLAT | BF_SOFT | BF_ADJUST | BF_MIDDLE, background_);
            else
                DrawEdge(canvas, r, EDGE_RAISED, sides | BF_SOFT | BF_ADJUST | BF_MIDDLE,
                         background_);
            break;
        case hsFlatButtons:
            if (pressed)
                DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MIDDLE, background_);
            else
                DrawEdge(canvas, r, BDR_RAISEDINNER, sides | BF_ADJUST | BF_MIDDLE, background_);
            break;
        case hsPlates:
            if (pressed)
                DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MIDDLE, background_);
            else if (hot)
                DrawEdge(canvas, r, BDR_RAISEDINNER, sides | BF_ADJUST | BF_MIDDLE, background_);
            else
                DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT | BF_SOFT | BF_ADJUST | BF_MIDDLE,
                         background_);
            break;
        case hsXPStyle:
            DrawXPButton(canvas, r, true, pressed, hot);
            break;
    }
}

void TVTHeader::PaintButton(TCanvas& canvas, TColumnIndex index, const TRect& r, bool last) {
    const TVirtualTreeColumn& column = columns_->Items(index);
    const TVTColumnOptions options = column.Options();
    const bool hot = columns_->hoverIndex_ == index && options_.Contains(hoHotTrack) &&
                     options.Contains(coEnabled);
    const bool pressed = columns_->downIndex_ == index;
    TVTDropMarkMode dropMark = dmmNone;
    if (options.Contains(coShowDropMark) && columns_->dropTarget_ == index &&
        columns_->dragIndex_ != index)
        dropMark = columns_->dropBefore_ ? dmmLeft : dmmRight;
    if (column.Style() == vsOwnerDraw && options_.Contains(hoOwnerDraw) &&
        owner_->DoHeaderDraw(canvas, index, r, hot, pressed, dropMark))
        return;

    const bool enabled = options.Contains(coEnabled) && owner_->Enabled();
    TCustomImageList* images = Images();
    const bool showImage = options_.Contains(hoShowImages) && images && column.ImageIndex() >= 0 &&
                           column.ImageIndex() < images->Count();
    const bool themed = owner_->UseThemes() && ThemesUsable();
    const bool showSortGlyph = index == sortColumn_ && options_.Contains(hoShowSortGlyphs);
    TCustomImageList& utilities = BuiltInImageList(biUtilities);

    canvas.SaveState();
    canvas.IntersectClipRect(r);
    DrawButtonBackground(canvas, r, hot, pressed, last);

    TRect client = r;
    client.Inflate(-2, -2);
    THeaderLayoutInput in;
    in.Client = client;
    if (!column.Text().empty())
        in.Caption = {canvas.TextWidthUtf8(column.Text()) + 2, canvas.TextMetrics().Height};
    if (showImage) in.Image = {images->Width(), images->Height()};
    if (showSortGlyph) in.SortGlyph = {utilities.Width(), utilities.Height()};
    in.Alignment = column.Alignment();
    in.Layout = column.Layout();
    in.Margin = column.Margin();
    in.Spacing = column.Spacing();
    in.RightToLeft = column.UseRightToLeftReading();
    in.Pressed = pressed;
    const THeaderLayout layout = ComputeHeaderLayout(in);

    if (showImage)
        images->Draw(canvas, layout.Image.X, layout.Image.Y, column.ImageIndex(), enabled);
    DrawButtonText(canvas, column.Text(), layout.Caption, enabled,
                   hot && options_.Contains(hoHotTrack) && !themed, in.RightToLeft, font_.Color());
    if (showSortGlyph) {
        const bool ascending = sortDirection_ == sdAscending;
        const int glyph = themed ? (ascending ? uiThemedSortAscending : uiThemedSortDescending)
                                 : (ascending ? uiSortAscending : uiSortDescending);
        utilities.Draw(canvas, layout.SortGlyph.X, layout.SortGlyph.Y, glyph);
    }
    if (dropMark != dmmNone) {
        const int y = r.Top + (r.Height() - utilities.Height()) / 2;
        if (dropMark == dmmLeft)
            utilities.Draw(canvas, r.Left, y, uiDropMarkLeft);
        else
            utilities.Draw(canvas, r.Right - utilities.Width(), y, uiDropMarkRight);
    }
    canvas.RestoreState();
}
