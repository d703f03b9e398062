// Drag and drop: the drop-target steps called directly (drop modes, the handler deciding,
// auto-expand, effects, edge scrolling), the desktop drag through a test launcher (allowed
// effects, deleting moved nodes once), and the form library's in-process drag driven by mouse
// moves.
#include "TreeTestSupport.h"
#include "VirtualTreesClipboard.h"
#include "VirtualTreesDragDrop.h"

#include "platform/DesktopDrag.h"
#include "platform/EventLoop.h"
#include "platform/headless/Headless.h"

namespace {

class DragTree : public TestTree {
public:
    DragTree() {
        nodeWidth = 30;
        SetClientSize(200, 200);
    }
    using TBaseVirtualTree::DetermineScrollDirections;
    using TBaseVirtualTree::DoDragging;
    using TBaseVirtualTree::MouseDown;
    using TBaseVirtualTree::MouseMove;
    using TBaseVirtualTree::MouseUp;

    // The middle of a node's row, on its label or right of it.
    TPoint OnLabel(PVirtualNode node) {
        const TRect r = GetDisplayRect(node, NoColumn, true);
        return {r.Left + 2, (r.Top + r.Bottom) / 2};
    }
    TPoint RightOf(PVirtualNode node, int dy) {
        const TRect r = GetDisplayRect(node, NoColumn, true);
        return {r.Right + 20, GetDisplayRect(node, NoColumn, false).Top + dy};
    }
};

// What the tree's drag handlers saw.
struct DragLog {
    explicit DragLog(TBaseVirtualTree& tree, bool accept = true) : tree(tree) {
        tree.OnDragOver = [this, accept](TBaseVirtualTree*, TObject* source, TShiftState,
                                         TDragState state, TPoint, TDropMode mode, int& effect,
                                         bool& accepted) {
            overs.push_back({state, mode, effect, source});
            accepted = accept;
        };
        tree.OnDragDrop = [this](TBaseVirtualTree*, TObject* source, TDataObject* data,
                                 const std::vector<TClipFormat>& formats, TShiftState shift,
                                 TPoint pt, int& effect, TDropMode mode) {
            drops.push_back({source, data, formats, shift, pt, effect, mode});
        };
    }
    ~DragLog() {
        tree.OnDragOver = nullptr;
        tree.OnDragDrop = nullptr;
    }
    struct Over {
        TDragState state;
        TDropMode mode;
        int effect;
        TObject* source;
    };
    struct Drop {
        TObject* source;
        TDataObject* data;
        std::vector<TClipFormat> formats;
        TShiftState shift;
        TPoint pt;
        int effect;
        TDropMode mode;
    };
    TBaseVirtualTree& tree;
    std::vector<Over> overs;
    std::vector<Drop> drops;
};

class FakeData : public TMemoryDataObject {
public:
    FakeData() { SetData(StandardFormatUnicodeText, "text"); }
};

// What the desktop drag was asked to do.
struct TDragRequest {
    TBaseVirtualTree* Source;
    PDataObject Data;
    int AllowedEffects;
    const TDragPicture* Picture;
};

// Stands in for the desktop's drag during one test.
struct LauncherScope {
    explicit LauncherScope(std::function<int(const TDragRequest&)> run) {
        SetDesktopDragRunner([run](TCustomControl& source, const PDataObject& data, int allowed,
                                   const TDragPicture* picture) {
            return run({static_cast<TBaseVirtualTree*>(&source), data, allowed, picture});
        });
    }
    ~LauncherScope() { SetDesktopDragRunner(nullptr); }
};

// The data object a drag of the tree's first node hands the desktop.
PDataObject DraggedData(DragTree& tree) {
    PDataObject dragged;
    LauncherScope scope([&dragged](const TDragRequest& request) {
        dragged = request.Data;
        return DROPEFFECT_NONE;
    });
    tree.SetFocusedNode(tree.GetFirst());
    tree.DoDragging({5, 5});
    return dragged;
}

}  // namespace

// --- The drop target -----------------------------------------------------------------------

TEST(TreeDragDrop, ADragTakesTheDataObjectTheHandlerMakes) {
    DragTree tree;
    tree.SetRootNodeCount(1);
    tree.SetDragImageKind(diNoImage);
    auto own = std::make_shared<TMemoryDataObject>();
    tree.OnCreateDataObject = [&own](TBaseVirtualTree*, PDataObject& data) { data = own; };
    EXPECT_EQ(DraggedData(tree), own);
    EXPECT_NE(tree.CreateDataObject(true), own) << "the clipboard keeps the tree's own";
}

