// Reading the page a browser shows from its session file.
#include "BrowserSessions.h"

#include <lz4.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <system_error>

#include "platform/Codec.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

uint32_t LoadLE32(const char* p) {
    return uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16 |
           uint32_t(uint8_t(p[3])) << 24;
}

// ---- Firefox ----

constexpr std::string_view FirefoxMagic{"mozLz40\0", 8};

// Only these members are kept while parsing: form data, scroll positions, cookies and
// closed windows never reach memory.
bool FirefoxKeyKept(const std::string& key) {
    static const std::set<std::string> kept = {"version", "windows",  "selectedWindow",
                                               "tabs",    "selected", "index",
                                               "entries", "url",      "title"};
    return kept.count(key) != 0;
}

// A 1-based position from a member, or `fallback` when the member is no number in 1..count.
size_t OneBased(const json& object, const char* key, size_t count, size_t fallback) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number_integer()) return fallback;
    const int64_t value = it->get<int64_t>();
    return value >= 1 && uint64_t(value) <= count ? size_t(value) : fallback;
}

const json* NonEmptyArray(const json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_array() && !it->empty() ? &*it : nullptr;
}

std::optional<TBrowserPage> PageOfFirefoxText(std::string_view text) {
    const auto keep = [](int, json::parse_event_t event, json& parsed) {
        return event != json::parse_event_t::key || FirefoxKeyKept(parsed.get<std::string>());
    };
    const json doc = json::parse(text.begin(), text.end(), keep, false);
    if (doc.is_discarded() || !doc.is_object()) return std::nullopt;
    // ["sessionrestore", 1] is the only layout read.
    if (const auto version = doc.find("version"); version != doc.end()) {
        if (!version->is_array() || version->size() != 2 || !(*version)[0].is_string() ||
            (*version)[0].get<std::string>() != "sessionrestore" ||
            !(*version)[1].is_number_integer() || (*version)[1].get<int64_t>() != 1)
            return std::nullopt;
    }
    const json* windows = NonEmptyArray(doc, "windows");
    if (!windows) return std::nullopt;
    const json& window = (*windows)[OneBased(doc, "selectedWindow", windows->size(), 1) - 1];
    if (!window.is_object()) return std::nullopt;
    const json* tabs = NonEmptyArray(window, "tabs");
    if (!tabs) return std::nullopt;
    const json& tab = (*tabs)[OneBased(window, "selected", tabs->size(), 1) - 1];
    if (!tab.is_object()) return std::nullopt;
    const json* entries = NonEmptyArray(tab, "entries");
    if (!entries) return std::nullopt;
    const json& entry = (*entries)[OneBased(tab, "index", entries->size(), entries->size()) - 1];
    if (!entry.is_object()) return std::nullopt;
    const auto url = entry.find("url");
    if (url == entry.end() || !url->is_string() || url->get_ref<const std::string&>().empty())
        return std::nullopt;
    TBrowserPage page;
    page.URL = url->get<std::string>();
    if (const auto title = entry.find("title"); title != entry.end() && title->is_string())
        page.Title = title->get<std::string>();
    return page;
}

// ---- Chromium ----

// Command ids of the session file.
enum : uint8_t {
    cmdSetTabWindow = 0,
    cmdSetTabIndexInWindow = 2,
    cmdPrunedFromBack = 5,
    cmdUpdateTabNavigation = 6,
    cmdSetSelectedNavigationIndex = 7,
    cmdSetSelectedTabInIndex = 8,
    cmdPrunedFromFront = 11,
    cmdTabClosed = 16,
    cmdWindowClosed = 17,
    cmdSetActiveWindow = 20,
    cmdNavigationPathPruned = 24,
};

// Bounded little-endian reads over one command's payload.
class TPayload {
public:
    explicit TPayload(std::string_view bytes) : bytes_(bytes) {}
    std::optional<int32_t> Int(size_t at) const {
        if (at > bytes_.size() || bytes_.size() - at < 4) return std::nullopt;
        return int32_t(LoadLE32(bytes_.data() + at));
    }
    bool Ints(int32_t& a, int32_t& b) const {
        const auto x = Int(0), y = Int(4);
        if (!x || !y) return false;
        a = *x;
        b = *y;
        return true;
    }
    std::string_view Bytes() const { return bytes_; }

private:
    std::string_view bytes_;
};

