// The launching commands: a URL, an entry's URL or mail address, a typed address handed to
// the browser, the mail program or the desktop.
#pragma once

#include <string>

// Opens a URL: a web address with the configured (or chosen) browser when one is set, else
// with the desktop. Failures show the messages of the start-up step.
void OpenURL(const std::string& url);
// Go To URL for an entry: counts the access, then opens its URL. Nothing for an index that
// names no entry.
void GoToURL(int entryIndex);
// Send Mail for an entry's address.
void SendMail(int entryIndex);
// Launch Browser with the typed text.
void LaunchBrowser(const std::string& typed);

// An entry's URL that names nothing: empty or "None".
bool HasNoURL(const std::string& url);