namespace {

// An application's drag manager: it hands out its own data and logs the desktop's calls.
class OwnDragManager : public IVTDragManager {
public:
    PDataObject DataObject() override { return data; }
    TBaseVirtualTree* DragSource() const override { return nullptr; }
    bool IsDropTarget() const override { return false; }
    int DesktopDragEnter(const PDataObject&, TShiftState, TPoint, int) override {
        calls.push_back("enter");
        return DROPEFFECT_NONE;
    }
    int DesktopDragOver(TShiftState, TPoint, int) override {
        calls.push_back("over");
        return DROPEFFECT_NONE;
    }
    void DesktopDragLeave() override { calls.push_back("leave"); }
    int DesktopDrop(const PDataObject&, TShiftState, TPoint, int) override {
        calls.push_back("drop");
        return DROPEFFECT_NONE;
    }
    PDataObject data = std::make_shared<FakeData>();
    std::vector<std::string> calls;
};

}  // namespace

TEST(TreeDragDrop, DragsGoThroughTheDragManagerTheHandlerGives) {
    DragTree tree;
    tree.SetRootNodeCount(1);
    tree.SetDragImageKind(diNoImage);
    auto manager = std::make_shared<OwnDragManager>();
    int made = 0;
    tree.OnCreateDragManager = [&](TBaseVirtualTree* sender, PVTDragManager& dragManager) {
        EXPECT_EQ(sender, &tree);
        ++made;
        dragManager = manager;
    };
    EXPECT_EQ(DraggedData(tree), manager->data) << "the drag carries the manager's data object";
    EXPECT_EQ(&tree.DragManager(), manager.get());

    // The desktop's drags over the tree reach the manager, not the tree's own drop target.
    DragLog log(tree);
    ASSERT_TRUE(AcceptsDesktopDrops(tree));
    TVTDragParts parts(&tree);
    auto* target = static_cast<TDesktopDropTarget*>(&parts);
    target->DesktopDragEnter(std::make_shared<FakeData>(), 0, {5, 5}, DROPEFFECT_COPY);
    target->DesktopDragOver(0, {5, 5}, DROPEFFECT_COPY);
    target->DesktopDragLeave();
    EXPECT_EQ(manager->calls, (std::vector<std::string>{"enter", "over", "leave"}));
    EXPECT_TRUE(log.overs.empty());
    EXPECT_EQ(made, 1) << "made once";

    // Without a handler the tree's own manager takes the drag to the tree's handlers.
    DragTree plain;
    plain.SetRootNodeCount(1);
    DragLog plainLog(plain);
    TVTDragParts plainParts(&plain);
    static_cast<TDesktopDropTarget&>(plainParts)
        .DesktopDragEnter(std::make_shared<FakeData>(), 0, {5, 5}, DROPEFFECT_COPY);
    EXPECT_TRUE(plain.DragManager().IsDropTarget());
    ASSERT_EQ(plainLog.overs.size(), 1u);
    EXPECT_EQ(plainLog.overs[0].state, dsDragEnter);
    static_cast<TDesktopDropTarget&>(plainParts).DesktopDragLeave();
    EXPECT_FALSE(plain.DragManager().IsDropTarget());
}

TEST(TreeDragDrop, DropModesFollowTheRowHalvesAndTheLabel) {
    DragTree tree;
    tree.SetRootNodeCount(3);
    PVirtualNode first = tree.GetFirst();
    DragLog log(tree);
    int effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_TRUE(tree.DragEnter(nullptr, 0, tree.RightOf(first, 4), effect));
    EXPECT_EQ(tree.LastDropMode(), dmAbove);
    EXPECT_EQ(tree.DropTargetNode(), first);
    EXPECT_EQ(log.overs.back().state, dsDragEnter);
    EXPECT_EQ(log.overs.back().mode, dmAbove) << "enter uses the drag-over rule";
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    tree.DragOver(nullptr, 0, dsDragMove, tree.RightOf(first, 14), effect);
    EXPECT_EQ(tree.LastDropMode(), dmBelow);
    tree.DragOver(nullptr, 0, dsDragMove, tree.OnLabel(first), effect);
    EXPECT_EQ(tree.LastDropMode(), dmOnNode);
    tree.DragOver(nullptr, 0, dsDragMove, {20, 3 * 18 + 10}, effect);
    EXPECT_EQ(tree.LastDropMode(), dmNowhere);
    EXPECT_EQ(tree.DropTargetNode(), nullptr);

    TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    paint.Exclude(toShowDropmark);
    tree.TreeOptions().SetPaintOptions(paint);
    tree.DragOver(nullptr, 0, dsDragMove, tree.RightOf(first, 4), effect);
    EXPECT_EQ(tree.LastDropMode(), dmOnNode);
    tree.DragOver(nullptr, 0, dsDragMove, tree.RightOf(first, 14), effect);
    EXPECT_EQ(tree.LastDropMode(), dmOnNode);
    tree.DragLeave();
    tree.DragEnter(nullptr, 0, tree.RightOf(first, 14), effect);
    EXPECT_EQ(tree.LastDropMode(), dmBelow) << "entering goes by the row halves regardless";
    tree.DragLeave();
    EXPECT_EQ(tree.DropTargetNode(), nullptr);
    EXPECT_EQ(log.overs.back().state, dsDragLeave);
    EXPECT_EQ(log.overs.back().effect, DROPEFFECT_NONE);
}