// A pickle's fields in order: 32-bit integers and length-prefixed strings, each padded to 4.
class TPickleReader {
public:
    explicit TPickleReader(std::string_view body) : body_(body) {}
    std::optional<int32_t> Int() {
        if (body_.size() - pos_ < 4) return std::nullopt;
        const int32_t value = int32_t(LoadLE32(body_.data() + pos_));
        pos_ += 4;
        return value;
    }
    // `unit` bytes a character: 1 for 8-bit strings, 2 for UTF-16.
    std::optional<std::string_view> Chars(size_t unit) {
        const auto length = Int();
        if (!length || *length < 0 || size_t(*length) > (body_.size() - pos_) / unit)
            return std::nullopt;
        const size_t bytes = size_t(*length) * unit;
        const std::string_view chars = body_.substr(pos_, bytes);
        pos_ += std::min(body_.size() - pos_, (bytes + 3) & ~size_t(3));
        return chars;
    }

private:
    std::string_view body_;
    size_t pos_ = 0;
};

struct TChromiumTab {
    int32_t Window = 0;
    int32_t VisualIndex = 0;
    std::optional<int32_t> SelectedNavigation;
    std::map<int32_t, TBrowserPage> Navigations;
};

struct TChromiumSession {
    std::map<int32_t, int32_t> SelectedTab;  // window id -> selected tab's visual index
    std::vector<int32_t> WindowOrder;        // window ids as they first appear
    std::map<int32_t, TChromiumTab> Tabs;
    std::vector<int32_t> TabOrder;
    std::optional<int32_t> ActiveWindow;

    void AddWindow(int32_t id) {
        if (SelectedTab.emplace(id, 0).second) WindowOrder.push_back(id);
    }
    TChromiumTab& Tab(int32_t id) {
        const auto [it, added] = Tabs.try_emplace(id);
        if (added) TabOrder.push_back(id);
        return it->second;
    }
    void CloseTab(int32_t id) {
        if (Tabs.erase(id)) std::erase(TabOrder, id);
    }
    void Navigation(TPayload payload);
    // Removes `count` entries from `index` on; later entries move down.
    void Prune(int32_t tabId, int32_t index, int64_t count);
    std::optional<TBrowserPage> Current() const;
};

void TChromiumSession::Navigation(TPayload payload) {
    TPickleReader header(payload.Bytes());
    const auto size = header.Int();
    if (!size || *size < 0 || size_t(*size) > payload.Bytes().size() - 4) return;
    TPickleReader pickle(payload.Bytes().substr(4, size_t(*size)));
    const auto tabId = pickle.Int();
    const auto index = pickle.Int();
    const auto url = pickle.Chars(1);
    if (!tabId || !index || !url || url->empty()) return;
    TBrowserPage page{std::string(*url), {}};
    if (const auto title = pickle.Chars(2)) {
        std::u16string units(title->size() / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = char16_t(uint8_t((*title)[2 * i]) | uint8_t((*title)[2 * i + 1]) << 8);
        page.Title = Utf16ToUtf8(units);
    }
    Tab(*tabId).Navigations[*index] = std::move(page);
}

void TChromiumSession::Prune(int32_t tabId, int32_t index, int64_t count) {
    const auto found = Tabs.find(tabId);
    if (found == Tabs.end() || count <= 0) return;
    TChromiumTab& tab = found->second;
    std::map<int32_t, TBrowserPage> kept;
    for (auto& [at, page] : tab.Navigations) {
        if (at < index)
            kept[at] = std::move(page);
        else if (int64_t(at) >= int64_t(index) + count)
            kept[int32_t(at - count)] = std::move(page);
    }
    tab.Navigations = std::move(kept);
    if (tab.SelectedNavigation && *tab.SelectedNavigation >= index) {
        const int64_t selected = *tab.SelectedNavigation;
        tab.SelectedNavigation = int32_t(selected >= index + count ? selected - count : index);
    }
}

std::optional<TBrowserPage> TChromiumSession::Current() const {
    // The active window, else the first one that has tabs.
    std::vector<int32_t> windows;
    if (ActiveWindow && SelectedTab.count(*ActiveWindow)) windows.push_back(*ActiveWindow);
    windows.insert(windows.end(), WindowOrder.begin(), WindowOrder.end());
    for (const int32_t window : windows) {
        if (!SelectedTab.count(window)) continue;
        std::vector<const TChromiumTab*> tabs;
        for (const int32_t id : TabOrder) {
            const TChromiumTab& tab = Tabs.at(id);
            if (tab.Window == window && !tab.Navigations.empty()) tabs.push_back(&tab);
        }
        if (tabs.empty()) continue;
        std::stable_sort(tabs.begin(), tabs.end(),
                         [](const TChromiumTab* a, const TChromiumTab* b) {
                             return a->VisualIndex < b->VisualIndex;
                         });
        const int32_t selected = std::clamp(SelectedTab.at(window), 0, int32_t(tabs.size() - 1));
        const auto& navigations = tabs[size_t(selected)]->Navigations;
        const auto& chosen = tabs[size_t(selected)]->SelectedNavigation;
        if (!chosen) return navigations.rbegin()->second;
        // The selected entry, else the nearest one before it, else the first.
        auto it = navigations.upper_bound(*chosen);
        if (it != navigations.begin()) --it;
        return it->second;
    }
    return std::nullopt;
}

// ---- Files ----

std::optional<std::string> ReadBounded(const fs::path& path, size_t cap) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes;
    std::array<char, 65536> chunk;
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        if (bytes.size() + size_t(in.gcount()) > cap) return std::nullopt;
        bytes.append(chunk.data(), size_t(in.gcount()));
    }
    if (in.bad()) return std::nullopt;
    return bytes;
}

