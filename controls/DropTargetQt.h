// The widget binding of drop targets: a widget's drag events (and its viewport's, for a scroll
// area) feed a TDropTarget, which scrolls the area near its edges.
#pragma once

#include "DropTarget.h"

class QWidget;

// Binds the target to a widget (null: to none), letting go of the one before. Raises "Failed
// to Register <name>" when another target already serves the widget; the target is then
// bound to none. The binding ends with Unregister, the target or the widget.
void RegisterDropTarget(TDropTarget& target, QWidget* control);
// The widget the target is bound to; nullptr when none.
QWidget* DropTargetWidget(const TDropTarget& target);
