// Selection, focus and check boxes: scripts over a small tree with an invariant checker that
// compares the selection array, the vsSelected flags and SelectionCount after every step.
#include "TreeTestSupport.h"

#include <algorithm>
#include <set>

namespace {

// A(A1, A2) expanded, B(B1) collapsed, C.
struct SelectionTest : public ::testing::Test {
    void SetUp() override {
        A = tree.AddChild(nullptr);
        A1 = tree.AddChild(A);
        A2 = tree.AddChild(A);
        B = tree.AddChild(nullptr);
        B1 = tree.AddChild(B);
        C = tree.AddChild(nullptr);
        tree.SetExpanded(A, true);
        for (auto [n, name] :
             {std::pair{A, "A"}, {A1, "A1"}, {A2, "A2"}, {B, "B"}, {B1, "B1"}, {C, "C"}})
            log.Name(n, name);
        log.RecordOnly({"Change("});
        log.Take();
    }

    // The array (live entries), the flags and the count agree; empty when they do.
    std::string Invariant() {
        std::set<PVirtualNode> flagged;
        for (PVirtualNode n : AllNodes(tree))
            if (HasState(n, vsSelected)) flagged.insert(n);
        if (flagged.size() != tree.SelectionCount())
            return "count " + std::to_string(tree.SelectionCount()) + " but " +
                   std::to_string(flagged.size()) + " flagged";
        for (PVirtualNode n : flagged) {
            int index = -1;
            if (!tree.FindNodeInSelection(n, index)) return log.NodeName(n) + " not in the array";
        }
        return "";
    }
    std::set<std::string> Selection() {
        std::set<std::string> names;
        for (PVirtualNode n : tree.GetSortedSelection(false)) names.insert(log.NodeName(n));
        return names;
    }
    void MultiSelect(TVTSelectionOptions extra = {}) {
        tree.TreeOptions().SetSelectionOptions(TVTSelectionOptions{toMultiSelect} + extra);
    }

    TestTree tree;
    EventLog log{tree};
    PVirtualNode A, A1, A2, B, B1, C;
};

using Set = std::set<std::string>;
using Lines = std::vector<std::string>;

}  // namespace

TEST_F(SelectionTest, SingleAndMultipleSelection) {
    tree.SetSelected(A, true);
    tree.SetSelected(B, true);
    EXPECT_EQ(Selection(), Set({"B"}));
    EXPECT_EQ(log.Take(), Lines({"Change(A)", "Change(nil)", "Change(B)"}));
    EXPECT_EQ(Invariant(), "");

    tree.ClearSelection();
    log.Take();
    MultiSelect();
    tree.SetSelected(A, true);
    tree.SetSelected(B, true);
    EXPECT_EQ(tree.SelectionCount(), 2u);
    EXPECT_EQ(log.Take(), Lines({"Change(A)", "Change(B)"}));
    EXPECT_EQ(Invariant(), "");
}

TEST_F(SelectionTest, ADisabledNodeIsNeverSelectedAndNothingIsCleared) {
    tree.SetSelected(C, true);
    log.Take();
    IncludeStates(A1, vsDisabled);
    const PVirtualNode anchor = tree.RangeAnchor();
    tree.SetSelected(A1, true);
    EXPECT_FALSE(tree.Selected(A1));
    EXPECT_EQ(Selection(), Set({"C"}));
    EXPECT_EQ(tree.RangeAnchor(), anchor);
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(Invariant(), "");
}

TEST_F(SelectionTest, RangesSkipHiddenNodesAndKeepTheAnchorsConstraint) {
    MultiSelect();
    tree.SelectNodes(A1, C, false);
    EXPECT_EQ(Selection(), Set({"A1", "A2", "B", "C"}));
    tree.SelectNodes(C, A1, false);
    EXPECT_EQ(Selection(), Set({"A1", "A2", "B", "C"}));
    EXPECT_EQ(Invariant(), "");

    tree.ClearSelection();
    MultiSelect({toSiblingSelectConstraint});
    tree.HandleClickSelection(nullptr, A1, 0);  // a plain click sets the anchor
    tree.HandleClickSelection(A1, C, ssShift);
    EXPECT_EQ(Selection(), Set({"A1", "A2"}));
    EXPECT_EQ(tree.RangeAnchor(), A1);
    EXPECT_EQ(Invariant(), "");
}

