// In-place editing: the tree opens, places, ends and cancels an editor through its edit link;
// the string tree's link puts a single-line editor over the cell.
#include "VirtualTreesEditing.h"

#include "VirtualStringTree.h"

#include <algorithm>

// --- The tree's side ---------------------------------------------------------------------------

bool TBaseVirtualTree::EditNode(PVirtualNode node, TColumnIndex column) {
    VT_ASSERT(node, "Node must not be nil.");
    VT_ASSERT(column >= NoColumn && column < TColumnIndex(Header().ColumnCount()),
              "Column must be a valid column index (-1 if no header is shown).");
    if (!states_.Contains(tsEditing)) {
        SetFocusedNode(node);
        if (focusedNode_ == node && CanEdit(node, column)) {
            editColumn_ = column;
            if (!HasState(node, vsInitialized)) InitNode(node);
            DoEdit();
        }
    }
    return states_.Contains(tsEditing);
}

// Opens the editor over the focused node's cell in the edit column (F2, the edit timer,
// EditNode).
void TBaseVirtualTree::DoEdit() {
    CancelHint();
    KillTimer(ScrollTimer);
    KillTimer(EditTimer);
    states_.Exclude(tsEditPending);
    if (!focusedNode_ || HasState(focusedNode_, vsDisabled) || destroying_) return;
    PVirtualNode node = focusedNode_;
    editLink_ = DoCreateEditor(node, editColumn_);
    if (!editLink_) return;
    ScrollIntoView(node, true);
    SetTreeState(tsEditing);
    bool open = false;
    if (editLink_->PrepareEdit(this, node, editColumn_)) {
        UpdateEditBounds();
        InvalidateNode(node);
        open = editLink_->BeginEdit();
    }
    if (!open) {
        states_.Exclude(tsEditing);
        editLink_.reset();
    }
}

// The editor's place: the text of the focused node's cell in the edit column (unclipped), the
// whole column with toGridExtensions, one pixel short of a horizontal grid line. Opening an
// edit, scrolling, resizing the tree and resizing a column all place it here.
void TBaseVirtualTree::UpdateEditBounds() {
    if (!editLink_ || !states_.Contains(tsEditing) || !focusedNode_) return;
    TRect r = GetDisplayRect(focusedNode_, editColumn_, true, true);
    int left = 0, right = 0;
    if (TreeOptions().MiscOptions().Contains(toGridExtensions) &&
        Header().GetColumnBounds(editColumn_, left, right)) {
        r.Left = left + geometry_.OffsetX();
        r.Right = right + geometry_.OffsetX();
    }
    if (TreeOptions().PaintOptions().Contains(toShowHorzGridLines)) --r.Bottom;
    editLink_->SetBounds(r);
}

void TBaseVirtualTree::EditorFocusLeft() {
    if (!states_.Contains(tsEditing)) return;
    const auto* strings = dynamic_cast<const TCustomStringTreeOptions*>(&TreeOptions());
    const bool accept = strings && strings->StringOptions().Contains(toAutoAcceptEditChange);
    editFocusLeft_ = true;
    try {
        accept ? EndEditNode() : CancelEditNode();
    } catch (...) {
        editFocusLeft_ = false;
        throw;
    }
    editFocusLeft_ = false;
}

// --- The editor --------------------------------------------------------------------------------

namespace {

bool AutoAccepts(TCustomVirtualStringTree* tree) {
    return tree && tree->StringOptions().Contains(toAutoAcceptEditChange);
}

}  // namespace

TVTEdit::TVTEdit(TStringEditLink& link, TCustomControl& parent)
    : TEditControl(parent), link_(&link) {}

TVTEdit::~TVTEdit() {
    // The edit was neither ended nor cancelled: a changed text is kept when the tree says so.
    if (!link_ || link_->stopping_ || !AutoAccepts(link_->tree_) || !Modified()) return;
    link_->stopping_ = true;
    try {
        link_->WriteBack(TextUtf8());
    } catch (...) {
        // A destructor cannot report; the text stays as it was.
    }
}

int TVTEdit::TextExtent() const {
    TBitmap probe(1, 1);
    probe.Canvas().Font().Assign(Font());
    const int margin = link_ && link_->tree_ ? link_->tree_->TextMargin() : 0;
    return LimitedTextWidth(probe.Canvas(), TextUtf8()) + 2 * margin;
}

void TVTEdit::KeyDown(uint16_t& key, TShiftState shift) {
    TEditControl::KeyDown(key, shift);
    if (!link_ || !link_->tree_) return;
    TCustomVirtualStringTree* tree = link_->tree_;
    switch (key) {
        case VK_RETURN:
            key = 0;
            tree->EndEditNode();
            break;
        case VK_ESCAPE:
            key = 0;
            tree->CancelEditNode();
            break;
        case VK_UP:
            key = VK_LEFT;
            break;
        case VK_DOWN:
            key = VK_RIGHT;
            break;
        default:
            break;
    }
}

