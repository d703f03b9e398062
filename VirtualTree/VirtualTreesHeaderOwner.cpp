// The header's owner over the tree's public surface, for headers that a tree creates.
#include "VirtualTreesHeader.h"

#include "VirtualTrees.h"
#include "VirtualTreesDrawing.h"

#include "platform/ThemeServices.h"

#include <algorithm>

namespace {

// The widest cell a column needs over the shown nodes: the tree's own measure where its row
// layout offers one; otherwise the margins, in the main column the indent and check image, the
// state and normal images, and the content's own width.
template <class Tree>
int MaxColumnWidth(Tree* tree, TColumnIndex column) {
    if constexpr (requires { tree->GetMaxColumnWidth(column); }) {
        return tree->GetMaxColumnWidth(column);
    } else {
        TVTHeader& header = tree->Header();
        const bool isMain = column == header.MainColumn();
        const TVTPaintOptions paint = tree->TreeOptions().PaintOptions();
        const bool checks = tree->TreeOptions().MiscOptions().Contains(toCheckSupport);
        int widest = 0;
        for (PVirtualNode node = tree->GetFirstVisible(); node; node = tree->GetNextVisible(node)) {
            int width = 2 * tree->Margin();
            if (isMain) {
                int level = int(tree->GetNodeLevel(node));
                if (paint.Contains(toShowRoot)) ++level;
                width += level * int(tree->Indent());
                if (checks && node->CheckType != ctNone && tree->CheckImages())
                    width += tree->CheckImages()->Width() + 2;
            }
            bool ghosted = false;
            if (TCustomImageList* images = tree->StateImages())
                if (tree->DoGetImageIndex(node, ikState, column, ghosted) > -1)
                    width += images->Width() + 2;
            if (TCustomImageList* images = tree->Images())
                if (tree->DoGetImageIndex(node, ikNormal, column, ghosted) > -1)
                    width += images->Width() + 2;
            width += tree->DoGetNodeWidth(node, column);
            widest = std::max(widest, width);
        }
        return widest;
    }
}

// The event dispatchers are the tree's surface for descendants; the header's owner acts for the
// tree and reaches them the way a descendant does.
struct TTreeDispatchers : TBaseVirtualTree {
    using TBaseVirtualTree::DoColumnResize;
    using TBaseVirtualTree::DoGetHeaderCursor;
    using TBaseVirtualTree::DoHeaderClick;
    using TBaseVirtualTree::DoHeaderDblClick;
    using TBaseVirtualTree::DoHeaderDragged;
    using TBaseVirtualTree::DoHeaderDragging;
    using TBaseVirtualTree::DoHeaderDraw;
    using TBaseVirtualTree::DoHeaderMouseDown;
    using TBaseVirtualTree::DoHeaderMouseMove;
    using TBaseVirtualTree::DoHeaderMouseUp;
    using TBaseVirtualTree::SetHeaderCursor;
};

class TTreeHeaderOwner : public TVTHeaderOwner {
public:
    explicit TTreeHeaderOwner(TBaseVirtualTree* tree) : tree_(tree) {}

    TBaseVirtualTree* Tree() const override { return tree_; }
    bool Loading() const override { return tree_->Loading(); }
    bool WindowExists() const override { return tree_->HandleAllocated(); }
    bool Enabled() const override { return tree_->Enabled(); }
    bool UseThemes() const override { return tree_->HasTreeState(tsUseThemes) && ThemesUsable(); }
    int ClientWidth() const override { return tree_->ClientWidth(); }
    int ClientHeight() const override { return tree_->ClientHeight(); }
    int OffsetX() const override { return tree_->OffsetX(); }
    TColor TreeColor() const override { return tree_->Color(); }
    TBiDiMode TreeBiDiMode() const override { return tree_->BiDiMode(); }
    TRect WindowRect() const override {
        const TRect client = tree_->ClientOrigin();
        return {-client.Left, -client.Top, tree_->Width() - client.Left,
                tree_->Height() - client.Top};
    }
    TRect HeaderStripRect() const override {
        TRect strip = tree_->HeaderStripRect();
        if (strip.Right <= strip.Left) strip.Right = strip.Left + tree_->ClientWidth();
        return strip;
    }

