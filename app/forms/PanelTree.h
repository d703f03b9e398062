// The tree's side of the information panel, apart from the memo's headers (both libraries
// name an alignment type of their own).
#pragma once

class QWidget;
class TBaseVirtualTree;
class TPopupMenu;

QWidget* TreeHostWidget(TBaseVirtualTree& tree);
// Gives columns 1..8 width 0 and returns the width of column 0.
int NarrowTreeColumns(TBaseVirtualTree& tree);
// Gives every column its width from the column table again.
void RestoreTreeColumns(TBaseVirtualTree& tree);
void AttachTreePopup(TBaseVirtualTree& tree, TPopupMenu& menu);
