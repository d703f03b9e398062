// Navigation: first, next, last and previous nodes, in all, shown, selected and marked forms.
#include "VirtualTrees.h"
#include "VirtualTreesStore.h"

namespace {

// The initialising members call these on what they reach; the NoInit ones pass init = false.
struct Walk {
    const TVirtualNodeStore& tree;
    TBaseVirtualTree* init;  // the tree that initialises what is reached; nullptr for none

    PVirtualNode Reach(PVirtualNode node) const {
        if (node && init && !HasState(node, vsInitialized)) init->InitNode(node);
        return node;
    }
    void Children(PVirtualNode node) const {
        if (init && node != tree.Root() && HasState(node, vsHasChildren) && node->ChildCount == 0)
            init->InitChildren(node);
    }
    static PVirtualNode NextVisibleSibling(PVirtualNode node) {
        PVirtualNode run = node->NextSibling;
        while (run && !HasState(run, vsVisible)) run = run->NextSibling;
        return run;
    }
    static PVirtualNode PreviousVisibleSibling(PVirtualNode node) {
        PVirtualNode run = node->PrevSibling;
        while (run && !HasState(run, vsVisible)) run = run->PrevSibling;
        return run;
    }
    // The first visible child of a node whose children are shown.
    PVirtualNode FirstVisibleChild(PVirtualNode node) const {
        Children(node);
        PVirtualNode run = node->FirstChild;
        while (run && !HasState(run, vsVisible)) run = run->NextSibling;
        return run;
    }
    PVirtualNode LastVisibleChild(PVirtualNode node) const {
        Children(node);
        PVirtualNode run = node->LastChild;
        while (run && !HasState(run, vsVisible)) run = run->PrevSibling;
        return run;
    }
    // The first shown node after the whole subtree of node.
    PVirtualNode AfterSubtree(PVirtualNode node) const {
        for (PVirtualNode run = node; run && run != tree.Root(); run = run->Parent)
            if (PVirtualNode sibling = NextVisibleSibling(run)) return Reach(sibling);
        return nullptr;
    }
    // The deepest last shown node of the subtree of a shown node.
    PVirtualNode LastShownIn(PVirtualNode node) const {
        PVirtualNode run = node;
        for (;;) {
            if (!HasState(run, vsExpanded)) break;
            PVirtualNode child = LastVisibleChild(run);
            if (!child) break;
            run = Reach(child);
        }
        return run;
    }
    // The node at which a walk through the shown nodes starts when node itself is not shown:
    // its nearest shown ancestor, and the ancestor's child on the way to node.
    void ShownAnchor(PVirtualNode node, PVirtualNode& shown, PVirtualNode& below) const {
        shown = tree.GetVisibleParent(node);
        below = node;
        while (below->Parent != shown) below = below->Parent;
    }

    PVirtualNode NextVisible(PVirtualNode node) const {
        if (tree.FullyVisible(node)) {
            if (HasState(node, vsExpanded))
                if (PVirtualNode child = FirstVisibleChild(node)) return Reach(child);
            return AfterSubtree(node);
        }
        PVirtualNode shown, below;
        ShownAnchor(node, shown, below);
        // Under a collapsed shown node nothing after node is shown until the subtree ends.
        if (shown != tree.Root() && !HasState(shown, vsExpanded)) return AfterSubtree(shown);
        return AfterSubtree(below);
    }

    PVirtualNode PreviousVisible(PVirtualNode node) const {
        PVirtualNode from = node;
        if (!tree.FullyVisible(node)) {
            PVirtualNode shown, below;
            ShownAnchor(node, shown, below);
            if (shown != tree.Root() && !HasState(shown, vsExpanded)) return Reach(shown);
            from = below;
        }
        if (PVirtualNode sibling = PreviousVisibleSibling(from)) return LastShownIn(Reach(sibling));
        return from->Parent == tree.Root() ? nullptr : Reach(from->Parent);
    }

    PVirtualNode Next(PVirtualNode node) const {
        Children(node);
        if (node->FirstChild) return Reach(node->FirstChild);
        for (PVirtualNode run = node; run != tree.Root(); run = run->Parent)
            if (run->NextSibling) return Reach(run->NextSibling);
        return nullptr;
    }

    PVirtualNode Last(PVirtualNode node) const {
        PVirtualNode result = nullptr;
        PVirtualNode run = node;
        for (;;) {
            Children(run);
            if (!HasState(run, vsHasChildren) || !run->LastChild) break;
            run = Reach(run->LastChild);
            result = run;
        }
        return result;
    }

    PVirtualNode Previous(PVirtualNode node) const {
        if (node->PrevSibling) {
            PVirtualNode sibling = Reach(node->PrevSibling);
            PVirtualNode last = Last(sibling);
            return last ? last : sibling;
        }
        return node->Parent == tree.Root() ? nullptr : Reach(node->Parent);
    }
};

}  // namespace

