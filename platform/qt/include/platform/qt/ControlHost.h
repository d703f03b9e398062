// Where the application meets a control's widget: to place it in a layout or form.
#pragma once

#include "platform/Controls.h"

#include <QtCore/qnamespace.h>

class QWidget;

// The widget that hosts the control (frame, header strip, scroll bars and client area). It
// belongs to the control: the control deletes it, and deleting it first leaves the control
// without a window (its calls then do nothing).
QWidget* HostWidget(TCustomControl& control);
// The control a host widget belongs to; nullptr for other widgets.
TCustomControl* ControlOfWidget(const QWidget* widget);

// The shift state of Qt's keyboard modifiers and mouse buttons, for every handler that takes one.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
