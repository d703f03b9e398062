// Reading the page a browser shows from its session files: the real files of tests/data, files
// the tests write, the profile search and damaged bytes.
#include "BrowserSessions.h"

#include <gtest/gtest.h>
#include <lz4.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <random>

#include "ChromiumSessionWriter.h"
#include "DdeClient.h"
#include "EntryCommands.h"
#include "SessionsHome.h"

#if defined(__SANITIZE_ADDRESS__)
#define LORVANE_HEAP_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LORVANE_HEAP_HOOKS 1
#endif
#endif
#ifdef LORVANE_HEAP_HOOKS
// The address sanitizer's allocator interface.
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*onAlloc)(const volatile void*, size_t),
                                              void (*onFree)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* block);
}
#endif

namespace fs = std::filesystem;

namespace {

std::string FirefoxFixture() {
    return SessionsHome::Read(SessionsHome::Fixture("firefox/recovery.jsonlz4"));
}
std::string ChromiumRunning() {
    return SessionsHome::Read(SessionsHome::Fixture("chromium-running/Session_13441124014384122"));
}
std::string ChromiumAfterExit() {
    return SessionsHome::Read(
        SessionsHome::Fixture("chromium-after-exit/Session_13441123895554232"));
}

// A Firefox session file holding a JSON text.
std::string FirefoxFile(const std::string& json) {
    std::string block(size_t(LZ4_compressBound(int(json.size()))), '\0');
    block.resize(size_t(
        LZ4_compress_default(json.data(), block.data(), int(json.size()), int(block.size()))));
    return std::string("mozLz40\0", 8) + LE32(uint32_t(json.size())) + block;
}

void ExpectPage(const std::optional<TBrowserPage>& page, const std::string& url,
                const std::string& title) {
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->URL, url);
    EXPECT_EQ(page->Title, title);
}

