// F1 in the program's dialogs: the help of the dialog's help context.
#pragma once

class QObject;
class QWidget;

// The help context for a widget: the first non-zero "HelpContext" property from the widget up
// to its window, else the context of the window's class (HelpManual.h); 0 when none.
int WidgetHelpContext(const QWidget* widget);
// Lets F1 in every dialog show the help of its context, for as long as `owner` lives.
void InstallHelpKey(QObject* owner);