#define VT_WALK(init)                                                \
    Walk {                                                           \
        store_, init ? const_cast<TBaseVirtualTree*>(this) : nullptr \
    }
#define VT_NOT_ROOT(node) VT_ASSERT((node) != Root(), "Node must not be the hidden root node.")
#define VT_VALID_SIBLING(node) VT_ASSERT((node) && (node) != Root(), "Invalid parameter.")

// --- The store's walks, which initialise nothing ---------------------------------------------

#define VT_STORE_WALK  \
    Walk {             \
        *this, nullptr \
    }

PVirtualNode TVirtualNodeStore::GetFirstVisible() const {
    return VT_STORE_WALK.FirstVisibleChild(root_);
}

PVirtualNode TVirtualNodeStore::GetNext(PVirtualNode node) const {
    if (!node) return nullptr;
    VT_ASSERT(node != root_, "Node must not be the hidden root node.");
    return VT_STORE_WALK.Next(node);
}

PVirtualNode TVirtualNodeStore::GetNextVisible(PVirtualNode node) const {
    if (!node) return nullptr;
    VT_ASSERT(node != root_, "Node must not be the hidden root node.");
    return VT_STORE_WALK.NextVisible(node);
}

PVirtualNode TVirtualNodeStore::GetLast(PVirtualNode node) const {
    return VT_STORE_WALK.Last(node ? node : root_);
}

PVirtualNode TVirtualNodeStore::GetLastChild(PVirtualNode node) const {
    if (!node) node = root_;
    return HasState(node, vsHasChildren) ? node->LastChild : nullptr;
}

PVirtualNode TVirtualNodeStore::GetLastVisibleChild(PVirtualNode node) const {
    if (!node) node = root_;
    if (!FullyVisible(node) || !HasState(node, vsExpanded)) return nullptr;
    return VT_STORE_WALK.LastVisibleChild(node);
}

PVirtualNode TVirtualNodeStore::GetLastVisible(PVirtualNode node) const {
    PVirtualNode result = nullptr;
    for (PVirtualNode run = GetLastVisibleChild(node); run; run = GetLastVisibleChild(run))
        result = run;
    return result;
}

PVirtualNode TVirtualNodeStore::GetPrevious(PVirtualNode node) const {
    if (!node) return nullptr;
    VT_ASSERT(node != root_, "Node must not be the hidden root node.");
    return VT_STORE_WALK.Previous(node);
}

PVirtualNode TVirtualNodeStore::GetPreviousVisible(PVirtualNode node) const {
    if (!node) return nullptr;
    VT_ASSERT(node != root_, "Node must not be the hidden root node.");
    return VT_STORE_WALK.PreviousVisible(node);
}

PVirtualNode TVirtualNodeStore::GetNextVisibleSibling(PVirtualNode node) {
    return Walk::NextVisibleSibling(node);
}

PVirtualNode TVirtualNodeStore::GetPreviousVisibleSibling(PVirtualNode node) {
    return Walk::PreviousVisibleSibling(node);
}

// --- The tree's navigation -------------------------------------------------------------------

PVirtualNode TBaseVirtualTree::GetFirst() {
    return VT_WALK(true).Reach(Root()->FirstChild);
}
PVirtualNode TBaseVirtualTree::GetFirstNoInit() const {
    return store_.GetFirst();
}

PVirtualNode TBaseVirtualTree::GetFirstChild(PVirtualNode node) {
    if (!node) node = Root();
    Walk w = VT_WALK(true);
    w.Children(node);
    return w.Reach(node->FirstChild);
}

PVirtualNode TBaseVirtualTree::GetFirstChildNoInit(PVirtualNode node) const {
    return (node ? node : Root())->FirstChild;
}

