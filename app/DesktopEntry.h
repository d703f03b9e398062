// A browser's command line: from its desktop entry, and for one URL.
#pragma once

#include <string>
#include <vector>

// The whole command line of a desktop entry's "Exec" line (in its "[Desktop Entry]" group),
// ready to be kept as a browser setting: the value's escapes read, "%i" (the "--icon" option
// with the entry's icon), "%c" (its name) and "%k" (`entryFile`) expanded, obsolete field
// codes dropped, and the URL's place ("%u", "%U", "%f", "%F") and "%%" kept for
// BrowserCommand. Empty when the entry has no command.
std::string DesktopEntryCommand(const std::string& desktopEntry, const std::string& entryFile);
// The command that opens `url` with a configured browser: a browser naming an existing file
// is that program with the URL as its one argument; anything else is a command line whose
// "%u", "%U", "%f" and "%F" become the URL ("%%" a percent sign, other field codes dropped),
// or that gets the URL as its last word when it has no place for it. The URL is made a
// browser argument first (BrowserArgument). Empty when the browser text holds no program.
std::vector<std::string> BrowserCommand(const std::string& browser, const std::string& url);
