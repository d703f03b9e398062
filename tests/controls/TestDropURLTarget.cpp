// Dropped links and shortcut files: readers, formats and drop effects.
#include "DropURLTarget.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

#include "DropTexts.h"
#include "TempDir.h"
#include "platform/Exceptions.h"

namespace {

// ---- Shortcut files ---------------------------------------------------------------------

std::string Url(std::string_view text) {
    std::string url;
    return ParseInternetShortcut(text, url) ? url : "<none>";
}

TEST(InternetShortcut, ReadsTheUrlLineOfTheSection) {
    EXPECT_EQ(Url("[InternetShortcut]\r\nURL=http://a/b\r\n"), "http://a/b");
    EXPECT_EQ(Url("[internetshortcut]\nURL=http://a/b"), "http://a/b");
    EXPECT_EQ(Url("[InternetShortcut]\rModified=1\rURL=http://a/ b  c \r"), "http://a/ b  c ");
    EXPECT_EQ(Url("URL=http://early\r\n[InternetShortcut]\r\nURL=http://late\r\n"), "http://late");
}

TEST(InternetShortcut, RefusesWhatIsNotExactlyTheFormat) {
    EXPECT_EQ(Url("[InternetShortcut]\r\nurl=http://a/b\r\n"), "<none>");
    EXPECT_EQ(Url("[InternetShortcut]\r\n[Other]\r\nURL=http://a/b\r\n"), "<none>");
    EXPECT_EQ(Url("[InternetShortcut] \r\nURL=http://a/b\r\n"), "<none>");
    EXPECT_EQ(Url("URL=http://a/b\r\n[InternetShortcut]"), "<none>");
    EXPECT_EQ(Url("[InternetShortcut]\r\nURL=\r\n"), "<none>");
    EXPECT_EQ(Url(""), "<none>");
    EXPECT_EQ(Url(std::string("\0\xff\xfe[Intern", 10)), "<none>");
}

TEST(InternetShortcut, EncodingsNulsAndBlanks) {
    const std::string body = "[InternetShortcut]\r\nURL=http://a/caf";
    EXPECT_EQ(Url(body + "\xe9\r\n"), "http://a/caf\xe9");                       // Windows-1252
    EXPECT_EQ(Url(body + "\xc3\xa9\r\n"), "http://a/caf\xe9");                   // UTF-8
    EXPECT_EQ(Url("\xEF\xBB\xBF" + body + "\xc3\xa9\r\n"), "http://a/caf\xe9");  // UTF-8 mark
    std::string utf16 = "\xff\xfe";
    for (char c : std::string("[InternetShortcut]\r\nURL=http://w/\r\n")) utf16 += {c, '\0'};
    EXPECT_EQ(Url(utf16), "http://w/");
    EXPECT_EQ(Url(std::string("[InternetShortcut]\nURL=http://n/\0junk\n", 37)), "http://n/");
    EXPECT_EQ(Url(std::string("[InternetShortcut]\nURL=\0http://n/\n", 33)), "<none>");
    EXPECT_EQ(Url("[InternetShortcut]\r\nURL= \t \r\n"), "<none>");
}

struct ShortcutFiles : ::testing::Test {
    TempDir dir;
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = dir.File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

TEST_F(ShortcutFiles, ReadsRegularFilesUpToTheLimit) {
    std::string url;
    EXPECT_TRUE(
        ReadInternetShortcut(Write("a.url", "[InternetShortcut]\r\nURL=http://a/\r\n"), url));
    EXPECT_EQ(url, "http://a/");
    // A huge file is read only in part: a URL far behind the limit is not found...
    std::string junk(200 * 1024, 'x');
    EXPECT_FALSE(ReadInternetShortcut(
        Write("huge.url", "[InternetShortcut]\r\n" + junk + "\r\nURL=http://z/\r\n"), url));
    // ...one at the start still is.
    EXPECT_TRUE(ReadInternetShortcut(
        Write("big.url", "[InternetShortcut]\r\nURL=http://b/\r\n" + junk), url));
    EXPECT_EQ(url, "http://b/");
    EXPECT_FALSE(ReadInternetShortcut(dir.File("missing.url"), url));
}

TEST_F(ShortcutFiles, TheLineCutByTheLimitIsNotRead) {
    const std::string head = "[InternetShortcut]\r\n";
    const size_t limit = 64 * 1024;
    std::string url;
    // A URL line running past the limit would come back cut short: it is not read at all.
    std::string pad = "Pad=" + std::string(limit - head.size() - 4 - 2 - 10, 'p') + "\r\n";
    std::string crossing = head + pad + "URL=http://c/" + std::string(500, 'y') + "\r\n";
    ASSERT_GT(crossing.size(), limit);
    EXPECT_FALSE(ReadInternetShortcut(Write("crossing.url", crossing), url));
    EXPECT_EQ(url, "");
    // A file of exactly the limit is whole, its last line too.
    std::string exact = head + "URL=http://e/";
    exact += std::string(limit - exact.size(), 'z');
    EXPECT_TRUE(ReadInternetShortcut(Write("exact.url", exact), url));
    EXPECT_EQ(url.size(), limit - head.size() - 4);
}

TEST_F(ShortcutFiles, RefusesFifosAndFolders) {
    std::string url;
    std::string fifo = dir.File("pipe.url");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadInternetShortcut(fifo, url));  // returns at once, no writer needed
    std::string folder = dir.File("folder.url");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    EXPECT_FALSE(ReadInternetShortcut(folder, url));
}

TEST(DesktopLink, ReadsTypeLinkEntriesOnly) {
    auto link = [](std::string_view text) {
        std::string url, name;
        return ParseDesktopLink(text, url, name) ? url + "|" + name : "<none>";
    };
    EXPECT_EQ(link("[Desktop Entry]\nType=Link\nName[de]=Seite\nName=My Site\nURL=http://a/b\n"),
              "http://a/b|My Site");
    EXPECT_EQ(link("\xEF\xBB\xBF# c\r\n[Desktop Entry]\r\nURL = http://a/caf\xC3\xA9\\sx\r\n"
                   "Type = Link\r\nURL=http://second/\r\n"),
              "http://a/caf\xE9 x|");
    EXPECT_EQ(link("[Desktop Entry]\nType=Application\nURL=http://a/\n"), "<none>");
    EXPECT_EQ(link("[Desktop Entry]\nType=Link\nName=x\n"), "<none>");
    EXPECT_EQ(link("[Desktop Entry]\nType=Link\nURL= \t\n"), "<none>");
    EXPECT_EQ(link("[Desktop Entry]\nType=Link\n[Other]\nURL=http://a/\n"), "<none>");
    EXPECT_EQ(link(std::string("[Desktop Entry]\nType=Link\nURL=") + '\0' + "http://n/\n"),
              "<none>");
    EXPECT_EQ(link(""), "<none>");
}

TEST_F(ShortcutFiles, DesktopLinksAreReadWithinTheSameBounds) {
    std::string url, name;
    const std::string head = "[Desktop Entry]\nType=Link\n";
    EXPECT_FALSE(ReadDesktopLink(
        Write("huge.desktop", head + std::string(200 * 1024, 'x') + "\nURL=http://z/\n"), url,
        name));
    EXPECT_TRUE(ReadDesktopLink(Write("a.desktop", head + "URL=http://a/\n"), url, name));
    EXPECT_EQ(url, "http://a/");
    const std::string fifo = dir.File("pipe.desktop");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadDesktopLink(fifo, url, name));
}