#ifdef LORVANE_HEAP_HOOKS
// The sanitizer's allocator tells of every block: the heap in use and its peak while watched.
std::atomic<bool> watching{false};
std::atomic<size_t> inUse{0}, peak{0};
void OnAlloc(const volatile void*, size_t size) {
    if (!watching) return;
    const size_t now = inUse += size;
    for (size_t seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
}
void OnFree(const volatile void* block) {
    if (watching)
        inUse -=
            std::min<size_t>(inUse, __sanitizer_get_allocated_size(const_cast<const void*>(block)));
}
#endif

// Whether `read` runs within `budget` bytes of heap beyond what is in use when it starts, and
// says its result is right: under the address sanitizer its allocator's figures tell; otherwise
// a child process runs it with its address space limited, where an exception that leaves it
// fails too.
bool RunsWithin(size_t budget, const std::function<bool()>& read) {
#ifdef LORVANE_HEAP_HOOKS
    static const int installed = __sanitizer_install_malloc_and_free_hooks(OnAlloc, OnFree);
    (void)installed;
    inUse = peak = 0;
    watching = true;
    const bool right = read();
    watching = false;
    return right && peak <= budget;
#else
    const pid_t child = ::fork();
    if (child == 0) {
        size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = pages * size_t(::sysconf(_SC_PAGESIZE)) + budget;
        const rlimit cap{limit, limit};
        ::setrlimit(RLIMIT_AS, &cap);
        try {
            ::_exit(read() ? 0 : 1);
        } catch (...) {
            ::_exit(2);
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

}  // namespace

TEST(BrowserSessions, RealFilesGiveTheSelectedTabsCurrentEntry) {
    ExpectPage(ReadFirefoxSession(FirefoxFixture()), "http://127.0.0.1:18931/c.html",
               "Gamma Reached From Alpha");
    // The running browser has not written the title yet.
    ExpectPage(ReadChromiumSession(ChromiumRunning()), "http://127.0.0.1:18931/c.html", "");
    ExpectPage(ReadChromiumSession(ChromiumAfterExit()), "http://127.0.0.1:18931/a.html", "");
}

TEST(BrowserSessions, FirefoxSelectsWindowTabAndEntry) {
    const std::string windows =
        R"({"version":["sessionrestore",1],"selectedWindow":2,"windows":[)"
        R"({"selected":1,"tabs":[{"index":1,"entries":[{"url":"http://w1/"}]}]},)"
        R"({"selected":2,"tabs":[{"index":1,"entries":[{"url":"http://t1/"}]},)"
        R"({"index":1,"formdata":{"x":[[[1]]]},"entries":[{"url":"http://back/","title":"B"},)"
        R"({"url":"http://fwd/","title":"F"}]}]}]})";
    ExpectPage(ReadFirefoxSession(FirefoxFile(windows)), "http://back/", "B");
    // No index: the last entry; a selection out of range: the first window and tab.
    ExpectPage(ReadFirefoxSession(FirefoxFile(
                   R"({"selectedWindow":7,"windows":[{"selected":0,"tabs":[{"entries":[)"
                   R"({"url":"http://a/"},{"url":"http://b/","title":"Zoë"}]}]}]})")),
               "http://b/", "Zoë");
    // Another layout, no windows, no URL.
    for (const char* json :
         {R"({"version":["sessionrestore",2],"windows":[{"tabs":[{"entries":[{"url":"u"}]}]}]})",
          R"({"windows":[]})", R"({"windows":[{"tabs":[{"entries":[{"title":"t"}]}]}]})", "[1]"})
        EXPECT_FALSE(ReadFirefoxSession(FirefoxFile(json)).has_value()) << json;
}

TEST(BrowserSessions, ChromiumFollowsTheCommands) {
    SessionWriter s;
    s.Ints(0, 1, 11);  // window 1: tab 11
    s.Ints(0, 2, 21);  // window 2: tabs 21, 22, 23 at positions 2, 0, 1
    s.Ints(0, 2, 22);
    s.Ints(0, 2, 23);
    s.Ints(2, 21, 2);
    s.Ints(2, 22, 0);
    s.Ints(2, 23, 1);
    s.Navigation(11, 0, "http://one/", u"One");
    s.Navigation(21, 0, "http://twenty-one/", u"");
    s.Navigation(22, 0, "http://twenty-two/", u"");
    for (int i = 0; i < 3; ++i)
        s.Navigation(23, i, std::string("http://") + char('a' + i) + "/", u"");
    s.Navigation(23, 2, "http://c/", u"Ça – »c«");
    s.Ints(7, 23, 2);
    s.Ints(11, 23, 1);  // the first entry pruned: c is now entry 1
    s.Ints(8, 2, 1);
    s.Command(20, LE32(2));
    ExpectPage(ReadChromiumSession(s.Bytes), "http://c/", "Ça – »c«");
    // A command cut short at the end (the browser is writing it): what the whole ones said.
    ExpectPage(ReadChromiumSession(s.Bytes + std::string("\x30\x00\x06\x01", 4)), "http://c/",
               "Ça – »c«");

    s.Command(16, LE32(22) + LE32(0) + std::string(8, '\0'));  // tab 22 closed, then reused
    s.Ints(0, 2, 22);
    s.Ints(2, 22, 1);
    s.Navigation(22, 0, "http://reused/", u"");
    s.Command(16, LE32(23) + LE32(0) + std::string(8, '\0'));            // tab 23 closed
    ExpectPage(ReadChromiumSession(s.Bytes), "http://twenty-one/", "");  // after the reused 22
    s.Command(17, LE32(2) + LE32(0) + std::string(8, '\0'));             // window 2 closed
    ExpectPage(ReadChromiumSession(s.Bytes), "http://one/", "One");

    std::string encrypted = s.Bytes;
    encrypted[4] = 2;
    EXPECT_FALSE(ReadChromiumSession(encrypted).has_value());
}

namespace {

// The Chromium commands as a plain model: tabs in the order they were made, windows in the order
// they first appeared, each prune a rebuild of the tab's entries.
class ChromiumModel {
public:
    void SetTabWindow(int32_t window, int32_t tab) {
        Open(window);
        TabOf(tab).Window = window;
    }
    void SetVisualIndex(int32_t tab, int32_t index) { TabOf(tab).VisualIndex = index; }
    void Navigate(int32_t tab, int32_t index, const TBrowserPage& page) {
        TabOf(tab).Entries[index] = page;
    }
    void SelectNavigation(int32_t tab, int32_t index) { TabOf(tab).Selected = index; }
    void SelectTab(int32_t window, int32_t index) { Open(window).SelectedTab = index; }
    void Prune(int32_t id, int64_t index, int64_t count) {
        const auto tab = FindTab(id);
        if (tab == tabs_.end() || count <= 0) return;
        std::map<int64_t, TBrowserPage> kept;
        for (const auto& [at, page] : tab->Entries)
            if (at < index || at >= index + count) kept[at < index ? at : at - count] = page;
        tab->Entries = kept;
        if (tab->Selected && *tab->Selected >= index)
            tab->Selected =
                int32_t(*tab->Selected >= index + count ? *tab->Selected - count : index);
    }
    void CloseTab(int32_t id) {
        if (const auto tab = FindTab(id); tab != tabs_.end()) tabs_.erase(tab);
    }
    void CloseWindow(int32_t id) {
        for (Window& w : windows_)
            if (w.Id == id) w.IsOpen = false;
    }
    void Activate(int32_t window) { active_ = window; }

    // The active window, else the first to appear, that has tabs with entries: its selected tab
    // among them in visual order, that tab's selected entry or the nearest before it.
    std::optional<TBrowserPage> Page() const {
        std::vector<int32_t> order;
        if (active_) order.push_back(*active_);
        for (const Window& w : windows_) order.push_back(w.Id);
        for (const int32_t id : order) {
            const auto window = std::find_if(windows_.begin(), windows_.end(),
                                             [&](const Window& w) { return w.Id == id; });
            if (window == windows_.end() || !window->IsOpen) continue;
            std::vector<const Tab*> shown;
            for (const Tab& tab : tabs_)
                if (tab.Window == id && !tab.Entries.empty()) shown.push_back(&tab);
            if (shown.empty()) continue;
            std::stable_sort(shown.begin(), shown.end(), [](const Tab* a, const Tab* b) {
                return a->VisualIndex < b->VisualIndex;
            });
            const Tab& tab =
                *shown[size_t(std::clamp(window->SelectedTab, 0, int32_t(shown.size()) - 1))];
            if (!tab.Selected) return tab.Entries.rbegin()->second;
            const auto after = tab.Entries.upper_bound(*tab.Selected);
            return after == tab.Entries.begin() ? after->second : std::prev(after)->second;
        }
        return std::nullopt;
    }

private:
    struct Tab {
        int32_t Id = 0, Window = 0, VisualIndex = 0;
        std::optional<int32_t> Selected;
        std::map<int64_t, TBrowserPage> Entries;
    };
    struct Window {
        int32_t Id = 0, SelectedTab = 0;
        bool IsOpen = true;
    };

    std::vector<Tab>::iterator FindTab(int32_t id) {
        return std::find_if(tabs_.begin(), tabs_.end(), [&](const Tab& t) { return t.Id == id; });
    }
    Tab& TabOf(int32_t id) {
        if (const auto tab = FindTab(id); tab != tabs_.end()) return *tab;
        tabs_.emplace_back().Id = id;
        return tabs_.back();
    }
    Window& Open(int32_t id) {
        for (Window& w : windows_)
            if (w.Id == id) {
                if (!w.IsOpen) w = {id, 0, true};
                return w;
            }
        windows_.push_back({id, 0, true});
        return windows_.back();
    }

    std::vector<Tab> tabs_;
    std::vector<Window> windows_;
    std::optional<int32_t> active_;
};

}  // namespace

TEST(BrowserSessions, ChromiumCommandsInAnyOrderGiveTheModelsPage) {
    std::mt19937 random(20261208);
    const auto pick = [&](std::initializer_list<int32_t> values) {
        return *(values.begin() + random() % values.size());
    };
    const auto tab = [&] { return pick({1, 2, 3, 4, 5, -1}); };
    const auto window = [&] { return pick({0, 1, 2, 3}); };
    const auto index = [&] {
        return random() % 8 ? int32_t(random() % 7) - 1 : pick({INT32_MIN, INT32_MAX, -7});
    };
    const auto count = [&] { return pick({-1, 0, 1, 1, 2, 3, INT32_MAX}); };
    for (int round = 0; round < 1500; ++round) {
        SessionWriter s;
        ChromiumModel model;
        for (int step = 0, steps = 1 + int(random() % 60); step < steps; ++step) {
            const int32_t a = tab(), w = window(), i = index(), c = count();
            switch (random() % 14) {
                case 0:
                    s.Ints(0, w, a);
                    model.SetTabWindow(w, a);
                    break;
                case 1:
                    s.Ints(2, a, i % 3);
                    model.SetVisualIndex(a, i % 3);
                    break;
                case 2:
                case 3:
                case 4: {
                    const std::string url = "http://u" + std::to_string(step) + "/";
                    const std::u16string title = random() % 2 ? u"T\u00e9" : u"";
                    const bool empty = random() % 10 == 0;  // no URL: not an entry
                    s.Navigation(a, i, empty ? "" : url, title);
                    if (!empty) model.Navigate(a, i, {url, title.empty() ? "" : "T\u00e9"});
                    break;
                }
                case 5:
                    s.Ints(7, a, i);
                    model.SelectNavigation(a, i);
                    break;
                case 6:
                    s.Ints(8, w, i % 4);
                    model.SelectTab(w, i % 4);
                    break;
                case 7:
                    s.Ints(5, a, i);
                    model.Prune(a, i, int64_t(INT32_MAX) - i + 1);
                    break;
                case 8:
                    s.Ints(11, a, c);
                    model.Prune(a, 0, c);
                    break;
                case 9:
                    s.Command(24, LE32(uint32_t(a)) + LE32(uint32_t(i)) + LE32(uint32_t(c)));
                    model.Prune(a, i, c);
                    break;
                case 10:
                    s.Command(16, LE32(uint32_t(a)) + std::string(12, '\0'));
                    model.CloseTab(a);
                    break;
                case 11:
                    s.Command(17, LE32(uint32_t(w)) + std::string(12, '\0'));
                    model.CloseWindow(w);
                    break;
                case 12:
                    s.Command(20, LE32(uint32_t(w)));
                    model.Activate(w);
                    break;
                default:  // too short to say anything, or not a command the reader follows
                    s.Command(uint8_t(pick({0, 7, 8, 24, 9})), LE32(uint32_t(a)));
                    break;
            }
            const auto page = ReadChromiumSession(s.Bytes);
            const auto expected = model.Page();
            ASSERT_EQ(page.has_value(), expected.has_value()) << round << " " << step;
            if (page) {
                ASSERT_EQ(page->URL, expected->URL) << round << " " << step;
                ASSERT_EQ(page->Title, expected->Title) << round << " " << step;
            }
        }
    }
}

TEST(BrowserSessions, DamagedFilesGiveNothingOrAPage) {
    std::mt19937 random(20261207);
    for (const std::string& file : {FirefoxFixture(), ChromiumRunning(), ChromiumAfterExit()}) {
        const bool firefox = file.rfind("mozLz40", 0) == 0;
        const auto read = [&](const std::string& bytes) {
            const auto page = firefox ? ReadFirefoxSession(bytes) : ReadChromiumSession(bytes);
            if (page) {
                EXPECT_FALSE(page->URL.empty());
            }
        };
        for (size_t length = 0; length < file.size(); ++length) read(file.substr(0, length));
        for (int round = 0; round < 3000; ++round) {
            std::string bytes = file;
            for (int flips = 1 + int(random() % 4); flips > 0; --flips)
                bytes[random() % bytes.size()] ^= char(1 + random() % 255);
            read(bytes);
        }
    }
    // A declared text above the cap is not unpacked.
    std::string huge = FirefoxFixture();
    huge.replace(8, 4, LE32(uint32_t(MaxSessionTextSize + 1)));
    EXPECT_FALSE(ReadFirefoxSession(huge).has_value());
}

// Reads a Firefox file of the text within the text's size and a few megabytes more; a page,
// when `readable`, must be http://x/.
bool ReadsWithinTheText(const std::string& text, bool readable) {
    const std::string file = FirefoxFile(text);
    return RunsWithin(text.size() + (8u << 20), [&] {
        const auto page = ReadFirefoxSession(file);
        return page.has_value() == readable && (!page || page->URL == "http://x/");
    });
}

TEST(BrowserSessions, FirefoxTextsOfRepeatedRunsTakeLittleMemory) {
    // Each text packs to a small file; the reader takes the text and a few megabytes more.
    const size_t size = 4u << 20;
    const std::string session = R"("windows":[{"tabs":[{"entries":[{"url":"http://x/"}]}]}]})";
    std::string values = R"({"windows":[{"tabs":[{"entries":[0)";
    while (values.size() < size) values += ",0";
    const std::pair<std::string, bool> texts[] = {
        {std::string(size, '['), false},                                   // never closed
        {std::string(size / 2, '[') + std::string(size / 2, ']'), false},  // deep, valid
        {values + R"(,{"url":"http://x/"}]}]}]})", true},                  // a run of values
        {R"({"a":")" + std::string(size, 'a') + "\"," + session, true},    // a long string
        {R"({"a":)" + std::string(size, '7') + "," + session, false},      // a long number
        {"{" + std::string(size, '\t') + "\x01", false},                   // blanks, a stray byte
    };
    for (const auto& [text, readable] : texts)
        EXPECT_TRUE(ReadsWithinTheText(text, readable)) << text.substr(0, 8);
}

TEST(BrowserSessions, FirefoxTextsNearTheCapTakeLittleMemory) {
    const size_t size = MaxSessionTextSize - 256;
    const std::string session = R"("windows":[{"tabs":[{"entries":[{"url":"http://x/"}]}]}]})";
    // Structure alone, no string or number in it.
    std::string structure = "[";
    const std::string pieces[] = {"[],", "{},", "null,", "true,", "false,", "[[{}],[null]], "};
    for (size_t i = 0; structure.size() < size; ++i) structure += pieces[i % 6];
    EXPECT_TRUE(ReadsWithinTheText(structure + "0]", false));
    // Strings of escapes alone: a title of surrogate pairs, cut only after a whole pair, and a
    // URL too long to keep.
    std::string pairs = R"({"title":")";
    while (pairs.size() < size) pairs += R"(\ud83d\ude00)";
    EXPECT_TRUE(ReadsWithinTheText(pairs + "\",\n" + session, true));
    std::string url = R"({"windows":[{"tabs":[{"entries":[{"url":"http://x/)";
    while (url.size() < size) url += R"(\\)";
    EXPECT_TRUE(ReadsWithinTheText(url + R"("}]}]}]})", false));
}

