// The URL drop target: dropped links, internet shortcuts and desktop links become a URL and a
// title.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "DropTarget.h"

class TDropURLTarget : public TDropTarget {
public:
    // Accepts links (Dragtypes = dtLink).
    explicit TDropURLTarget(TComponent* owner = nullptr);

    // Valid inside OnDrop; empty once the drop has completed.
    std::string URL;
    std::string Title;

protected:
    bool HasValidFormats() override;
    void ClearData() override;
    bool GetData() override;
    void StashData() override;
    void UnstashData() override;

private:
    std::string keptUrl_, keptTitle_;
};

// ---- The readers behind it, over outside bytes ------------------------------------------

// The URL of an internet shortcut's text: the first "URL=" line (exact case) after a line
// that is "[InternetShortcut]" in any case and is not the last line; another "[" section
// line first means none. False when there is no URL. The text is taken as UTF-16 or UTF-8
// when it has their byte-order mark, as UTF-8 when it is valid UTF-8 beyond ASCII, else as
// Windows-1252; the URL ends at a NUL, and a blank one is none. Characters of the URL that the
// code page does not hold become percent escapes of their UTF-8 bytes.
bool ParseInternetShortcut(std::string_view bytes, std::string& url);

// Reads a shortcut file (a native path): regular files only, at most the first 64 KiB; the
// line the limit cuts through is not read.
bool ReadInternetShortcut(const std::string& nativePath, std::string& url);

// A desktop link's text: in its "[Desktop Entry]" group, "Type=Link" and the first "URL="
// line's value (escapes read; blank is none), with the first "Name=" as its name (empty when
// none). The text is decoded as ParseInternetShortcut's is. False when it is no link.
bool ParseDesktopLink(std::string_view bytes, std::string& url, std::string& name);
// Reads a desktop link file (a native path) within the same bounds as ReadInternetShortcut.
bool ReadDesktopLink(const std::string& nativePath, std::string& url, std::string& name);

// The text of "text/x-moz-url" data in Windows-1252, up to the first NUL: UTF-16 when it has
// a byte-order mark or its first character is ASCII in UTF-16 (either byte order), else UTF-8.
std::string DecodeMozUrl(std::string_view bytes);

// The entries of a "text/uri-list", without comments and blank lines.
std::vector<std::string> ParseUriList(std::string_view bytes);

// The local path (native bytes) of a "file:" URI with an empty or "localhost" host.
bool LocalFileFromUri(std::string_view uri, std::string& nativePath);