// ---- Formats ----------------------------------------------------------------------------

TEST(DropFormats, MozUrlEncodings) {
    const std::string le("h\0t\0t\0p\0:\0/\0/\0a\0\n\0C\0a\0f\0\xe9\0", 26);
    EXPECT_EQ(DecodeMozUrl(le), "http://a\nCaf\xe9");
    EXPECT_EQ(DecodeMozUrl(std::string("\xff\xfe"
                                       "a\0b\0",
                                       6)),
              "ab");
    EXPECT_EQ(DecodeMozUrl(std::string("\xfe\xff\0a\0b", 6)), "ab");
    EXPECT_EQ(DecodeMozUrl(std::string("\0a\0b", 4)), "ab");
    EXPECT_EQ(DecodeMozUrl("http://a\nCaf\xc3\xa9"), "http://a\nCaf\xe9");
    EXPECT_EQ(DecodeMozUrl(std::string("a\0b\0\0\0", 6)), "ab");  // a terminator is dropped
    EXPECT_EQ(DecodeMozUrl(""), "");
    EXPECT_EQ(DecodeMozUrl("\xff"), "?");
}

TEST(DropFormats, MozUrlOddLengthsForeignTitlesAndNuls) {
    // A stray byte after UTF-16 text, and a title whose units are not all Latin-1, are still
    // UTF-16: read as UTF-8 they would give NULs and garbage.
    const std::string le("h\0t\0t\0p\0:\0/\0/\0a\0\n\0", 18);
    EXPECT_EQ(DecodeMozUrl(le + "T"), "http://a\n");
    EXPECT_EQ(DecodeMozUrl(le + std::string("T\0\x14\x04", 4)), "http://a\nT?");
    EXPECT_EQ(DecodeMozUrl(std::string("\0h\0t\0t\0p\x04\x14", 10)), "http?");
    EXPECT_EQ(DecodeMozUrl(std::string("\xff\xfe"
                                       "a\0b\0c",
                                       7)),
              "ab");
    // Nothing after a NUL is text.
    EXPECT_EQ(DecodeMozUrl(std::string("http://a\0\xff\xfejunk", 14)), "http://a");
    EXPECT_EQ(DecodeMozUrl(std::string("a\0b\0\0\0x\0", 8)), "ab");
    EXPECT_EQ(DecodeMozUrl(std::string("\0", 1)), "");
}

