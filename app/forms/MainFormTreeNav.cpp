// The tree's navigation commands and the tree's side of the information panel.
#include "MainForm.h"
#include "PanelTree.h"
#include "Settings.h"
#include "VirtualTrees.h"
#include "platform/qt/ControlHost.h"

QWidget* TreeHostWidget(TBaseVirtualTree& tree) {
    return HostWidget(tree);
}

int NarrowTreeColumns(TBaseVirtualTree& tree) {
    TVirtualTreeColumns& columns = tree.Header().Columns();
    for (int c = 1; c < columns.Count() && c < ColumnCount; ++c) columns[c].SetWidth(0);
    return columns.Count() > 0 ? columns[0].Width() : Settings().ColumnTable[0].Width;
}

void RestoreTreeColumns(TBaseVirtualTree& tree) {
    TVirtualTreeColumns& columns = tree.Header().Columns();
    for (int c = 0; c < columns.Count() && c < ColumnCount; ++c)
        columns[c].SetWidth(Settings().ColumnTable[size_t(c)].Width);
}

void AttachTreePopup(TBaseVirtualTree& tree, TPopupMenu& menu) {
    // The mouse opens the control's menu; the Menu key asks for the menu of the focused node.
    tree.SetPopupMenu(&menu);
    tree.OnGetPopupMenu = [&menu](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TPoint, bool&,
                                  TPopupMenu*& popup) { popup = &menu; };
}

void TMainForm::CollapseTree1Click() {
    TBaseVirtualTree& tree = VST();
    tree.BeginUpdate();
    tree.FullCollapse();
    tree.SetTopNode(tree.GetFirst());
    tree.EndUpdate();
}

void TMainForm::ExpandTree1Click() {
    TBaseVirtualTree& tree = VST();
    tree.BeginUpdate();
    tree.FullExpand();
    tree.EndUpdate();
    tree.BeginUpdate();
    PVirtualNode node = tree.FocusedNode();
    tree.SetTopNode(node ? node : tree.GetFirst());
    tree.EndUpdate();
}

void TMainForm::TopoftheTree1Click() {
    TBaseVirtualTree& tree = VST();
    tree.SetTopNode(tree.GetFirst());
    if (PVirtualNode top = tree.TopNode()) tree.SetExpanded(top, true);
}

void TMainForm::BottomoftheTree1Click() {
    TBaseVirtualTree& tree = VST();
    tree.SetTopNode(tree.GetLast());
}