PVirtualNode TBaseVirtualTree::GetFirstInitialized() const {
    PVirtualNode run = Root()->FirstChild;
    if (run && !HasState(run, vsInitialized)) run = GetNextInitialized(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetNextInitialized(PVirtualNode node) const {
    PVirtualNode run = node;
    do run = run ? GetNextNoInit(run) : nullptr;
    while (run && !HasState(run, vsInitialized));
    return run;
}

PVirtualNode TBaseVirtualTree::GetFirstSelected() const {
    if (selectionCount_ < 1) return nullptr;
    PVirtualNode run = Root()->FirstChild;
    if (run && !HasState(run, vsSelected)) run = GetNextSelected(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetNextSelected(PVirtualNode node) const {
    if (selectionCount_ < 1) return nullptr;
    PVirtualNode run = node;
    do run = run ? GetNextNoInit(run) : nullptr;
    while (run && !HasState(run, vsSelected));
    return run;
}

PVirtualNode TBaseVirtualTree::GetFirstCutCopy() const {
    if (!states_.Contains(tsCopyPending) && !states_.Contains(tsCutPending)) return nullptr;
    PVirtualNode run = Root()->FirstChild;
    if (run && !HasState(run, vsCutOrCopy)) run = GetNextCutCopy(run);
    return run;
}

PVirtualNode TBaseVirtualTree::GetNextCutCopy(PVirtualNode node) const {
    if (!states_.Contains(tsCopyPending) && !states_.Contains(tsCutPending)) return nullptr;
    PVirtualNode run = node;
    do run = run ? GetNextNoInit(run) : nullptr;
    while (run && !HasState(run, vsCutOrCopy));
    return run;
}

PVirtualNode TBaseVirtualTree::GetFirstVisible() {
    Walk w = VT_WALK(true);
    return w.Reach(w.FirstVisibleChild(Root()));
}

PVirtualNode TBaseVirtualTree::GetFirstVisibleNoInit() const {
    return store_.GetFirstVisible();
}

PVirtualNode TBaseVirtualTree::GetFirstVisibleChild(PVirtualNode node) {
    Walk w = VT_WALK(true);
    return w.Reach(w.FirstVisibleChild(node ? node : Root()));
}

PVirtualNode TBaseVirtualTree::GetNext(PVirtualNode node) {
    if (!node) return nullptr;
    VT_NOT_ROOT(node);
    return VT_WALK(true).Next(node);
}

PVirtualNode TBaseVirtualTree::GetNextNoInit(PVirtualNode node) const {
    return store_.GetNext(node);
}

PVirtualNode TBaseVirtualTree::GetNextSibling(PVirtualNode node) const {
    if (!node) return nullptr;
    VT_NOT_ROOT(node);
    return node->NextSibling;
}

PVirtualNode TBaseVirtualTree::GetNextVisible(PVirtualNode node) {
    if (!node) return nullptr;
    VT_NOT_ROOT(node);
    return VT_WALK(true).NextVisible(node);
}

PVirtualNode TBaseVirtualTree::GetNextVisibleNoInit(PVirtualNode node) const {
    return store_.GetNextVisible(node);
}

PVirtualNode TBaseVirtualTree::GetNextVisibleSibling(PVirtualNode node) {
    VT_VALID_SIBLING(node);
    return VT_WALK(true).Reach(Walk::NextVisibleSibling(node));
}

PVirtualNode TBaseVirtualTree::GetLast(PVirtualNode node) {
    return VT_WALK(true).Last(node ? node : Root());
}

PVirtualNode TBaseVirtualTree::GetLastNoInit(PVirtualNode node) const {
    return store_.GetLast(node);
}

PVirtualNode TBaseVirtualTree::GetLastChild(PVirtualNode node) {
    if (!node) node = Root();
    Walk w = VT_WALK(true);
    w.Children(node);
    return HasState(node, vsHasChildren) ? w.Reach(node->LastChild) : nullptr;
}

PVirtualNode TBaseVirtualTree::GetLastChildNoInit(PVirtualNode node) const {
    return store_.GetLastChild(node);
}

PVirtualNode TBaseVirtualTree::GetLastVisibleChild(PVirtualNode node) {
    if (!node) node = Root();
    if (!FullyVisible(node) || !HasState(node, vsExpanded)) return nullptr;
    Walk w = VT_WALK(true);
    return w.Reach(w.LastVisibleChild(node));
}

PVirtualNode TBaseVirtualTree::GetLastVisible(PVirtualNode node) {
    PVirtualNode result = nullptr;
    for (PVirtualNode run = GetLastVisibleChild(node); run; run = GetLastVisibleChild(run))
        result = run;
    return result;
}

PVirtualNode TBaseVirtualTree::GetPrevious(PVirtualNode node) {
    if (!node) return nullptr;
    VT_NOT_ROOT(node);
    Walk w = VT_WALK(true);
    w.Reach(node);
    return w.Previous(node);
}

PVirtualNode TBaseVirtualTree::GetPreviousNoInit(PVirtualNode node) const {
    return store_.GetPrevious(node);
}

PVirtualNode TBaseVirtualTree::GetPreviousSibling(PVirtualNode node) const {
    if (!node) return nullptr;
    VT_NOT_ROOT(node);
    return node->PrevSibling;
}

PVirtualNode TBaseVirtualTree::GetPreviousVisible(PVirtualNode node) {
    if (!node) return nullptr;
    VT_NOT_ROOT(node);
    Walk w = VT_WALK(true);
    w.Reach(node);
    return w.PreviousVisible(node);
}

PVirtualNode TBaseVirtualTree::GetPreviousVisibleNoInit(PVirtualNode node) const {
    return store_.GetPreviousVisible(node);
}

PVirtualNode TBaseVirtualTree::GetPreviousVisibleSibling(PVirtualNode node) {
    VT_VALID_SIBLING(node);
    return VT_WALK(true).Reach(Walk::PreviousVisibleSibling(node));
}