// Chromium files of about `size` bytes, each of whose pages is http://x/: tabs without entries
// (their commands of 11 bytes the smallest there are) and one with, tabs with an entry each in
// a window of its own, and entries of one tab.
std::vector<std::string> ChromiumFilesOfManyCommands(size_t size) {
    SessionWriter tabs, windows, entries;
    for (int32_t i = 0; tabs.Bytes.size() < size; ++i) tabs.Ints(0, 1, i);
    tabs.Navigation(1, 0, "http://x/", u"");
    tabs.Ints(0, 1, 1);
    for (int32_t i = 0; windows.Bytes.size() < size; ++i) {
        windows.Ints(0, i, i);
        windows.Navigation(i, 0, "http://x/", u"");
    }
    entries.Ints(0, 1, 1);
    for (int32_t i = 0; entries.Bytes.size() < size; ++i)
        entries.Navigation(1, i, "http://x/", u"");
    return {tabs.Bytes, windows.Bytes, entries.Bytes};
}

TEST(BrowserSessions, ChromiumFilesTakeMemoryOfAboutTheirSize) {
    for (const std::string& file : ChromiumFilesOfManyCommands(8u << 20))
        EXPECT_TRUE(RunsWithin(2 * file.size() + (8u << 20), [&] {
            const auto page = ReadChromiumSession(file);
            return page && page->URL == "http://x/";
        })) << file.substr(8, 16);
}