TEST(TreeDragDrop, TheDragOverHandlerDecides) {
    DragTree tree;
    tree.SetRootNodeCount(3);
    PVirtualNode second = tree.GetNext(tree.GetFirst());
    {
        DragLog refusing(tree, false);
        int effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_FALSE(tree.DragOver(nullptr, 0, dsDragMove, tree.OnLabel(second), effect));
        EXPECT_EQ(effect, DROPEFFECT_NONE);
        FakeData data;
        effect = DROPEFFECT_COPY;
        EXPECT_FALSE(tree.DragDrop(nullptr, &data, 0, tree.OnLabel(second), effect));
        EXPECT_TRUE(refusing.drops.empty());
    }
    DragLog log(tree);
    FakeData data;
    int effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    const TPoint below = tree.RightOf(second, 15);
    ASSERT_TRUE(tree.DragDrop(nullptr, &data, ssShift, below, effect));
    ASSERT_EQ(log.drops.size(), 1u);
    const DragLog::Drop& drop = log.drops[0];
    EXPECT_EQ(drop.mode, dmBelow);
    EXPECT_EQ(drop.shift, TShiftState(ssShift));
    EXPECT_EQ(drop.pt, below);
    EXPECT_EQ(drop.data, &data);
    EXPECT_EQ(drop.formats, std::vector<TClipFormat>{StandardFormatUnicodeText});
    EXPECT_EQ(drop.effect, DROPEFFECT_MOVE) << "Shift asks for a move";
    EXPECT_EQ(tree.DropTargetNode(), nullptr) << "the target is forgotten after the drop";

    // No handler: nothing is accepted and nothing dropped.
    tree.OnDragOver = nullptr;
    effect = DROPEFFECT_COPY;
    EXPECT_FALSE(tree.DragDrop(nullptr, &data, 0, below, effect));
    EXPECT_EQ(log.drops.size(), 1u);
}

TEST(TreeDragDrop, EffectsFollowTheSourceAndTheKeys) {
    DragTree tree, other;
    tree.SetRootNodeCount(2);
    DragLog log(tree);
    const TPoint p = tree.OnLabel(tree.GetFirst());
    auto over = [&](TObject* source, TShiftState shift, int allowed) {
        int effect = allowed;
        tree.DragOver(source, shift, dsDragMove, p, effect);
        return effect;
    };
    const int all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(over(&tree, 0, all), DROPEFFECT_MOVE) << "the same tree moves";
    EXPECT_EQ(over(&other, 0, all), DROPEFFECT_COPY) << "another tree copies";
    EXPECT_EQ(over(nullptr, 0, all), DROPEFFECT_COPY) << "another program copies";
    EXPECT_EQ(over(&tree, ssCtrl, all), DROPEFFECT_COPY);
    EXPECT_EQ(over(&other, ssShift, all), DROPEFFECT_MOVE);
    EXPECT_EQ(over(&tree, ssCtrl | ssShift, all), DROPEFFECT_LINK);
    EXPECT_EQ(over(&tree, ssCtrl | ssShift, DROPEFFECT_MOVE), DROPEFFECT_MOVE)
        << "a link that is not allowed falls back";
    EXPECT_EQ(over(&tree, ssCtrl, DROPEFFECT_MOVE), DROPEFFECT_MOVE);
}