TEST(DropFormats, UriListsAndFileUris) {
    EXPECT_EQ(ParseUriList("# comment\r\n\r\nfile:///a%20b.url\r\nhttp://x/\r\n"),
              (std::vector<std::string>{"file:///a%20b.url", "http://x/"}));
    std::string path;
    EXPECT_TRUE(LocalFileFromUri("file:///tmp/My%20Site.url", path));
    EXPECT_EQ(path, "/tmp/My Site.url");
    EXPECT_TRUE(LocalFileFromUri("FILE://localhost/x", path));
    EXPECT_EQ(path, "/x");
    EXPECT_TRUE(LocalFileFromUri("file:/y%2", path));
    EXPECT_EQ(path, "/y%2");
    EXPECT_FALSE(LocalFileFromUri("file://server/share/x.url", path));
    EXPECT_FALSE(LocalFileFromUri("file:///a%00b", path));
    EXPECT_FALSE(LocalFileFromUri("http://a/b.url", path));
    EXPECT_FALSE(LocalFileFromUri("file:", path));
}

// ---- The URL target ---------------------------------------------------------------------

class FakeDropData : public TDropData {
public:
    FakeDropData& Set(const std::string& f, const std::string& bytes) {
        formats[f] = bytes;
        return *this;
    }
    std::vector<std::string> Formats() const override {
        std::vector<std::string> out;
        for (const auto& [f, b] : formats) out.push_back(f);
        return out;
    }
    bool HasFormat(const std::string& f) const override { return formats.count(f) != 0; }
    std::string Data(const std::string& f) const override {
        auto i = formats.find(f);
        return i == formats.end() ? std::string() : i->second;
    }
    std::map<std::string, std::string> formats;
};

// A "file:" URI of a path, its bytes beyond the unreserved ones and "/" percent-escaped.
std::string FileUri(const std::string& path) {
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            uri += char(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            uri += escape;
        }
    }
    return uri;
}

struct UrlDrop : ::testing::Test {
    TDropURLTarget target;
    FakeDropData data;
    std::vector<std::string> seen;  // URL|Title|effect|x,y as OnDrop saw them
    int drops = 0;
    UrlDrop() {
        target.OnDrop = [this](TObject*, TShiftState, TPoint p, int& effect) {
            ++drops;
            seen.push_back(target.URL + "|" + target.Title + "|" + std::to_string(effect) + "|" +
                           std::to_string(p.X) + "," + std::to_string(p.Y));
        };
    }
    int DropAll(TPoint at = {3, 4}) {
        const int all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        if (target.DragEnter(&data, 0, at, all) == DROPEFFECT_NONE) return -1;
        return target.Drop(0, at, all);
    }
};

TEST_F(UrlDrop, BrowserLinkWinsOverPlainText) {
    data.Set(kMimeMozUrl, Utf16("http://a\nSite A")).Set(kMimeText, "other");
    EXPECT_EQ(DropAll(), DROPEFFECT_LINK);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "http://a|Site A|4|3,4");
    EXPECT_EQ(target.URL, "");  // cleared once the drop is complete
    EXPECT_EQ(target.Title, "");
}

