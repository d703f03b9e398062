// Small helpers every window and dialog of the application shares.
#pragma once

#include <QString>
#include <string>

class QWidget;

// Centres a dialog over another window (over the screen when there is none):
// top = owner's top + owner's height / 2 - own height / 2, left likewise, kept on the owner's
// screen when the dialog is larger than its owner.
void CenterOverForm(QWidget* dialog, const QWidget* owner);
// The application's main window, when it exists.
QWidget* MainWindowWidget();