TEST(TreeDragDrop, HoveringACollapsedNodeExpandsItAfterTheDelay) {
    DragTree tree;
    Shape s = BuildShape(tree);
    tree.SetExpanded(s.A, false);
    tree.SetExpanded(s.C, false);
    tree.SetAutoExpandDelay(30);
    DragLog log(tree);
    int effect = DROPEFFECT_COPY;
    tree.DragEnter(nullptr, 0, tree.OnLabel(s.A), effect);
    Pump(100);
    EXPECT_TRUE(tree.Expanded(s.A));

    // Moving on before the delay: nothing expands.
    tree.SetExpanded(s.A, false);
    tree.DragOver(nullptr, 0, dsDragMove, tree.OnLabel(s.C), effect);
    Pump(10);
    tree.DragOver(nullptr, 0, dsDragMove, tree.OnLabel(s.A), effect);
    tree.DragLeave();
    Pump(100);
    EXPECT_FALSE(tree.Expanded(s.A));
    EXPECT_FALSE(tree.Expanded(s.C));

    // Without the option no timer runs.
    TVTAutoOptions autoOptions = tree.TreeOptions().AutoOptions();
    autoOptions.Exclude(toAutoDropExpand);
    tree.TreeOptions().SetAutoOptions(autoOptions);
    tree.DragEnter(nullptr, 0, tree.OnLabel(s.C), effect);
    Pump(100);
    EXPECT_FALSE(tree.Expanded(s.C));
    tree.DragLeave();
}

TEST(TreeDragDrop, EdgeScrollingWaitsForTheHoldOffThenScrollsToTheEnd) {
    DragTree tree;
    tree.SetClientSize(200, 100);
    tree.SetRootNodeCount(20);  // 360 pixels of rows
    TVTAutoOptions autoOptions = tree.TreeOptions().AutoOptions();
    autoOptions.Include(toAutoScroll);
    tree.TreeOptions().SetAutoOptions(autoOptions);
    tree.SetAutoScrollDelay(150);
    tree.SetAutoScrollInterval(5);
    DragLog log(tree);
    int effect = DROPEFFECT_COPY;
    const TPoint nearBottom{20, 95};
    tree.DragEnter(nullptr, 0, nearBottom, effect);
    EXPECT_EQ(tree.OffsetY(), 0);
    Pump(60);
    EXPECT_EQ(tree.OffsetY(), 0) << "nothing before the hold-off";
    // Leaving the zone restarts the hold-off.
    tree.DragOver(nullptr, 0, dsDragMove, {20, 50}, effect);
    Pump(120);
    tree.DragOver(nullptr, 0, dsDragMove, nearBottom, effect);
    Pump(60);
    EXPECT_EQ(tree.OffsetY(), 0) << "the hold-off started again";
    ProcessMessagesUntil(
        2000, [](void* t) { return static_cast<DragTree*>(t)->OffsetY() < 0; }, &tree);
    const int firstStep = tree.OffsetY();
    EXPECT_LT(firstStep, 0);
    ProcessMessagesUntil(
        3000, [](void* t) { return static_cast<DragTree*>(t)->OffsetY() <= -(360 - 100); }, &tree);
    EXPECT_EQ(tree.OffsetY(), -(360 - 100)) << "scrolls step by step to the content end";
    effect = DROPEFFECT_COPY;
    tree.DragOver(nullptr, 0, dsDragMove, {20, 50}, effect);
    EXPECT_EQ(effect & DROPEFFECT_SCROLL, 0);
    tree.DragLeave();
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::ScrollTimer));

    // Near the top edge the hold-off applies again; a step sets the scroll flag.
    tree.SetAutoScrollDelay(0);
    effect = DROPEFFECT_COPY;
    tree.DragEnter(nullptr, 0, {20, 3}, effect);
    EXPECT_NE(effect & DROPEFFECT_SCROLL, 0);
    EXPECT_GT(tree.OffsetY(), -(360 - 100));
    tree.DragLeave();

    // Without toAutoScroll no direction results.
    autoOptions.Exclude(toAutoScroll);
    tree.TreeOptions().SetAutoOptions(autoOptions);
    EXPECT_TRUE(tree.DetermineScrollDirections(20, 3).Empty());
}

// --- The desktop drag (through a test launcher) ----------------------------------------------