TEST_F(UrlDrop, NetscapeUrlAndPlainText) {
    data.Set(kMimeNetscapeUrl, "http://n/\nNews");
    DropAll();
    data.formats.clear();
    data.Set(kMimeText, "http://plain/");
    DropAll();
    EXPECT_EQ(seen, (std::vector<std::string>{"http://n/|News|4|3,4",
                                              "http://plain/|http://plain/|4|3,4"}));
}

TEST_F(UrlDrop, UrlsOutsideTheCodePageKeepTheirAddress) {
    // Every drop format: the URL's CJK and emoji characters become UTF-8 escapes, the title
    // keeps the "?" rule and the code page's own letters stay letters.
    const std::string jp = "https://example.jp/\xE6\x97\xA5\xE6\x9C\xAC";
    const std::string jpAnsi = "https://example.jp/%E6%97%A5%E6%9C%AC";
    data.Set(kMimeNetscapeUrl, jp + "?q=\xC3\xA9\n\xE6\x97\xA5 caf\xC3\xA9");
    DropAll();
    data.formats.clear();
    data.Set(kMimeUriList, "https://x/\xF0\x9F\x98\x80\r\n");
    DropAll();
    data.formats.clear();
    data.Set(kMimeTextUtf8, jp);
    DropAll();
    data.formats.clear();
    // UTF-16 with a surrogate pair: U+1F600.
    data.Set(kMimeMozUrl, Utf16("http://m/") + std::string("\x3D\xD8\x00\xDE", 4) + Utf16("\nT"));
    DropAll();
    EXPECT_EQ(seen, (std::vector<std::string>{jpAnsi + "?q=\xE9|? caf\xE9|4|3,4",
                                              "https://x/%F0%9F%98%80|https://x/%F0%9F%98%80|4|3,4",
                                              jpAnsi + "|" + jpAnsi + "|4|3,4",
                                              "http://m/%F0%9F%98%80|T|4|3,4"}));
    EXPECT_EQ(Url("[InternetShortcut]\r\nURL=" + jp + "\r\n"), jpAnsi);
}

TEST_F(UrlDrop, LinkWithoutTitleTakesTheUrl) {
    data.Set(kMimeMozUrl, Utf16("http://a"));
    DropAll();
    EXPECT_EQ(seen.at(0), "http://a|http://a|4|3,4");
}

TEST_F(UrlDrop, ShortcutFilesGiveTheirUrlAndName) {
    TempDir dir;
    for (const char* name : {"My Site.url", "My Site.URL"}) {
        std::ofstream(dir.File(name), std::ios::binary)
            << "[InternetShortcut]\r\nURL=http://my/\r\n";
        data.formats.clear();
        const std::string uri = FileUri(dir.File(name));
        data.Set(kMimeUriList, uri + "\r\n").Set(kMimeText, dir.File(name));
        DropAll();
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"http://my/|My Site|4|3,4", "http://my/|My Site|4|3,4"}));
}

TEST_F(UrlDrop, DesktopLinksGiveTheirUrlAndName) {
    TempDir dir;
    std::ofstream(dir.File("named.desktop"), std::ios::binary)
        << "[Desktop Entry]\nType=Link\nName=Named Site\nURL=http://named/\n";
    std::ofstream(dir.File("Plain Site.desktop"), std::ios::binary)
        << "[Desktop Entry]\nType=Link\nURL=http://plain/\n";
    std::ofstream(dir.File("app.desktop"), std::ios::binary)
        << "[Desktop Entry]\nType=Application\nExec=x\nURL=http://app/\n";
    for (const char* name : {"named.desktop", "Plain Site.desktop", "app.desktop"}) {
        data.formats.clear();
        data.Set(kMimeUriList, FileUri(dir.File(name)));
        DropAll();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"http://named/|Named Site|4|3,4",
                                              "http://plain/|Plain Site|4|3,4"}));
}

TEST_F(UrlDrop, OtherFilesAndEmptyDataAreRefused) {
    TempDir dir;
    std::ofstream(dir.File("notes.txt")) << "[InternetShortcut]\r\nURL=http://no/\r\n";
    data.Set(kMimeUriList, "file://" + dir.File("notes.txt")).Set(kMimeText, dir.File("notes.txt"));
    EXPECT_EQ(DropAll(), DROPEFFECT_NONE);
    data.formats.clear();
    data.Set(kMimeText, "");
    EXPECT_EQ(DropAll(), DROPEFFECT_NONE);
    data.formats.clear();
    data.Set("image/png", "\x89PNG");
    EXPECT_EQ(DropAll(), -1);  // refused as soon as it enters
    EXPECT_EQ(drops, 0);
}