// The address sanitizer's allocator cannot be made to run out here: the optimised build runs it.
#ifndef LORVANE_HEAP_HOOKS
TEST(BrowserSessions, ChromiumFilesGiveNothingWhenMemoryRunsOut) {
    // No room for what the commands name: nothing, or the page, never an exception.
    for (const std::string& file : ChromiumFilesOfManyCommands(8u << 20))
        EXPECT_TRUE(RunsWithin(1u << 20, [&] {
            const auto page = ReadChromiumSession(file);
            return !page || page->URL == "http://x/";
        })) << file.substr(8, 16);
    // No room for the bytes of a file near the cap.
    SessionsHome home;
    const fs::path path =
        home.Write("Session_1", ChromiumFilesOfManyCommands(MaxSessionFileSize - 1024)[0]);
    EXPECT_TRUE(RunsWithin(1u << 20, [&] {
        const auto page = ReadBrowserSessionFile({TBrowserFamily::Chromium, path, {}, false});
        return !page || page->URL == "http://x/";
    }));
}
#endif

TEST(BrowserSessions, ProfilesAreFoundWhereTheBrowsersKeepThem) {
    SessionsHome home;
    const fs::path firefox = home.AddFirefox(FirefoxFixture());
    // An older Firefox keeps its profiles under ~/.mozilla, here by an absolute path.
    const fs::path old = home.Write("elsewhere/sessionstore-backups/recovery.jsonlz4", "x");
    home.Write(".mozilla/firefox/profiles.ini",
               "[Profile0]\nIsRelative=0\nPath=" + (home.Path() / "elsewhere").string() + "\n");
    const fs::path brave = home.Write(
        ".config/BraveSoftware/Brave-Browser/Profile 1/Sessions/Session_1", ChromiumRunning());
    home.Write(
        ".config/BraveSoftware/Brave-Browser/Profile 1/Sessions/Tabs_1",
        SessionsHome::Read(SessionsHome::Fixture("chromium-after-exit/Tabs_13441123941219073")));
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(old, now - std::chrono::hours(2));
    fs::last_write_time(firefox, now - std::chrono::hours(1));
    fs::last_write_time(brave, now);

    const auto files = FindBrowserSessionFiles(BrowserSessionHome());
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].Path, brave);
    EXPECT_EQ(files[0].Family, TBrowserFamily::Chromium);
    EXPECT_EQ(files[1].Path, firefox);
    EXPECT_EQ(files[1].Family, TBrowserFamily::Firefox);
    EXPECT_EQ(files[2].Path, old);
    ExpectPage(ReadBrowserSessionFile(files[1]), "http://127.0.0.1:18931/c.html",
               "Gamma Reached From Alpha");
    EXPECT_FALSE(ReadBrowserSessionFile(files[2]).has_value());

    // A file above the size cap is not read.
    fs::resize_file(brave, MaxSessionFileSize + 1);
    EXPECT_FALSE(ReadBrowserSessionFile(files[0]).has_value());
}