    void HeaderHeightChanged(int visibleHeight) override {
        if (tree_->HeaderStripHeight() == visibleHeight) return;
        tree_->SetHeaderStripHeight(visibleHeight);
        if (tree_->HandleAllocated()) tree_->UpdateScrollBars(true);
    }
    void InvalidateArea(const TRect& r) override {
        if (r.Top < 0) tree_->InvalidateHeaderStrip();
        if (r.Bottom > 0) tree_->InvalidateRect({r.Left, std::max(r.Top, 0), r.Right, r.Bottom});
    }
    void InvalidateTree() override { tree_->Invalidate(); }
    void UpdateWindow() override { tree_->Update(); }
    void UpdateHorizontalScrollBar() override { tree_->UpdateHorizontalScrollBar(false); }

    void SetMouseCapture(bool capture) override { tree_->SetMouseCapture(capture); }
    void SetTimer(int id, unsigned milliseconds) override { tree_->SetTimer(id, milliseconds); }
    void KillTimer(int id) override { tree_->KillTimer(id); }
    void SetHeaderCursor(TCursor cursor) override {
        (tree_->*&TTreeDispatchers::SetHeaderCursor)(cursor);
    }
    void ShowPopupMenu(TPopupMenu& menu, TPoint p) override {
        menu.PopupComponent = tree_;
        const TPoint screen = tree_->ClientToScreen(p);
        menu.Popup(screen.X, screen.Y);
    }
    void WatchComponent(TComponent* component) override {
        if (component) component->FreeNotification(tree_);
    }
    void HeaderPressStarting() override {
        tree_->KillTimer(TBaseVirtualTree::ScrollTimer);
        tree_->KillTimer(TBaseVirtualTree::EditTimer);
    }
    void CancelHint() override { tree_->CancelHint(); }
    void CancelEdit() override { tree_->CancelEditNode(); }
    void MainColumnChanged() override {
        tree_->EndEditNode();
        if (!tree_->TreeOptions().SelectionOptions().Contains(toExtendedFocus))
            tree_->SetFocusedColumn(tree_->Header().MainColumn());
        tree_->Invalidate();
    }
    void SortChanged() override {
        if (tree_->TreeOptions().AutoOptions().Contains(toAutoSort) && tree_->UpdateCount() == 0)
            tree_->SortTree(tree_->Header().SortColumn(), tree_->Header().SortDirection(), true);
    }

    int GetMaxColumnWidth(TColumnIndex column) override { return MaxColumnWidth(tree_, column); }

    void DoColumnResize(TColumnIndex column) override {
        (tree_->*&TTreeDispatchers::DoColumnResize)(column);
    }
    void DoHeaderClick(TColumnIndex column, TMouseButton button, TShiftState shift, int x,
                       int y) override {
        (tree_->*&TTreeDispatchers::DoHeaderClick)(column, button, shift, x, y);
    }
    void DoHeaderDblClick(TColumnIndex column, TMouseButton button, TShiftState shift, int x,
                          int y) override {
        (tree_->*&TTreeDispatchers::DoHeaderDblClick)(column, button, shift, x, y);
    }
    void DoHeaderMouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
        (tree_->*&TTreeDispatchers::DoHeaderMouseDown)(button, shift, x, y);
    }
    void DoHeaderMouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
        (tree_->*&TTreeDispatchers::DoHeaderMouseUp)(button, shift, x, y);
    }
    void DoHeaderMouseMove(TShiftState shift, int x, int y) override {
        (tree_->*&TTreeDispatchers::DoHeaderMouseMove)(shift, x, y);
    }
    bool DoHeaderDragging(TColumnIndex column) override {
        return (tree_->*&TTreeDispatchers::DoHeaderDragging)(column);
    }
    void DoGetHeaderCursor(TCursor& cursor) override {
        (tree_->*&TTreeDispatchers::DoGetHeaderCursor)(cursor);
    }
    void DoHeaderDragged(TColumnIndex column, int oldPosition) override {
        (tree_->*&TTreeDispatchers::DoHeaderDragged)(column, oldPosition);
    }
    bool DoHeaderDraw(TCanvas& canvas, TColumnIndex column, const TRect& r, bool hover,
                      bool pressed, TVTDropMarkMode dropMark) override {
        return (tree_->*&TTreeDispatchers::DoHeaderDraw)(canvas, column, r, hover, pressed,
                                                         dropMark);
    }

private:
    TBaseVirtualTree* tree_;
};

}  // namespace

TVTHeader::TVTHeader(TBaseVirtualTree* tree) : TVTHeader(*new TTreeHeaderOwner(tree)) {
    ownedOwner_.reset(owner_);
    // The tree's first header is made with the tree's window or earlier, after the GUI
    // application object exists: the built-in images are drawn then, with its palette.
    InitializeTreeLibrary();
}