TEST_F(UrlDrop, BlankPayloadsAreRefused) {
    for (const std::string& text : {std::string(" \t\r\n "), std::string("\0http://x/", 10)}) {
        data.formats.clear();
        data.Set(kMimeText, text);
        EXPECT_EQ(DropAll(), DROPEFFECT_NONE);
    }
    data.formats.clear();
    data.Set(kMimeMozUrl, Utf16("  \nTitle")).Set(kMimeNetscapeUrl, "\nNews");
    EXPECT_EQ(DropAll(), DROPEFFECT_NONE);
    TempDir dir;
    std::ofstream(dir.File("blank.url"), std::ios::binary) << "[InternetShortcut]\r\nURL=  \r\n";
    data.formats.clear();
    data.Set(kMimeUriList, "file://" + dir.File("blank.url") + "\r\n");
    EXPECT_EQ(DropAll(), DROPEFFECT_NONE);
    EXPECT_EQ(drops, 0);
    EXPECT_EQ(target.URL, "");
    EXPECT_EQ(target.Title, "");
}

TEST_F(UrlDrop, TitleBelongsToTheFormatThatGaveTheUrl) {
    // The blank link's title must not name the plain text's URL.
    data.Set(kMimeMozUrl, Utf16("\nWrong")).Set(kMimeText, "http://p/");
    DropAll();
    data.formats.clear();
    data.Set(kMimeNetscapeUrl, "http://n/\n  ");  // a blank title is none
    DropAll();
    EXPECT_EQ(seen,
              (std::vector<std::string>{"http://p/|http://p/|4|3,4", "http://n/|http://n/|4|3,4"}));
}

TEST_F(UrlDrop, NulsEndTheDroppedText) {
    data.Set(kMimeText, std::string("http://t/\0\xc3(junk", 15));
    DropAll();
    data.formats.clear();
    data.Set(kMimeNetscapeUrl, std::string("http://n/\nNews\0junk", 19));
    DropAll();
    EXPECT_EQ(seen,
              (std::vector<std::string>{"http://t/|http://t/|4|3,4", "http://n/|News|4|3,4"}));
}

TEST_F(UrlDrop, FirstOfSeveralUrisAfterComments) {
    data.Set(kMimeUriList, "# from a list\r\n\r\n  http://one/  \r\nhttp://two/\r\n");
    DropAll();
    EXPECT_EQ(seen.at(0), "http://one/|http://one/|4|3,4");
}

TEST_F(UrlDrop, PercentEncodedShortcutPath) {
    TempDir dir;
    std::ofstream(dir.File("Caf\xc3\xa9 100%.url"), std::ios::binary)
        << "[InternetShortcut]\nURL=http://cafe/\n";
    data.Set(kMimeUriList, "file://" + dir.File("Caf%C3%A9%20100%25.url"));
    DropAll();
    EXPECT_EQ(seen.at(0), "http://cafe/|Caf\xe9 100%|4|3,4");
}

TEST_F(UrlDrop, RemoteUriListEntryIsALink) {
    data.Set(kMimeUriList, "http://r/x\r\n");
    DropAll();
    EXPECT_EQ(seen.at(0), "http://r/x|http://r/x|4|3,4");
}

TEST_F(UrlDrop, DropWithoutEnterDoesNothing) {
    EXPECT_EQ(target.Drop(0, {0, 0}, DROPEFFECT_LINK), DROPEFFECT_NONE);
    EXPECT_EQ(drops, 0);
}

TEST_F(UrlDrop, EnterDragOverAndLeaveEvents) {
    std::vector<std::string> events;
    target.OnEnter = [&](TObject*, TShiftState, TPoint, int& e) {
        events.push_back("enter " + std::to_string(e));
    };
    target.OnDragOver = [&](TObject*, TShiftState, TPoint, int&) { events.push_back("over"); };
    target.OnLeave = [&](TObject*) { events.push_back("leave"); };
    data.Set(kMimeText, "x");
    target.DragEnter(&data, 0, {1, 1}, DROPEFFECT_LINK);
    EXPECT_EQ(target.DragOver(0, {2, 2}, DROPEFFECT_LINK), DROPEFFECT_LINK);
    target.DragLeave();
    EXPECT_EQ(target.DragOver(0, {2, 2}, DROPEFFECT_LINK), DROPEFFECT_NONE);
    EXPECT_EQ(events, (std::vector<std::string>{"enter 4", "over", "leave"}));
}

