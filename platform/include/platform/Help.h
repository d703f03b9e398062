// The application's help: shows the help for a help context.
#pragma once

#include <functional>

// The window that owns the program's help installs the handler (none: no help is shown).
void SetHelpHandler(std::function<void(int context)> handler);
// Shows the help for a non-zero context through the installed handler; says whether a help
// was shown (false for context 0 or without a handler).
bool ShowHelpContext(int context);