TEST_F(SelectionTest, ClickModifiers) {
    MultiSelect();
    tree.HandleClickSelection(nullptr, A, 0);
    tree.HandleClickSelection(A, B, ssCtrl);
    EXPECT_EQ(Selection(), Set({"A", "B"}));
    EXPECT_EQ(tree.RangeAnchor(), B);
    tree.HandleClickSelection(B, A, ssCtrl);  // toggles A off
    EXPECT_EQ(Selection(), Set({"B"}));
    EXPECT_EQ(tree.RangeAnchor(), A);
    tree.HandleClickSelection(A, A2, ssShift);  // anchor A .. A2, the rest cleared
    EXPECT_EQ(Selection(), Set({"A", "A1", "A2"}));
    tree.HandleClickSelection(A2, C, ssCtrl);
    tree.HandleClickSelection(C, B, ssCtrl | ssShift);  // adds C..B to what is there
    EXPECT_EQ(Selection(), Set({"A", "A1", "A2", "B", "C"}));
    EXPECT_EQ(Invariant(), "");
}

TEST_F(SelectionTest, DeselectingAndDeletingInsideAnUpdateLock) {
    MultiSelect();
    tree.SelectNodes(A, C, false);  // A A1 A2 B C
    tree.SetSelected(C, false);
    ASSERT_EQ(tree.SelectionCount(), 4u);
    tree.BeginUpdate();
    tree.SetSelected(A1, false);
    tree.SetSelected(A2, false);
    tree.DeleteNode(B);  // freed while its entry may still be marked
    tree.EndUpdate();
    EXPECT_EQ(tree.SelectionCount(), 1u);
    EXPECT_EQ(Invariant(), "");
    EXPECT_EQ(tree.GetSortedSelection(false), std::vector<PVirtualNode>({A}));
}

TEST_F(SelectionTest, ForcedInsertNeverDuplicatesAnEntry) {
    MultiSelect();
    tree.SetSelected(A, true);
    tree.AddToSelection({A, A, C}, true);
    EXPECT_EQ(tree.SelectionCount(), 2u);
    EXPECT_EQ(Invariant(), "");
    tree.DeleteNode(A);
    EXPECT_EQ(tree.SelectionCount(), 1u);
    EXPECT_EQ(Invariant(), "");
}

TEST_F(SelectionTest, SortedSelectionAndDeletingIt) {
    MultiSelect();
    tree.SetSelected(A1, true);
    tree.SetSelected(A, true);
    tree.SetSelected(C, true);
    EXPECT_EQ(tree.GetSortedSelection(false), std::vector<PVirtualNode>({A, A1, C}));
    EXPECT_EQ(tree.GetSortedSelection(true), std::vector<PVirtualNode>({A, C}));
    EXPECT_LT(tree.CompareNodePositions(A1, A2), 0);
    EXPECT_EQ(tree.CompareNodePositions(A, A1), -1);
    EXPECT_EQ(tree.CompareNodePositions(A1, A), 1);
    EXPECT_LT(tree.CompareNodePositions(A2, B), 0);
    EXPECT_EQ(tree.CompareNodePositions(B, B), 0);
    tree.DeleteSelectedNodes();
    EXPECT_EQ(tree.SelectionCount(), 0u);
    EXPECT_EQ(tree.RootNodeCount(), 1u);
    EXPECT_EQ(tree.GetFirstNoInit(), B);
    EXPECT_EQ(Invariant(), "");
}

TEST_F(SelectionTest, SelectAllAndToggle) {
    tree.SelectAll(false);  // single selection: nothing
    EXPECT_EQ(tree.SelectionCount(), 0u);
    MultiSelect();
    tree.SelectAll(true);
    EXPECT_EQ(Selection(), Set({"A", "A1", "A2", "B", "C"}));
    tree.SelectAll(false);
    EXPECT_EQ(tree.SelectionCount(), 6u);  // B1 too
    tree.ClearSelection();
    tree.SetSelected(A1, true);  // anchor A1, selected
    tree.ToggleSelection(A1, B);
    // A1 is the anchor end: it stays; A2 and B flip on.
    EXPECT_EQ(Selection(), Set({"A1", "A2", "B"}));
    EXPECT_EQ(Invariant(), "");
}

