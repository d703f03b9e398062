// The bookmark-file reader: our own layout, browsers' layouts, markup quirks and decoding.
#include <algorithm>
#include <random>

#include "ImportReaders.h"
#include "TestExportSupport.h"
#include "platform/Codec.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

using Strings = std::vector<std::string>;

namespace {

// Each link as "folder/folder: name -> url".
Strings Describe(const std::vector<TBookmarkLink>& links) {
    Strings out;
    for (const TBookmarkLink& l : links) {
        std::string path = l.Category1;
        if (!l.Category2.empty()) path += "/" + l.Category2;
        if (!l.Category3.empty()) path += "/" + l.Category3;
        out.push_back(path + ": " + l.Name + " -> " + l.URL);
    }
    return out;
}

Strings Parse(const std::string& bytes) {
    return Describe(ParseBookmarkFile(bytes));
}

std::string DataFile(const std::string& name) {
    return std::string(LORVANE_TEST_DATA) + "/app/bookmarks/" + name;
}

std::string Received(const std::string& name) {
    return ReadFileBytes(DataFile(name));
}

class ImportBookmarks : public ExportFixture {};

TEST_F(ImportBookmarks, OwnFileRoundTripsNamesAndCategories) {
    TEntry deep = Named("deep", "A", "B", "C");
    deep.URL = "http://x/?q=1&r=\"2\"";
    std::vector<TEntry> entries = {Named("Loose"),
                                   Named("BBC", "News"),
                                   Named("ESPN", "News", "Sport"),
                                   deep,
                                   Named("<b>Tom & \"Jerry\"</b>", "R&D <x>"),
                                   Named(std::string(60, 'L'), "Long")};
    for (const TEntry& e : entries) Add(e);
    saveAs = dir.File("own.htm");
    ASSERT_TRUE(BeginBookmarkExport(run));
    for (int i = 0; i <= Bank().EntryHigh; ++i) CollectBookmarkEntry(run, i);
    WriteBookmarkEntries(run);
    ResetBank();
    EXPECT_EQ(ImportBookmarkFile(Bank(), saveAs), 6);
    for (const TEntry& e : entries) {
        int found = -1;
        for (int i = 0; i <= Bank().EntryHigh; ++i)
            if (Bank().Entry(i).Name == e.Name) found = i;
        ASSERT_GE(found, 0) << e.Name;
        const TEntry& back = Bank().Entry(found);
        EXPECT_EQ(back.URL, StringReplaceAll(e.URL, "\"", "%22"));
        EXPECT_EQ((Strings{back.Category1, back.Category2, back.Category3}),
                  (Strings{e.Category1, e.Category2, e.Category3}));
        EXPECT_EQ(back.ChangeDate, NoDate);
    }
}

TEST_F(ImportBookmarks, EveryCodePageLetterAndReferenceRoundTrips) {
    // Every byte but the controls, in names, folders and URLs; URLs holding references.
    std::string all;
    for (int b = 0x21; b < 0x100; ++b)
        if (b != 0x7F) all += char(b);
    std::vector<TEntry> entries;
    for (size_t at = 0, n = 0; at < all.size(); at += 40, ++n) {
        const std::string piece = all.substr(at, 40);
        TEntry e = Named(std::to_string(n) + " " + piece, piece.substr(0, 20), piece.substr(20));
        e.URL = "http://x/" + piece;
        entries.push_back(e);
    }
    for (const char* url :
         {"http://x/?a=1&lt;2", "http://x/?a=1&amp;b=2", "http://x/&#233;&", "http://x/\"q\"&"})
        entries.push_back(Named(std::string("ref ") + url));
    for (size_t i = entries.size() - 4; i < entries.size(); ++i)
        entries[i].URL = entries[i].Name.substr(4);
    for (const TEntry& e : entries) Add(e);
    saveAs = dir.File("all.htm");
    ASSERT_TRUE(BeginBookmarkExport(run));
    for (int i = 0; i <= Bank().EntryHigh; ++i) CollectBookmarkEntry(run, i);
    WriteBookmarkEntries(run);
    EXPECT_TRUE(IsValidUtf8(ReadAll(saveAs)));
    ResetBank();
    ASSERT_EQ(ImportBookmarkFile(Bank(), saveAs), int(entries.size()));
    for (const TEntry& e : entries) {
        int found = -1;
        for (int i = 0; i <= Bank().EntryHigh; ++i)
            if (Bank().Entry(i).Name == e.Name) found = i;
        ASSERT_GE(found, 0) << e.Name;
        const TEntry& back = Bank().Entry(found);
        // A double quote leaves as "%22", the form every browser sends.
        EXPECT_EQ(back.URL, StringReplaceAll(e.URL, "\"", "%22")) << e.Name;
        EXPECT_EQ((Strings{back.Category1, back.Category2}), (Strings{e.Category1, e.Category2}));
    }
}

TEST_F(ImportBookmarks, UrlsOutsideTheCodePageKeepTheirAddress) {
    const std::string file =
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n<DL><p>\n"
        "<DT><A HREF=\"https://example.jp/\xE6\x97\xA5\xE6\x9C\xAC\">\xE6\x97\xA5\xE6\x9C\xAC</A>\n"
        "<DT><A HREF=\"https://x/&#x1F600;?q=M\xC3\xBCnchen&#8364;\">Smile</A>\n</DL>\n";
    EXPECT_EQ(Parse(file), (Strings{": ?? -> https://example.jp/%E6%97%A5%E6%9C%AC",
                                    ": Smile -> https://x/%F0%9F%98%80?q=M\xFCnchen\x80"}));
    // References in a file without a declaration are decoded the same way.
    EXPECT_EQ(Parse("<DL><DT><A HREF=\"/&#26085;\xE9\">n</A></DL>"),
              Strings{": n -> /%E6%97%A5\xE9"});
}

TEST_F(ImportBookmarks, WriterLayoutByHand) {
    // A link indented by eight blanks belongs to the open level-1 folder.
    std::string file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n"
        "<DL><p>\r\n"
        "<DT><A HREF=\"http://loose/\" ADD_DATE= \"\" LAST_VISIT= \"\" LAST_MODIFIED= \"\" >Loose  "
        " </A>\r\n"
        "    <DT><H3 FOLDED ADD_DATE= \"\">News</H3>\r\n"
        "    <DL><p>\r\n"
        "        <DT><A HREF=\"http://bbc/\" ADD_DATE= \"\" LAST_VISIT= \"\" LAST_MODIFIED= \"\" "
        ">BBC     </A>\r\n"
        "        <DT><H3 FOLDED ADD_DATE= \"\">Sport</H3>\r\n"
        "        <DL><p>\r\n"
        "            <DT><A HREF=\"http://espn/\" ADD_DATE= \"\" LAST_VISIT= \"\" LAST_MODIFIED= "
        "\"\" >ESPN</A>\r\n"
        "        </DL><p>\r\n"
        "        <DT><A HREF=\"http://after/\">After</A>\r\n"
        "    </DL><p>\r\n"
        "</DL><p>\r\n";
    EXPECT_EQ(Parse(file),
              (Strings{": Loose -> http://loose/", "News: BBC -> http://bbc/",
                       "News/Sport: ESPN -> http://espn/", "News: After -> http://after/"}));
}

TEST_F(ImportBookmarks, ModernBrowserLayout) {
    std::string file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
        "<!-- This is an automatically generated file.\n     It will be read and overwritten.\n"
        "     DO NOT EDIT! -->\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'self'\">\n"
        "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n\n<DL><p>\n"
        "    <DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000001\" "
        "PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks Toolbar</H3>\n"
        "    <DL><p>\n"
        "        <DT><A HREF=\"https://example.org/caf%C3%A9\" ADD_DATE=\"1\" LAST_MODIFIED=\"2\" "
        "ICON_URI=\"https://example.org/x.ico\" ICON=\"data:image/png;base64,iVBOR=>\" "
        "TAGS=\"a,b\">Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD &amp; co</A>\n"
        "        <DT><A HREF=\"https://no-modified.example/\" ADD_DATE=\"3\">Plain</A>\n"
        "        <DT><H3 ADD_DATE=\"4\">Sub &lt;1&gt;</H3>\n"
        "        <DL><p>\n"
        "            <DT><H3>Sub2</H3>\n"
        "            <DL><p>\n"
        "                <DT><H3>Sub3</H3>\n"
        "                <DL><p>\n"
        "                    <DT><A HREF=\"https://deep/\">Deep</A>\n"
        "                </DL><p>\n"
        "            </DL><p>\n"
        "        </DL><p>\n"
        "    </DL><p>\n"
        "    <HR>\n"
        "    <DT><A HREF=\"https://top/?a=1&amp;b=2\">&#84;op &#x2014; &#39;s&#39;</A>\n"
        "</DL>\n";
    EXPECT_EQ(Parse(file),
              (Strings{"Bookmarks Toolbar: Caf\xE9 \x80 ? & co -> https://example.org/caf%C3%A9",
                       "Bookmarks Toolbar: Plain -> https://no-modified.example/",
                       "Bookmarks Toolbar/Sub <1>/Sub2: Deep -> https://deep/",
                       ": Top \x97 's' -> https://top/?a=1&b=2"}));
}

TEST_F(ImportBookmarks, MarkupQuirks) {
    // Lower-case tags, tabs, comments over lines, descriptions with markup, links in comments.
    EXPECT_EQ(Parse("<dl><p>\n\t<dt><h3>F</h3>\n\t<dd>about <a href=\"http://no/\">no</a>\n"
                    "more text\n\t<dl><p>\n\t\t<dt><a href='http://yes/'>Yes</a>\n"
                    "<!-- <DT><A HREF=\"http://hidden/\">Hidden</A>\n -->\n"
                    "\t\t<DT><A HREF=http://bare/ ADD_DATE=1>Bare</A>\n\t</dl>\n</dl>"),
              (Strings{"F: Yes -> http://yes/", "F: Bare -> http://bare/"}));
    // Empty names become "_", empty URLs and anchors without HREF are skipped.
    EXPECT_EQ(Parse("<DL><DT><A HREF=\"http://x/\">  </A><DT><A HREF=\"\">E</A>"
                    "<DT><A NAME=\"n\">N</A></DL>"),
              Strings{": _ -> http://x/"});
    // An unclosed quote or anchor cannot swallow what follows.
    EXPECT_EQ(Parse("<DL><DT><A HREF=\"http://1/\" TITLE=\"oops>One\n<DT><H3>G</H3><DL>"
                    "<DT><A HREF=\"http://2/\">Two</A></DL></DL>"),
              (Strings{": One -> http://1/", "G: Two -> http://2/"}));
    // An unclosed value ends with its line; no URL holds a line break.
    EXPECT_EQ(
        Parse("<DL><p>\r\n    <DT><A HREF=\"unterminated\r\n        <DT><A HREF=>Empty href</A>"
              "</DL>"),
        Strings{": _ -> unterminated"});
    // Names keep their inner blanks; controls become blanks; "a < b" is text.
    EXPECT_EQ(Parse("<DL><DT><A HREF=\"u\">a  <b>b</b>\tc < d</A></DL>"),
              Strings{": a  b c < d -> u"});
    // Unbalanced closes and folders deeper than three levels.
    EXPECT_EQ(Parse("</DL></DL><DL><DT><H3>1</H3><DL><DT><H3>2</H3><DL><DT><H3>3</H3><DL>"
                    "<DT><H3>4</H3><DL><DT><A HREF=\"u\">n</A></DL></DL></DL></DL></DL></DL>"
                    "<DT><A HREF=\"v\">m</A>"),
              (Strings{"1/2/3: n -> u", ": m -> v"}));
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("<").empty());
    EXPECT_TRUE(Parse("<!-- never closed <DT><A HREF=\"u\">x</A>").empty());
    EXPECT_TRUE(Parse(std::string("<DL><DT><A HREF=\"u\x00\">\x00</A>", 26)).size() == 1);
}