void TVTEdit::KeyPress(char& key) {
    if (key == '\t' || key == '\x1b') key = 0;
}

bool TVTEdit::WantKey(uint16_t key, TShiftState shift) {
    return key == VK_TAB || TEditControl::WantKey(key, shift);
}

void TVTEdit::Change() {
    AutoAdjustSize();
}

void TVTEdit::FocusLost(bool toParent) {
    // A click in the tree ends the edit through the tree's own mouse handling.
    if (toParent || !link_ || link_->stopping_ || !link_->tree_) return;
    link_->tree_->EditorFocusLeft();
}

// The editor follows its text: left-aligned editors keep their left edge, right-aligned ones
// their right edge; within the minimum width and the tree's client width.
void TVTEdit::AutoAdjustSize() {
    if (!link_ || link_->stopping_ || link_->preparing_ || !link_->tree_ || !Visible()) return;
    TCustomVirtualStringTree* tree = link_->tree_;
    if (tree->TreeOptions().MiscOptions().Contains(toGridExtensions)) return;
    TRect r = BoundsRect();
    const int width = TextExtent();
    if (width < r.Width()) tree->InvalidateNode(link_->node_);
    if (link_->alignment_ == taRightJustify)
        r.Left = r.Right - width;
    else
        r.Right = r.Left + width;
    r = TStringEditLink::LimitBounds(r, link_->alignment_, tree->ClientWidth());
    SetRedraw(false);
    SetBoundsRect(r);
    SetRedraw(true);
}

// --- The string edit link ----------------------------------------------------------------------

TStringEditLink::TStringEditLink() = default;

TStringEditLink::~TStringEditLink() {
    edit_.reset();
}

TRect TStringEditLink::LimitBounds(TRect r, TAlignment alignment, int clientWidth) {
    if (r.Left < 0) r.Left = 0;
    if (r.Width() < MinimumWidth) {
        if (alignment == taRightJustify)
            r.Left = r.Right - MinimumWidth;
        else
            r.Right = r.Left + MinimumWidth;
    }
    if (r.Right > clientWidth) r.Right = clientWidth;
    return r;
}

bool TStringEditLink::PrepareEdit(TBaseVirtualTree* tree, PVirtualNode node, TColumnIndex column) {
    auto* strings = dynamic_cast<TCustomVirtualStringTree*>(tree);
    if (!strings || !node) return false;
    tree_ = strings;
    node_ = node;
    column_ = column;
    stopping_ = false;
    if (!edit_) edit_ = std::make_unique<TVTEdit>(*this, *tree);
    TFont font(tree->Font());
    std::string text;
    tree_->GetTextInfo(node, column, font, textBounds_, text);
    // Where the text line starts below the editor's top, wherever the tree moves the editor.
    textShift_ = textBounds_.Top - tree->GetDisplayRect(node, column, true, true).Top;
    preparing_ = true;
    edit_->SetFont(font);
    edit_->SetTextUtf8(text);
    preparing_ = false;
    edit_->SetFrame(true);
    TVTHeader& header = tree->Header();
    alignment_ = column > NoColumn && header.IsValidColumn(column) ? header.ColumnAlignment(column)
                                                                   : tree->Alignment();
    return true;
}

bool TStringEditLink::BeginEdit() {
    if (!stopping_ && edit_) {
        edit_->Show();
        edit_->SelectAll();
        edit_->SetFocus();
    }
    return true;
}

bool TStringEditLink::CancelEdit() {
    if (!stopping_) {
        stopping_ = true;
        if (edit_) edit_->Hide();
    }
    return true;
}

bool TStringEditLink::EndEdit() {
    if (!stopping_) {
        stopping_ = true;
        if (edit_ && edit_->Modified()) WriteBack(edit_->TextUtf8());
        if (edit_) edit_->Hide();
    }
    return true;
}

TRect TStringEditLink::GetBounds() {
    return edit_ ? edit_->BoundsRect() : TRect{};
}

void TStringEditLink::ProcessMessage(const TEditMessage& message) {
    if (edit_) edit_->Perform(message);
}

void TStringEditLink::SetBounds(const TRect& bounds) {
    if (stopping_ || !edit_ || !tree_) return;
    const TRect r = LimitBounds(bounds, alignment_, tree_->ClientWidth());
    edit_->SetBoundsRect(r);
    // The formatting rectangle: the client area inflated by (offset - TextMargin, offset),
    // moved down to where the cell's text starts.
    const int offset = tree_->HasTreeState(tsUseThemes) ? 3 : 2;
    const int dx = offset - tree_->TextMargin();
    const int shift = textShift_;
    const int top = -offset + shift;
    const int bottom = r.Height() + offset + shift;
    edit_->SetTextMargins(-dx, top, -dx, r.Height() - bottom);
    // Moved by a scroll or a resize, a typed-in editor still fits what was typed.
    if (edit_->Modified()) edit_->AutoAdjustSize();
}

void TStringEditLink::WriteBack(const std::string& text) {
    if (tree_ && node_) tree_->DoNewText(node_, column_, text);
}