TEST_F(SelectionTest, FocusEventsAndRefusals) {
    log.RecordOnly({"FocusChang"});
    bool allow = false;
    tree.OnFocusChanging = [&](TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex,
                               TColumnIndex, bool& allowed) { allowed = allow; };
    tree.SetFocusedNode(A);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    allow = true;
    tree.SetFocusedNode(A);
    tree.SetFocusedNode(A);  // no change: no event
    EXPECT_EQ(tree.FocusedNode(), A);
    int changed = 0;
    for (const std::string& line : log.lines) changed += line.rfind("FocusChanged", 0) == 0;
    EXPECT_EQ(changed, 1);
    // Deleting the focused node moves the focus even when the handler refuses.
    allow = false;
    PVirtualNode seen = A;
    tree.OnFocusChanged = [&](TBaseVirtualTree*, PVirtualNode node, TColumnIndex) { seen = node; };
    tree.DeleteNode(A);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_EQ(seen, nullptr);
    // Clearing the tree tells the focus handler too.
    tree.SetFocusedNode(nullptr);
    allow = true;
    tree.SetFocusedNode(C);
    ASSERT_EQ(seen, C);
    tree.Clear();
    EXPECT_EQ(seen, nullptr);
}

// --- Check boxes -----------------------------------------------------------------------------

TEST(VirtualTreeChecks, TriStatePropagationBothWays) {
    TestTree tree;
    PVirtualNode p = tree.AddChild(nullptr);
    PVirtualNode c[3];
    for (auto& child : c) {
        child = tree.AddChild(p);
        tree.SetCheckType(child, ctCheckBox);
    }
    tree.SetCheckType(p, ctTriStateCheckBox);
    std::vector<PVirtualNode> checking, checked;
    tree.OnChecking = [&](TBaseVirtualTree*, PVirtualNode n, TCheckState&, bool&) {
        checking.push_back(n);
    };
    tree.OnChecked = [&](TBaseVirtualTree*, PVirtualNode n) { checked.push_back(n); };
    tree.SetCheckState(p, csCheckedNormal);
    for (PVirtualNode child : c) EXPECT_EQ(tree.CheckState(child), csCheckedNormal);
    EXPECT_EQ(tree.CheckState(p), csCheckedNormal);
    checking.clear();
    checked.clear();
    tree.SetCheckState(c[1], csUncheckedNormal);
    EXPECT_EQ(tree.CheckState(p), csMixedNormal);
    EXPECT_EQ(checking, std::vector<PVirtualNode>({c[1], p}));  // the parent is asked too
    EXPECT_EQ(checked, std::vector<PVirtualNode>({c[1]}));      // only the node set fires
    tree.SetCheckState(c[0], csUncheckedNormal);
    tree.SetCheckState(c[2], csUncheckedNormal);
    EXPECT_EQ(tree.CheckState(p), csUncheckedNormal);
    // A refusing handler for the parent leaves the child as it was.
    tree.OnChecking = [&](TBaseVirtualTree*, PVirtualNode n, TCheckState&, bool& allowed) {
        allowed = n != p;
    };
    tree.SetCheckState(c[0], csCheckedNormal);
    EXPECT_EQ(tree.CheckState(c[0]), csUncheckedNormal);
    EXPECT_EQ(tree.CheckState(p), csUncheckedNormal);
}

TEST(VirtualTreeChecks, RadioGroupsDisabledNodesAndGroupsWithoutBoxes) {
    TestTree tree;
    PVirtualNode r1 = tree.AddChild(nullptr), r2 = tree.AddChild(nullptr),
                 k = tree.AddChild(nullptr);
    tree.SetCheckType(r1, ctRadioButton);
    tree.SetCheckType(r2, ctRadioButton);
    tree.SetCheckType(k, ctCheckBox);
    tree.SetCheckState(r1, csCheckedNormal);
    tree.SetCheckState(k, csCheckedNormal);
    tree.SetCheckState(r2, csCheckedNormal);
    EXPECT_EQ(tree.CheckState(r1), csUncheckedNormal);
    EXPECT_EQ(tree.CheckState(r2), csCheckedNormal);
    EXPECT_EQ(tree.CheckState(k), csCheckedNormal);
    IncludeStates(k, vsDisabled);
    int events = 0;
    tree.OnChecking = [&](TBaseVirtualTree*, PVirtualNode, TCheckState&, bool&) { ++events; };
    tree.SetCheckState(k, csUncheckedNormal);
    EXPECT_EQ(tree.CheckState(k), csCheckedNormal);
    EXPECT_EQ(events, 0);

    // The duplicates dialog's shape: groups without boxes, children with plain boxes.
    TestTree dups;
    PVirtualNode group = dups.AddChild(nullptr);
    std::vector<PVirtualNode> children;
    for (int i = 0; i < 4; ++i) {
        children.push_back(dups.AddChild(group));
        dups.SetCheckType(children.back(), ctCheckBox);
    }
    dups.SetCheckState(children[1], csCheckedNormal);
    dups.SetCheckState(children[3], csCheckedNormal);
    EXPECT_EQ(dups.CheckState(group), csUncheckedNormal);
    EXPECT_EQ(dups.GetCheckImage(group), -1);
    std::vector<PVirtualNode> marked;
    for (PVirtualNode n : children)
        if (dups.CheckState(n) == csCheckedNormal) marked.push_back(n);
    EXPECT_EQ(marked, std::vector<PVirtualNode>({children[1], children[3]}));
}