TEST(BrowserSessions, TheConversationAnswersForTheBrowserUsedLast) {
    SessionsHome home;
    TDdeClientConv conv;
    EXPECT_FALSE(conv.SetLink("Netscape", "WWW_GetWindowInfo")) << "no browser";

    const fs::path firefox = home.AddFirefox(FirefoxFixture());
    const fs::path chromium = home.AddChromium(ChromiumAfterExit());
    fs::last_write_time(chromium, fs::last_write_time(firefox) - std::chrono::minutes(1));
    EXPECT_FALSE(conv.SetLink("IExplore", "WWW_GetWindowInfo"));
    ASSERT_TRUE(conv.SetLink("Netscape", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.RequestData("0xFFFFFFFF,sURL,sTitle"),
              "\"http://127.0.0.1:18931/c.html\",\"Gamma Reached From Alpha\"");
    EXPECT_FALSE(conv.RequestData("WWW_Activate").has_value());
    conv.CloseLink();

    fs::last_write_time(chromium, fs::last_write_time(firefox) + std::chrono::minutes(1));
    ASSERT_TRUE(conv.SetLink("IExplore", "WWW_GetWindowInfo"));
    EXPECT_EQ(conv.RequestData("0xFFFFFFFF,sURL,sTitle"), "\"http://127.0.0.1:18931/a.html\",\"\"");
    // A running browser comes before one that has ended, whatever their files' times.
    fs::create_symlink("127.0.0.1:+4242", firefox.parent_path().parent_path() / "lock");
    EXPECT_FALSE(conv.SetLink("IExplore", "WWW_GetWindowInfo"));
    EXPECT_TRUE(conv.SetLink("Mozilla", "WWW_GetWindowInfo"));
}

TEST(BrowserSessions, TheReplySplitsBackIntoURLAndTitle) {
    const std::string reply =
        BrowserWindowInfoReply({"http://x/?q=\"a\",\"b\"&w=日", "Beta – »quoted« \"x\" 日"});
    std::string url, title;
    ASSERT_TRUE(ParseBrowserReply(reply, url, title));
    EXPECT_EQ(url, "http://x/?q=%22a%22,%22b%22&w=%E6%97%A5");
    EXPECT_EQ(title, "Beta \x96 \xBBquoted\xAB 'x' ?");
}