// A file whose lists nest hundreds deep, opened in every way a list opens (under a heading,
// without one, under an empty heading, after a heading that a link dropped, from inside a
// description), and closed down to none and beyond, again and again.
std::string DeepListsFile() {
    std::mt19937 rng(2024);
    std::string text;
    for (int i = 0; i < 3400; ++i) {
        const std::string n = std::to_string(i);
        const std::string link = "<DT><A HREF=\"http://x/" + n + "\">L" + n + "</A>\n";
        const unsigned pick = unsigned(rng() % 100);
        // Four waves: about 200 lists deep over 500 items, then closed down to none.
        if (i % 850 >= 500) {
            if (pick < 10)
                text += "<DT><H3>F" + n + "</H3>\n<DL><p>\n";
            else if (pick < 30)
                text += link;
            else
                text += "</DL><p>\n";
        } else if (pick < 30) {
            text += "<DT><H3>F" + n + "</H3>\n<DL><p>\n";
        } else if (pick < 38) {
            text += "<DL><p>\n";
        } else if (pick < 42) {
            text += "<DT><H3> </H3>\n<DL><p>\n";
        } else if (pick < 46) {
            text += "<DT><H3>Dropped" + n + "</H3>\n" + link;
        } else if (pick < 50) {
            text += "<DD>about " + n + " <DL><p>\n";
        } else if (pick < 52) {
            text += "<HR>\n";
        } else if (pick < 92) {
            text += link;
        } else {
            text += "</DL><p>\n";
        }
    }
    return text;
}