TEST_F(UrlDrop, DataTakenAtEntrySeenWhileDragging) {
    std::vector<std::string> events;
    const auto see = [&](const char* what) {
        return [&, what](TObject*, TShiftState, TPoint, int&) {
            events.push_back(what + (" " + target.URL + "|" + target.Title));
        };
    };
    target.OnEnter = see("enter");
    target.OnDragOver = see("over");
    data.Set(kMimeMozUrl, Utf16("http://a\nSite A"));
    target.DragEnter(&data, 0, {1, 1}, DROPEFFECT_LINK);
    target.DragOver(0, {2, 2}, DROPEFFECT_LINK);
    target.DragLeave();
    target.GetDataOnEnter = false;
    target.DragEnter(&data, 0, {1, 1}, DROPEFFECT_LINK);
    EXPECT_EQ(events, (std::vector<std::string>{"enter http://a|Site A", "over http://a|Site A",
                                                "enter |"}));
}

// ---- Effects ----------------------------------------------------------------------------

TEST(DropEffect, ChosenFromKeysAllowedEffectsAndDragTypes) {
    TDropURLTarget t;  // dtLink only
    const int all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(t.GetDropEffect(0, {50, 50}, all), DROPEFFECT_LINK);
    EXPECT_EQ(t.GetDropEffect(ssShift | ssCtrl, {50, 50}, all), DROPEFFECT_LINK);
    EXPECT_EQ(t.GetDropEffect(ssShift, {50, 50}, all), DROPEFFECT_LINK);
    EXPECT_EQ(t.GetDropEffect(0, {50, 50}, DROPEFFECT_COPY), DROPEFFECT_NONE);

    t.Dragtypes = dtCopy | dtMove | dtLink;
    EXPECT_EQ(t.GetDropEffect(ssShift | ssCtrl, {50, 50}, all), DROPEFFECT_LINK);
    EXPECT_EQ(t.GetDropEffect(ssShift, {50, 50}, all), DROPEFFECT_MOVE);
    EXPECT_EQ(t.GetDropEffect(0, {50, 50}, all), DROPEFFECT_COPY);
    EXPECT_EQ(t.GetDropEffect(ssCtrl, {50, 50}, DROPEFFECT_MOVE | DROPEFFECT_LINK),
              DROPEFFECT_MOVE);

    t.OnGetDropEffect = [](TObject*, TShiftState, TPoint, int& e) { e &= DROPEFFECT_MOVE; };
    EXPECT_EQ(t.GetDropEffect(0, {50, 50}, all), DROPEFFECT_MOVE);
}

TEST(DropEffect, ReferencesFromOutsideNeverFreeTheTarget) {
    TDropURLTarget t;
    EXPECT_EQ(t.PreferredDropEffect(), 0u) << "no source here offers one";
    EXPECT_EQ(t.AddRef(), 2) << "the target holds one reference to itself";
    EXPECT_EQ(t.Release(), 1);
}

TEST(DropEffect, ScrollBitNearTheEdgesOfAScrollingTarget) {
    TDropURLTarget t;
    t.SetScrollSite(2, -12, {200, 100});
    EXPECT_EQ(t.GetDropEffect(0, {50, 5}, DROPEFFECT_LINK), DROPEFFECT_LINK | DROPEFFECT_SCROLL);
    EXPECT_EQ(t.GetDropEffect(0, {50, 95}, DROPEFFECT_LINK), DROPEFFECT_LINK | DROPEFFECT_SCROLL);
    EXPECT_EQ(t.GetDropEffect(0, {50, 50}, DROPEFFECT_LINK), DROPEFFECT_LINK);
    EXPECT_EQ(t.GetDropEffect(0, {2, 50}, DROPEFFECT_LINK), DROPEFFECT_LINK);  // no horizontal bar
    EXPECT_TRUE(t.ScrollTimerWanted(DROPEFFECT_LINK | DROPEFFECT_SCROLL));
    t.SetScrollSite(0, 12, {200, 100});
    EXPECT_EQ(t.GetDropEffect(0, {50, 5}, DROPEFFECT_LINK), DROPEFFECT_LINK);
    EXPECT_FALSE(t.ScrollTimerWanted(DROPEFFECT_LINK | DROPEFFECT_SCROLL));
}

}  // namespace