// Entries of a folder, at most `limit` of them; none when it cannot be read.
std::vector<fs::path> FolderEntries(const fs::path& folder, size_t limit = 4096) {
    std::vector<fs::path> entries;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end && entries.size() < limit; it.increment(ec))
        entries.push_back(it->path());
    return entries;
}

void AddIfFile(std::vector<TBrowserSessionFile>& files, TBrowserFamily family, const fs::path& path,
               bool running) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return;
    const auto written = fs::last_write_time(path, ec);
    if (!ec) files.push_back({family, path, written, running});
}

// The browsers' locks are symbolic links naming the host and the process.
bool Locked(const fs::path& lock) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(lock, ec));
}

// Profile folders named by a Firefox profiles.ini.
std::vector<fs::path> FirefoxProfiles(const fs::path& root) {
    std::vector<fs::path> profiles;
    const auto ini = ReadBounded(root / "profiles.ini", 1u << 20);
    if (!ini) return profiles;
    bool inProfile = false;
    std::string path;
    bool relative = true;
    const auto flush = [&] {
        if (inProfile && !path.empty()) profiles.push_back(relative ? root / path : fs::path(path));
        path.clear();
        relative = true;
    };
    for (const std::string& raw : SplitLines(*ini)) {
        const std::string line = Trim(raw);
        if (!line.empty() && line[0] == '[') {
            flush();
            inProfile = line.rfind("[Profile", 0) == 0;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        if (key == "Path") path = value;
        if (key == "IsRelative") relative = value != "0";
    }
    flush();
    return profiles;
}

}  // namespace

std::optional<TBrowserPage> ReadFirefoxSession(std::string_view fileBytes) {
    if (fileBytes.size() < 12 || fileBytes.size() > MaxSessionFileSize ||
        fileBytes.substr(0, 8) != FirefoxMagic)
        return std::nullopt;
    const uint32_t size = LoadLE32(fileBytes.data() + 8);
    if (size == 0 || size > MaxSessionTextSize) return std::nullopt;
    std::string text(size, '\0');
    const int unpacked = LZ4_decompress_safe(fileBytes.data() + 12, text.data(),
                                             int(fileBytes.size() - 12), int(size));
    if (unpacked != int(size)) return std::nullopt;
    return PageOfFirefoxText(text);
}

