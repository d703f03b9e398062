// The page a running browser shows, read from the session file it keeps on disk: the
// selected tab of its current window and that tab's current history entry.
//  - The Firefox family writes `sessionstore-backups/recovery.jsonlz4` in each profile: the
//    8 bytes "mozLz40\0", the text's length (32-bit little-endian), one LZ4 block of JSON.
//  - The Chromium family (Chromium, Chrome, Brave, ...) writes `Sessions/Session_<time>` (older
//    versions `Current Session`) in each profile: "SNSS", a 32-bit version, then commands.
// Every reader is bounded: files and decompressed texts above a cap, damaged bytes and unknown
// versions give nothing, never an exception, and so does a file there is no memory to read. The
// Firefox reader takes the unpacked text and a few megabytes more, however deep or repetitive
// the text. The Chromium reader keeps only the tabs that some command gives an entry, and the
// windows such a tab is put in: at most about twice the file's size, in time about linear in its
// commands, whatever order they come in.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A page as the browser wrote it: UTF-8.
struct TBrowserPage {
    std::string URL;
    std::string Title;
};

enum class TBrowserFamily { Firefox, Chromium };

// The largest session file read, and the largest text a Firefox file may unpack to.
inline constexpr std::size_t MaxSessionFileSize = 64u << 20;
inline constexpr std::size_t MaxSessionTextSize = 128u << 20;

// The page of a Firefox session file's bytes: the selected window's selected tab, its current
// entry.
std::optional<TBrowserPage> ReadFirefoxSession(std::string_view fileBytes);
// The page of a Chromium session file's bytes: the active window's selected tab, its selected
// navigation entry. A file cut short (the browser is writing it) gives what its whole commands
// say.
std::optional<TBrowserPage> ReadChromiumSession(std::string_view fileBytes);

struct TBrowserSessionFile {
    TBrowserFamily Family = TBrowserFamily::Firefox;
    std::filesystem::path Path;
    std::filesystem::file_time_type Written{};
    // The browser holds its profile's lock (a Firefox profile's "lock", a Chromium family
    // folder's "SingletonLock"): it runs, or it ended without cleaning up.
    bool Running = false;
};

// The session files of every profile found under a home folder, those of running browsers
// first, each group newest first: Firefox's through its profiles.ini (current and older
// locations, snap and flatpak), the Chromium family's in each profile folder of each browser's
// configuration folder.
std::vector<TBrowserSessionFile> FindBrowserSessionFiles(const std::filesystem::path& home);
// The page of one session file; nothing when it is missing, unreadable, too large or damaged.
std::optional<TBrowserPage> ReadBrowserSessionFile(const TBrowserSessionFile& file);

// The folder the session files are looked for under: $LORVANE_SESSIONS_HOME when set, else
// $HOME; empty when neither is.
std::filesystem::path BrowserSessionHome();

// A page as a running browser's window-information reply, in Windows-1252: the quoted URL, a
// comma and the quoted title. A double quote inside the URL becomes %22, one inside the title
// a single quote, so the reply splits where it should.
std::string BrowserWindowInfoReply(const TBrowserPage& page);
