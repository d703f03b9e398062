// Dragging in the main tree: the tree's in-process drag carries the focused node; a drop on
// another node recategorises its entries through TreeDrop.
#include "AppSeams.h"
#include "BankModel.h"
#include "MainForm.h"
#include "MainTree.h"
#include "Settings.h"
#include "TreeDrop.h"
#include "VirtualTrees.h"

void TMainForm::InstallTreeDrag() {
    TBaseVirtualTree& tree = VST();
    tree.SetDragMode(dmAutomatic);
    tree.OnDragOver = [this](TBaseVirtualTree*, TObject*, TShiftState, TDragState, TPoint,
                             TDropMode, int&, bool& accept) { VSTDragOver(accept); };
    tree.OnDragDrop = [this](TBaseVirtualTree*, TObject*, TDataObject*,
                             const std::vector<TClipFormat>&, TShiftState, TPoint, int&,
                             TDropMode) { VSTDragDrop(); };
}

void TMainForm::VSTDragOver(bool& accept) {
    accept = true;
}

void TMainForm::VSTDragDrop() {
    TBaseVirtualTree& tree = VST();
    // Copies: a drop that moves entries rebuilds the tree, and the nodes go with it.
    const auto* s = tree.GetNodeData<TTreeNodeData>(tree.FocusedNode());
    const auto* t = tree.GetNodeData<TTreeNodeData>(tree.DropTargetNode());
    TTreeNodeData source{}, target{};
    if (s) source = *s;
    if (t) target = *t;
    TreeDrop(Bank(), Settings(), s ? &source : nullptr, t ? &target : nullptr);
}