TEST(TreeDragDrop, DragOperationsGiveTheAllowedEffects) {
    DragTree tree;
    tree.SetRootNodeCount(2);
    tree.SetDragImageKind(diNoImage);
    int allowed = -1;
    bool draggingDuring = false;
    LauncherScope scope([&](const TDragRequest& request) {
        allowed = request.AllowedEffects;
        draggingDuring = request.Source->Dragging();
        EXPECT_EQ(request.Picture, nullptr) << "diNoImage: no picture";
        EXPECT_NE(request.Data, nullptr);
        return DROPEFFECT_NONE;
    });
    tree.SetFocusedNode(tree.GetFirst());
    tree.DoDragging({5, 5});
    EXPECT_EQ(allowed, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_TRUE(draggingDuring);
    EXPECT_FALSE(tree.Dragging());
    EXPECT_TRUE(tree.Selected(tree.GetFirst())) << "the focused node is dragged selected";
    tree.SetDragOperations({});
    tree.DoDragging({5, 5});
    EXPECT_EQ(allowed, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    tree.SetDragOperations({doMove});
    tree.DoDragging({5, 5});
    EXPECT_EQ(allowed, DROPEFFECT_MOVE);
}

TEST(TreeDragDrop, AMoveDeletesTheDraggedNodesOnceAndACopyKeepsThem) {
    DragTree tree;
    tree.SetRootNodeCount(4);
    tree.SetDragImageKind(diNoImage);
    TVTSelectionOptions selection = tree.TreeOptions().SelectionOptions();
    selection.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(selection);
    std::vector<PVirtualNode> nodes = AllNodes(tree);
    int freed = 0;
    tree.OnFreeNode = [&](TBaseVirtualTree*, PVirtualNode) { ++freed; };
    int result = DROPEFFECT_COPY;
    LauncherScope scope([&](const TDragRequest&) { return result; });

    tree.AddToSelection({nodes[1], nodes[2]});
    tree.DoDragging({5, 5});
    EXPECT_EQ(tree.TotalCount(), 4u) << "a copy keeps them";
    result = DROPEFFECT_MOVE;
    tree.DoDragging({5, 5});
    EXPECT_EQ(tree.TotalCount(), 2u);
    EXPECT_EQ(freed, 2);
    EXPECT_FALSE(tree.HasTreeState(tsOLEDragging)) << "the drag state ends after deleting";
    EXPECT_EQ(CheckStructure(tree), "");

    // Without the option a move deletes nothing.
    TVTAutoOptions autoOptions = tree.TreeOptions().AutoOptions();
    autoOptions.Exclude(toAutoDeleteMovedNodes);
    tree.TreeOptions().SetAutoOptions(autoOptions);
    tree.ClearSelection();
    tree.AddToSelection(tree.GetFirst());
    tree.DoDragging({5, 5});
    EXPECT_EQ(tree.TotalCount(), 2u);
    tree.OnFreeNode = nullptr;
}

TEST(TreeDragDrop, NodesADropHandlerMovedAreNotDeletedAgain) {
    DragTree tree, other;
    tree.SetDragImageKind(diNoImage);
    TVTSelectionOptions selection = tree.TreeOptions().SelectionOptions();
    selection.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(selection);
    Shape s = BuildShape(tree);
    other.SetRootNodeCount(1);
    PVirtualNode anchor = other.GetFirst();

    // Within the tree: the dragged nodes moved under C and stay there.
    tree.AddToSelection({s.A1, s.C1});
    {
        LauncherScope scope([&](const TDragRequest&) {
            tree.MoveTo(s.A1, s.C, amAddChildLast, false);
            return DROPEFFECT_MOVE;
        });
        tree.DoDragging({5, 5});
    }
    EXPECT_EQ(s.A1->Parent, s.C);
    EXPECT_EQ(tree.TreeFromNode(s.A1), &tree);
    EXPECT_EQ(tree.TotalCount(), 5u) << "only the node that did not move (C1) went";
    EXPECT_EQ(CheckStructure(tree), "");

    // Into another tree: the moved nodes were freed here; nothing touches them again.
    tree.ClearSelection();
    tree.AddToSelection({s.A2, s.A1});
    {
        LauncherScope scope([&](const TDragRequest&) {
            tree.MoveTo(s.A2, anchor, amAddChildLast, false);
            tree.MoveTo(s.A1, anchor, amAddChildLast, false);
            return DROPEFFECT_MOVE;
        });
        tree.DoDragging({5, 5});
    }
    EXPECT_EQ(other.TotalCount(), 4u);
    EXPECT_EQ(tree.TotalCount(), 2u);
    EXPECT_EQ(CheckStructure(tree), "");
    EXPECT_EQ(CheckStructure(other), "");
}

// --- The form library's in-process drag ------------------------------------------------------

namespace {

class FormsDragTest : public ::testing::Test {
protected:
    FormsDragTest() {
        tree.SetRootNodeCount(4);
        tree.SetDragType(dtForms);
        tree.SetDragMode(dmAutomatic);
        nodes = AllNodes(tree);
    }
    ~FormsDragTest() override {
        CancelFormDrag();
        SetHeadlessMousePosition({-1, -1});
    }
    TPoint Screen(TPoint client) { return tree.ClientToScreen(client); }
    void Press(PVirtualNode node) {
        const TPoint p = tree.OnLabel(node);
        SetHeadlessMousePosition(Screen(p));
        tree.MouseDown(mbLeft, 0, p.X, p.Y);
    }
    DragTree tree;
    std::vector<PVirtualNode> nodes;
};

}  // namespace

TEST_F(FormsDragTest, APressAndAMovePastTheThresholdDropOnAnotherNode) {
    DragLog log(tree);
    Press(nodes[0]);
    EXPECT_TRUE(tree.HasTreeState(tsFormsDragPending));
    const TPoint start = tree.OnLabel(nodes[0]);
    tree.MouseMove(0, start.X + 1, start.Y + 1);
    EXPECT_FALSE(FormDragActive()) << "within the threshold";
    tree.MouseMove(0, start.X, start.Y + 12);
    ASSERT_TRUE(FormDragActive());
    EXPECT_EQ(FormDragSource(), &tree);
    EXPECT_TRUE(tree.Dragging());

    HeadlessMouseMove(Screen(tree.OnLabel(nodes[2])));
    ASSERT_FALSE(log.overs.empty());
    EXPECT_EQ(log.overs.front().state, dsDragEnter);
    EXPECT_EQ(log.overs.front().source, &tree);
    EXPECT_EQ(log.overs.back().effect, DROPEFFECT_MOVE) << "copy + move offered, the same tree";
    EXPECT_TRUE(HeadlessFormDragCursorAccepts());
    HeadlessMouseMove(Screen(tree.OnLabel(nodes[3])));
    EXPECT_EQ(log.overs.back().state, dsDragMove);
    EXPECT_EQ(tree.DropTargetNode(), nodes[3]);
    HeadlessMouseUp(Screen(tree.OnLabel(nodes[3])));

    EXPECT_FALSE(FormDragActive());
    ASSERT_EQ(log.drops.size(), 1u);
    EXPECT_EQ(log.drops[0].data, nullptr);
    EXPECT_TRUE(log.drops[0].formats.empty());
    EXPECT_EQ(log.drops[0].mode, dmOnNode);
    EXPECT_EQ(log.drops[0].source, &tree);
    EXPECT_EQ(tree.DropTargetNode(), nullptr);
    EXPECT_FALSE(tree.Dragging());
    EXPECT_FALSE(tree.HasTreeState(tsLeftButtonDown)) << "the release reached the tree";
    EXPECT_EQ(tree.FocusedNode(), nodes[0]);

    // Afterwards a plain click selects as usual.
    Press(nodes[1]);
    const TPoint p = tree.OnLabel(nodes[1]);
    tree.MouseUp(mbLeft, 0, p.X, p.Y);
    EXPECT_EQ(tree.FocusedNode(), nodes[1]);
    EXPECT_TRUE(tree.Selected(nodes[1]));
    EXPECT_FALSE(tree.HasTreeState(tsFormsDragPending));
    EXPECT_FALSE(FormDragActive());
}

TEST_F(FormsDragTest, NoDragWithoutMovingAndNoDropWhereRefusedOrCancelled) {
    DragLog log(tree, false);
    Press(nodes[0]);
    const TPoint p = tree.OnLabel(nodes[0]);
    tree.MouseUp(mbLeft, 0, p.X, p.Y);
    EXPECT_FALSE(FormDragActive());
    EXPECT_TRUE(log.overs.empty());

    // The handler refuses: the release drops nothing.
    Press(nodes[0]);
    tree.MouseMove(0, p.X, p.Y + 30);
    HeadlessMouseMove(Screen(tree.OnLabel(nodes[2])));
    EXPECT_FALSE(HeadlessFormDragCursorAccepts());
    HeadlessMouseUp(Screen(tree.OnLabel(nodes[2])));
    EXPECT_TRUE(log.drops.empty());
    EXPECT_EQ(log.overs.back().state, dsDragLeave);
    EXPECT_FALSE(FormDragActive());

    // Escape cancels an accepted drag.
    tree.OnDragOver = [](TBaseVirtualTree*, TObject*, TShiftState, TDragState, TPoint, TDropMode,
                         int&, bool& accept) { accept = true; };
    Press(nodes[1]);
    tree.MouseMove(0, p.X, p.Y + 40);
    HeadlessMouseMove(Screen(tree.OnLabel(nodes[3])));
    EXPECT_TRUE(FormDragAccepted());
    CancelFormDrag();
    EXPECT_FALSE(FormDragActive());
    EXPECT_TRUE(log.drops.empty());
    EXPECT_EQ(tree.DropTargetNode(), nullptr);
    EXPECT_FALSE(tree.HasTreeState(tsFormsDragging));
}

TEST_F(FormsDragTest, ManualModeAsksOnDragAllowedAndADraggedTreeMayGo) {
    tree.SetDragMode(dmManual);
    Press(nodes[0]);
    EXPECT_FALSE(tree.HasTreeState(tsFormsDragPending)) << "no OnDragAllowed: no drag";
    const TPoint p = tree.OnLabel(nodes[0]);
    tree.MouseUp(mbLeft, 0, p.X, p.Y);
    tree.OnDragAllowed = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool& allowed) {
        allowed = true;
    };
    Press(nodes[0]);
    EXPECT_TRUE(tree.HasTreeState(tsFormsDragPending));

    // A second tree is the target; it goes away during the drag, then the source does.
    auto target = std::make_unique<DragTree>();
    target->SetBounds(300, 0, 200, 200);
    target->SetRootNodeCount(2);
    target->OnDragOver = [](TBaseVirtualTree*, TObject*, TShiftState, TDragState, TPoint, TDropMode,
                            int&, bool& accept) { accept = true; };
    tree.MouseMove(0, p.X, p.Y + 30);
    ASSERT_TRUE(FormDragActive());
    HeadlessMouseMove(target->ClientToScreen(target->OnLabel(target->GetFirst())));
    EXPECT_EQ(FormDragTarget(), target.get());
    target.reset();
    EXPECT_EQ(FormDragTarget(), nullptr);
    HeadlessMouseMove(Screen({5, 5}));
    auto source = std::make_unique<DragTree>();
    source->SetRootNodeCount(1);
    source->SetDragType(dtForms);
    CancelFormDrag();
    source->BeginDrag(true);
    ASSERT_EQ(FormDragSource(), source.get());
    source.reset();
    EXPECT_FALSE(FormDragActive());
}

// --- Desktop drags between trees -------------------------------------------------------------

TEST(TreeDragDrop, TreesTakeDesktopDropsOnlyWithToAcceptOLEDrop) {
    DragTree tree;
    EXPECT_TRUE(AcceptsDesktopDrops(tree));
    TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
    misc.Exclude(toAcceptOLEDrop);
    tree.TreeOptions().SetMiscOptions(misc);
    EXPECT_FALSE(AcceptsDesktopDrops(tree));
    misc.Include(toAcceptOLEDrop);
    tree.TreeOptions().SetMiscOptions(misc);
    EXPECT_TRUE(AcceptsDesktopDrops(tree));
    TestTree fresh;  // a tree whose window does not exist yet registers when it is made
    EXPECT_FALSE(AcceptsDesktopDrops(fresh));
    fresh.HandleNeeded();
    EXPECT_TRUE(AcceptsDesktopDrops(fresh));
}

namespace {

// Two trees of the program: nodes dragged from `source` are dropped on the first node of
// `target`, whose drop handler inserts them from the data object.
struct TwoTrees {
    TwoTrees() {
        for (DragTree* t : {&source, &target}) {
            TVTSelectionOptions selection = t->TreeOptions().SelectionOptions();
            selection.Include(toMultiSelect);
            t->TreeOptions().SetSelectionOptions(selection);
            t->SetDragImageKind(diNoImage);
        }
        source.SetRootNodeCount(4);
        target.SetRootNodeCount(1);
        target.OnDragOver = [](TBaseVirtualTree*, TObject*, TShiftState, TDragState, TPoint,
                               TDropMode, int&, bool& accept) { accept = true; };
        target.OnDragDrop = [this](TBaseVirtualTree* sender, TObject* from, TDataObject* data,
                                   const std::vector<TClipFormat>& formats, TShiftState, TPoint,
                                   int& effect, TDropMode) {
            sawTreeData =
                std::find(formats.begin(), formats.end(), VirtualTreeDataFormat()) != formats.end();
            auto* tree = dynamic_cast<TBaseVirtualTree*>(from);
            sender->ProcessOLEData(tree, *data, sender->DropTargetNode(), amAddChildLast,
                                   optimized && effect == DROPEFFECT_MOVE);
        };
    }
    ~TwoTrees() {
        target.OnDragOver = nullptr;
        target.OnDragDrop = nullptr;
    }
    // The desktop drag: enter and drop on the target's first node.
    int Run(const TDragRequest& r) {
        const TPoint p = target.OnLabel(target.GetFirst());
        TBaseVirtualTree* from = TBaseVirtualTree::SourceTreeOf(*r.Data);
        EXPECT_EQ(from, &source);
        int effect = r.AllowedEffects;
        target.DragEnter(from, 0, p, effect);
        effect = r.AllowedEffects;
        target.DragDrop(from, r.Data.get(), shift, p, effect);
        return effect;
    }
    DragTree source, target;
    bool optimized = true;
    bool sawTreeData = false;
    TShiftState shift = ssShift;
};

}  // namespace

TEST(TreeDragDrop, AnOptimisedMoveToAnotherTreeDeletesNothingTwice) {
    TwoTrees t;
    std::vector<PVirtualNode> nodes = AllNodes(t.source);
    t.source.AddToSelection({nodes[1], nodes[3]});
    int freed = 0;
    t.source.OnFreeNode = [&](TBaseVirtualTree*, PVirtualNode) { ++freed; };
    LauncherScope scope([&](const TDragRequest& r) { return t.Run(r); });
    t.source.DoDragging({5, 5});
    EXPECT_TRUE(t.sawTreeData);
    EXPECT_EQ(t.source.TotalCount(), 2u);
    EXPECT_EQ(freed, 2) << "the moved nodes went once, by the move";
    EXPECT_EQ(t.target.TotalCount(), 3u);
    EXPECT_FALSE(t.source.HasTreeState(tsOLEDragging));
    EXPECT_EQ(CheckStructure(t.source), "");
    EXPECT_EQ(CheckStructure(t.target), "");
    t.source.OnFreeNode = nullptr;
}

TEST(TreeDragDrop, ACopiedMoveDeletesTheSourceNodesAndACopyKeepsThem) {
    TwoTrees t;
    t.optimized = false;
    std::vector<PVirtualNode> nodes = AllNodes(t.source);
    t.source.AddToSelection(nodes[0]);
    LauncherScope scope([&](const TDragRequest& r) { return t.Run(r); });
    t.source.DoDragging({5, 5});
    EXPECT_EQ(t.target.TotalCount(), 2u);
    EXPECT_EQ(t.source.TotalCount(), 3u) << "read as copies, then deleted here after the move";
    t.shift = ssCtrl;
    t.source.ClearSelection();
    t.source.AddToSelection(t.source.GetFirst());
    t.source.DoDragging({5, 5});
    EXPECT_EQ(t.target.TotalCount(), 3u);
    EXPECT_EQ(t.source.TotalCount(), 3u) << "Ctrl copies";
    EXPECT_EQ(CheckStructure(t.source), "");
}

TEST_F(FormsDragTest, OnStartDragAndOnEndDragFireOnceAroundEitherKindOfDrag) {
    int started = 0, ended = 0;
    bool draggingWhenAsked = true, draggingAtEnd = true;
    size_t countAtEnd = 0;
    tree.OnStartDrag = [&](TObject*) {
        ++started;
        draggingWhenAsked = tree.Dragging();
    };
    tree.OnEndDrag = [&](TObject*) {
        ++ended;
        draggingAtEnd = tree.Dragging();
        countAtEnd = tree.TotalCount();
    };
    Press(nodes[0]);
    const TPoint start = tree.OnLabel(nodes[0]);
    tree.MouseMove(0, start.X, start.Y + 3);
    EXPECT_EQ(started, 0) << "a pending drag has not started";
    tree.MouseMove(0, start.X, start.Y + 12);
    EXPECT_EQ(started, 1);
    EXPECT_FALSE(draggingWhenAsked) << "asked before the drag runs";
    EXPECT_EQ(ended, 0);
    HeadlessMouseUp(Screen(tree.OnLabel(nodes[2])));
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(draggingAtEnd);

    int runnerSawStart = -1, runnerSawEnd = -1;
    int effect = DROPEFFECT_NONE;
    LauncherScope scope([&](const TDragRequest&) {
        runnerSawStart = started;
        runnerSawEnd = ended;
        return effect;
    });
    tree.SetDragType(dtOLE);
    tree.DoDragging(tree.OnLabel(nodes[1]));
    EXPECT_EQ(started, 2);
    EXPECT_EQ(runnerSawStart, 2);
    EXPECT_EQ(runnerSawEnd, 1) << "the desktop drag ends after it ran";
    EXPECT_EQ(ended, 2) << "a desktop drag that was not dropped ends too";
    EXPECT_FALSE(draggingAtEnd);
    // A move to another program: the moved nodes are gone when the end is told.
    effect = DROPEFFECT_MOVE;
    TVTAutoOptions autoOptions = tree.TreeOptions().AutoOptions();
    autoOptions.Include(toAutoDeleteMovedNodes);
    tree.TreeOptions().SetAutoOptions(autoOptions);
    const size_t before = tree.TotalCount();
    tree.DoDragging(tree.OnLabel(nodes[1]));
    EXPECT_EQ(ended, 3);
    EXPECT_LT(countAtEnd, before);
    EXPECT_EQ(countAtEnd, tree.TotalCount());
    tree.OnStartDrag = nullptr;
    tree.OnEndDrag = nullptr;
}