std::optional<TBrowserPage> ReadChromiumSession(std::string_view fileBytes) {
    if (fileBytes.size() < 8 || fileBytes.size() > MaxSessionFileSize ||
        fileBytes.substr(0, 4) != "SNSS")
        return std::nullopt;
    // 1: commands only; 3: with the marker after the initial state. 2 and 4 are encrypted.
    const uint32_t version = LoadLE32(fileBytes.data() + 4);
    if (version != 1 && version != 3) return std::nullopt;
    TChromiumSession session;
    size_t pos = 8;
    while (fileBytes.size() - pos >= 2) {
        const size_t size = uint8_t(fileBytes[pos]) | size_t(uint8_t(fileBytes[pos + 1])) << 8;
        pos += 2;
        if (size == 0 || fileBytes.size() - pos < size) break;
        const uint8_t id = uint8_t(fileBytes[pos]);
        const TPayload payload(fileBytes.substr(pos + 1, size - 1));
        pos += size;
        int32_t a = 0, b = 0;
        switch (id) {
            case cmdUpdateTabNavigation:
                session.Navigation(payload);
                break;
            case cmdSetActiveWindow:
                if (const auto window = payload.Int(0)) session.ActiveWindow = *window;
                break;
            case cmdWindowClosed:
                if (const auto window = payload.Int(0)) session.SelectedTab.erase(*window);
                break;
            case cmdTabClosed:
                if (const auto tab = payload.Int(0)) session.CloseTab(*tab);
                break;
            default:
                if (!payload.Ints(a, b)) break;
                if (id == cmdSetTabWindow) {
                    session.AddWindow(a);
                    session.Tab(b).Window = a;
                } else if (id == cmdSetTabIndexInWindow) {
                    session.Tab(a).VisualIndex = b;
                } else if (id == cmdSetSelectedNavigationIndex) {
                    session.Tab(a).SelectedNavigation = b;
                } else if (id == cmdSetSelectedTabInIndex) {
                    session.AddWindow(a);
                    session.SelectedTab[a] = b;
                } else if (id == cmdPrunedFromBack) {
                    session.Prune(a, b, int64_t(INT32_MAX) - b + 1);
                } else if (id == cmdPrunedFromFront) {
                    session.Prune(a, 0, b);
                } else if (id == cmdNavigationPathPruned) {
                    if (const auto count = payload.Int(8)) session.Prune(a, b, *count);
                }
                break;
        }
    }
    return session.Current();
}

std::vector<TBrowserSessionFile> FindBrowserSessionFiles(const fs::path& home) {
    std::vector<TBrowserSessionFile> files;
    if (home.empty()) return files;
    for (const char* root :
         {".config/mozilla/firefox", ".mozilla/firefox", "snap/firefox/common/.mozilla/firefox",
          ".var/app/org.mozilla.firefox/.mozilla/firefox", ".librewolf"})
        for (const fs::path& profile : FirefoxProfiles(home / root))
            AddIfFile(files, TBrowserFamily::Firefox,
                      profile / "sessionstore-backups" / "recovery.jsonlz4",
                      Locked(profile / "lock"));
    for (const char* root :
         {".config/chromium", ".config/google-chrome", ".config/google-chrome-beta",
          ".config/google-chrome-unstable", ".config/BraveSoftware/Brave-Browser",
          ".config/microsoft-edge", ".config/vivaldi", "snap/chromium/common/chromium",
          ".var/app/org.chromium.Chromium/config/chromium",
          ".var/app/com.google.Chrome/config/google-chrome",
          ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser"}) {
        const bool running = Locked(home / root / "SingletonLock");
        for (const fs::path& profile : FolderEntries(home / root)) {
            AddIfFile(files, TBrowserFamily::Chromium, profile / "Current Session", running);
            for (const fs::path& file : FolderEntries(profile / "Sessions"))
                if (file.filename().string().rfind("Session_", 0) == 0)
                    AddIfFile(files, TBrowserFamily::Chromium, file, running);
        }
    }
    std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.Running != b.Running ? a.Running : a.Written > b.Written;
    });
    return files;
}

std::optional<TBrowserPage> ReadBrowserSessionFile(const TBrowserSessionFile& file) {
    const auto bytes = ReadBounded(file.Path, MaxSessionFileSize);
    if (!bytes) return std::nullopt;
    return file.Family == TBrowserFamily::Firefox ? ReadFirefoxSession(*bytes)
                                                  : ReadChromiumSession(*bytes);
}

fs::path BrowserSessionHome() {
    for (const char* name : {"LORVANE_SESSIONS_HOME", "HOME"})
        if (const char* value = std::getenv(name); value && *value) return fs::path(value);
    return fs::path();
}

std::string BrowserWindowInfoReply(const TBrowserPage& page) {
    std::string title = Utf8ToAnsi(page.Title);
    std::replace(title.begin(), title.end(), '"', '\'');
    return "\"" + Utf8UrlToAnsi(StringReplaceAll(page.URL, "\"", "%22")) + "\",\"" + title + "\"";
}