// The first three named lists around a link are its categories, however deep it lies: the
// links of the crafted file get the categories the reader has always given them.
TEST_F(ImportBookmarks, DeepListsKeepTheirCategories) {
    EXPECT_EQ(Parse(DeepListsFile()), SplitLines(Received("deep_lists_categories.txt")));
}

TEST_F(ImportBookmarks, QuotedValuesRunOverLinesUpToTheNextItem) {
    EXPECT_EQ(Parse("<DL><p>\n<DT><A HREF=\"http://a.example/\" DESCRIPTION=\"first line\n"
                    "second line\" ADD_DATE=\"1\">Alpha</A>\n"
                    "<DT><A HREF=\"http://b.example/\">Beta</A>\n</DL>\n"),
              (Strings{": Alpha -> http://a.example/", ": Beta -> http://b.example/"}));
    // A value with no closing quote before the next item ends at its own line.
    EXPECT_EQ(Parse("<DL><p>\n<DT><A HREF=\"http://a/\" DESCRIPTION=\"open\nstill text\n"
                    "  <dt><A HREF=\"http://b/\" TITLE=\"x\">Beta</A>\n</DL>\n"),
              (Strings{": still text -> http://a/", ": Beta -> http://b/"}));
    EXPECT_EQ(Describe(ParseBookmarkFile(Received("shared_links_multiline.htm"))),
              (Strings{": Sourdough & starter -> https://bakery.example/recipes/sourdough",
                       ": Latency talk -> https://talks.example/2021/latency",
                       ": Ridge trail -> https://maps.example/trails?id=4471&lang=en",
                       ": On caching -> https://essays.example/on-caching"}));
    // Lines that end with a carriage return alone end an unclosed value alike.
    EXPECT_EQ(Describe(ParseBookmarkFile(Received("classic_cr_unclosed.htm"))),
              (Strings{"Reading: First paper -> http://papers.example/one",
                       "Reading: Second paper -> http://papers.example/two",
                       ": Morning news -> http://news.example/"}));
}

