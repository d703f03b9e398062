// The tree's side of the information panel: narrowing and restoring the columns, the popup.
#pragma once

class QWidget;
class TBaseVirtualTree;
class TPopupMenu;

QWidget* TreeHostWidget(TBaseVirtualTree& tree);
// Gives columns 1..8 width 0 and returns the width of column 0.
int NarrowTreeColumns(TBaseVirtualTree& tree);
// Gives every column its width from the column table again.
void RestoreTreeColumns(TBaseVirtualTree& tree);
// The tree's popup menu, opened by the right button, the Menu key and Shift+F10 (at the
// focused node).
void AttachTreePopup(TBaseVirtualTree& tree, TPopupMenu& menu);