TEST(VirtualTreeChecks, CheckImageTableAndNextStates) {
    TestTree tree;
    PVirtualNode n = tree.AddChild(nullptr);
    struct Row {
        TCheckType type;
        int state, disabled, enabled, hot;
    } rows[] = {
        {ctCheckBox, 0, 12, 9, 10},          {ctCheckBox, 1, 12, 11, 11},
        {ctCheckBox, 2, 16, 13, 14},         {ctCheckBox, 3, 16, 15, 15},
        {ctCheckBox, 4, 20, 17, 18},         {ctCheckBox, 5, 20, 19, 19},
        {ctTriStateCheckBox, 2, 16, 13, 14}, {ctRadioButton, 0, 4, 1, 2},
        {ctRadioButton, 1, 4, 3, 3},         {ctRadioButton, 2, 8, 5, 6},
        {ctRadioButton, 3, 8, 7, 7},         {ctRadioButton, 4, 20, 17, 18},
        {ctButton, 0, 24, 21, 22},           {ctButton, 2, 24, 21, 22},
        {ctButton, 1, 24, 23, 23},           {ctButton, 3, 24, 23, 23},
        {ctButton, 5, 20, 19, 19},
    };
    for (const Row& row : rows) {
        n->CheckType = row.type;
        n->CheckState = uint8_t(row.state);
        ExcludeStates(n, vsDisabled);
        tree.SetCheckNode(nullptr);
        EXPECT_EQ(tree.GetCheckImage(n), row.enabled) << int(row.type) << "/" << row.state;
        tree.SetCheckNode(n);
        EXPECT_EQ(tree.GetCheckImage(n), row.hot) << int(row.type) << "/" << row.state;
        IncludeStates(n, vsDisabled);
        EXPECT_EQ(tree.GetCheckImage(n), row.disabled) << int(row.type) << "/" << row.state;
    }
    n->CheckType = ctNone;
    EXPECT_EQ(tree.GetCheckImage(n), -1);

    using T = TBaseVirtualTree;
    EXPECT_EQ(T::DetermineNextCheckState(ctCheckBox, csCheckedNormal), csUncheckedNormal);
    EXPECT_EQ(T::DetermineNextCheckState(ctTriStateCheckBox, csMixedNormal), csCheckedNormal);
    EXPECT_EQ(T::DetermineNextCheckState(ctCheckBox, csUncheckedPressed), csCheckedNormal);
    EXPECT_EQ(T::DetermineNextCheckState(ctRadioButton, csCheckedNormal), csCheckedNormal);
    EXPECT_EQ(T::DetermineNextCheckState(ctButton, csCheckedNormal), csUncheckedNormal);
    EXPECT_EQ(T::DetermineNextCheckState(ctNone, csUncheckedNormal), csMixedNormal);
}

TEST(VirtualTreeChecks, DropEffectsBySourceAndKeys) {
    TestTree tree, other;
    const int all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(tree.DetermineDropEffect(&other, 0, all), DROPEFFECT_COPY);
    EXPECT_EQ(tree.DetermineDropEffect(nullptr, 0, all), DROPEFFECT_COPY);
    EXPECT_EQ(tree.DetermineDropEffect(&tree, 0, all), DROPEFFECT_MOVE);
    EXPECT_EQ(tree.DetermineDropEffect(&tree, ssCtrl, all), DROPEFFECT_COPY);
    EXPECT_EQ(tree.DetermineDropEffect(&tree, ssShift, all), DROPEFFECT_MOVE);
    EXPECT_EQ(tree.DetermineDropEffect(&tree, ssCtrl | ssShift, all), DROPEFFECT_LINK);
    EXPECT_EQ(tree.DetermineDropEffect(&tree, ssAlt, all), DROPEFFECT_LINK);
    EXPECT_EQ(tree.DetermineDropEffect(&tree, 0, DROPEFFECT_COPY), DROPEFFECT_NONE);
    EXPECT_EQ(tree.DetermineDropEffect(&tree, ssAlt, DROPEFFECT_COPY), DROPEFFECT_NONE);
}