TEST_F(ImportBookmarks, EncodingFollowsTheMetaLine) {
    // Without a declaration the bytes are Windows-1252.
    EXPECT_EQ(Parse("<DL><DT><A HREF=\"u\">Caf\xE9</A></DL>"), Strings{": Caf\xE9 -> u"});
    EXPECT_EQ(Parse("<META CONTENT=\"text/html; charset=windows-1252\"><DL><DT><A HREF=\"u\">"
                    "\xC3\xA9</A></DL>"),
              Strings{": \xC3\xA9 -> u"});
    // A declaration after the first list is a description's business, not the file's.
    EXPECT_EQ(Parse("<DL><DT><A HREF=\"u\">\xC3\xA9</A><DD><meta charset=utf-8></DL>"),
              Strings{": \xC3\xA9 -> u"});
    EXPECT_EQ(Parse("\xEF\xBB\xBF<DL><DT><A HREF=\"u\">\xC3\xA9</A></DL>"), Strings{": \xE9 -> u"});
    EXPECT_EQ(Parse("<meta charset='UTF-8'><DL><DT><A HREF=\"u\">\xC3\xA9\xFF</A></DL>"),
              Strings{": \xE9? -> u"});
}

TEST(ImportEntities, Decoding) {
    auto name = [](const std::string& text) {
        const Strings links = Parse("<DL><DT><A HREF=\"u\">" + text + "</A></DL>");
        return links.size() == 1 ? links[0].substr(2, links[0].size() - 7) : std::string("?!");
    };
    EXPECT_EQ(name("&lt;b&gt; &amp; &quot;x&quot; &#39;&apos;&nbsp;"), "<b> & \"x\" ''\xA0");
    EXPECT_EQ(name("&#233;&#xE9;&#X20AC;&#8364;&#x4E2D;"), "\xE9\xE9\x80\x80?");
    for (const char* kept :
         {"&", "a & b", "&amp", "&unknown;", "&#;", "&#x;", "&#12a;", "&#99999999999;", "&;"})
        EXPECT_EQ(name(kept), kept) << kept;
    EXPECT_EQ(name("&#0;&#x110000;"), "??");
}

