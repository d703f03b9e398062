// Targets as the desktop and browsers take them: web addresses, file and mail URLs.
#pragma once

#include <string>

// A web address: "HTTP" or "WWW" at the start (any case), or the extension HTM or HTML.
bool IsWebAddress(const std::string& url);
// A target as the desktop opens it, in UTF-8: "www." gets "http://", a local path becomes an
// absolute "file://" URL, other URLs stay. After "MailTo:" only what a mail link cannot hold
// is percent-encoded (blanks and other controls, non-ASCII, quotes, angle brackets, "#", a
// "%" without two hexadecimal digits), so "," between recipients and the "?", "=" and "&" of
// the header fields keep their meaning.
std::string DesktopUrl(const std::string& target);
// A URL as a browser's one argument: a local path is made absolute, so no text a browser
// gets can read as one of its options.
std::string BrowserArgument(const std::string& url);