TEST_F(ImportBookmarks, FilesWrittenByOtherPrograms) {
    EXPECT_EQ(
        Describe(ParseBookmarkFile(Received("netscape_basic.htm"))),
        (Strings{": Secret stuff -> https://private.tld", ": Public stuff -> http://public.tld"}));
    EXPECT_EQ(Describe(ParseBookmarkFile(Received("netscape_extended.htm"))),
              (Strings{": The hunt for the fish pirates who exploit the sea - BBC Future -> "
                       "https://www.bbc.com/future/article/"
                       "20190213-the-dramatic-hunt-for-the-fish-pirates-exploiting-our-seas"}));
    EXPECT_EQ(Describe(ParseBookmarkFile(Received("netscape_multiline.htm"))),
              (Strings{": Multiline desc -> http://multi.li.ne/1",
                       ": Multiline desc -> http://multi.li.ne/2",
                       ": Multiline desc -> http://multi.li.ne/3"}));
    EXPECT_EQ(Describe(ParseBookmarkFile(Received("netscape_nested.htm"))),
              (Strings{": Nested 1 -> http://nest.ed/1",
                       "Folder1, the first,folder to encounter: Nested 1-1 -> http://nest.ed/1-1",
                       "Folder1, the first,folder to encounter: Nested 1-2 -> http://nest.ed/1-2",
                       "Folder2: Nested 2-1 -> http://nest.ed/2-1",
                       "Folder2: Nested 2-2 -> http://nest.ed/2-2",
                       "Folder3/Folder3-1: Nested 3-1 -> http://nest.ed/3-1",
                       "Folder3/Folder3-1: Nested 3-2 -> http://nest.ed/3-2",
                       ": Nested 2 -> http://nest.ed/2"}));
    EXPECT_EQ(Describe(ParseBookmarkFile(Received("safari_folded.htm"))),
              (Strings{"Favoris: GitHub -> https://github.com/",
                       "GitHub - Go: golang/go: The Go programming language -> "
                       "https://github.com/golang/go",
                       "Misc/Wiki: Wikipedia, the free encyclopedia -> "
                       "https://en.wikipedia.org/wiki/Main_Page"}));
    EXPECT_EQ(
        Describe(ParseBookmarkFile(Received("firefox_places_test.html"))),
        (Strings{
            ": Get Bookmark Add-ons -> https://en-US.add-ons.mozilla.com/en-US/firefox/bookmarks/",
            "Mozilla Firefox: Help and Tutorials -> "
            "http://en-US.www.mozilla.com/en-US/firefox/help/",
            "Mozilla Firefox: Customize Firefox -> "
            "http://en-US.www.mozilla.com/en-US/firefox/customize/",
            "Mozilla Firefox: Get Involved -> "
            "http://en-US.www.mozilla.com/en-US/firefox/community/",
            "Mozilla Firefox: About Us -> http://en-US.www.mozilla.com/en-US/firefox/about/",
            "test: test post keyword -> http://test/post",
            "Bookmarks Toolbar Folder: Getting Started -> "
            "http://en-US.www.mozilla.com/en-US/firefox/central/",
            "Bookmarks Toolbar Folder: Latest Headlines -> "
            "http://en-US.fxfeeds.mozilla.com/en-US/firefox/livebookmarks/"}));
}

TEST_F(ImportBookmarks, ImportRenamesAndReports) {
    Add(Named("Multiline desc"));
    std::string path = DataFile("netscape_multiline.htm");
    EXPECT_EQ(ImportBookmarkFile(Bank(), path), 3);
    EXPECT_EQ(Names(), (Strings{"Multiline desc", "_Multiline desc", "__Multiline desc",
                                "___Multiline desc"}));
    EXPECT_EQ(messages.Texts(),
              (Strings{"Duplicate names in import data have been modified.\rLook for names "
                       "beginning with \"_\".",
                       "Import complete (3 entries)"}));
    EXPECT_THROW(ImportBookmarkFile(Bank(), dir.File("none.htm")), EFOpenError);
}

TEST_F(ImportBookmarks, NamelessLinksAreNamedWithUnderscores) {
    Add(Named("__"));
    std::string path = dir.File("nameless.htm");
    WriteAll(path, "<DL><p>\n" + std::string("<DT><A HREF=\"http://x/\"></A>\n") +
                       "<DT><A HREF=\"http://y/\"> </A>\n<DT><A HREF=\"http://z/\"></A>\n</DL>");
    EXPECT_EQ(ImportBookmarkFile(Bank(), path), 3);
    EXPECT_EQ(Names(), (Strings{"__", "_", "___", "____"}));
}

}  // namespace
