// The folder-laid exports: the bookmark file and the HTML pages with their index.
#include <algorithm>
#include <filesystem>

#include "TestExportSupport.h"
#include "platform/FileUtils.h"

using Strings = std::vector<std::string>;

namespace {

const std::string Attrs = "\" ADD_DATE= \"\" LAST_VISIT= \"\" LAST_MODIFIED= \"\" >";
const std::string Meta = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">";

std::string Link(size_t indent, const std::string& url, const std::string& name) {
    return std::string(indent, ' ') + "<DT><A HREF=\"" + url + Attrs + name + "</A>";
}
Strings Head(size_t indent, const std::string& name) {
    return {std::string(indent, ' ') + "<DT><H3 FOLDED ADD_DATE= \"\">" + name + "</H3>",
            std::string(indent, ' ') + "<DL><p>"};
}
std::string Close(size_t indent) {
    return std::string(indent, ' ') + "</DL><p>";
}

Strings Join(std::initializer_list<Strings> parts) {
    Strings out;
    for (const Strings& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Strings BookmarkHead = {"<!DOCTYPE NETSCAPE-Bookmark-file-1>", Meta,
                              "<TITLE>Bookmarks</TITLE>", "<H1>Bookmarks</H1>", "<DL><p>"};

TCollectedEntry Item(const std::string& name, const std::string& c1 = "",
                     const std::string& c2 = "", const std::string& c3 = "") {
    return {c1, c2, c3, name, "http://" + name};
}

// Every list opened is closed, and never more.
bool Balanced(const Strings& lines) {
    int depth = 0;
    for (const std::string& l : lines) {
        if (l.find("</DL>") != std::string::npos) {
            if (--depth < 0) return false;
        } else if (l.find("<DL>") != std::string::npos) {
            ++depth;
        }
    }
    return depth == 0;
}

class ExportTree : public OwnBankExportFixture {
protected:
    Strings Files() const {
        Strings names;
        for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(f.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    Strings FileLines(const std::string& name) const { return SplitLines(ReadAll(dir.File(name))); }

    // The bookmark file of collected items, written through the export's steps; `links` is
    // the count the export reports.
    Strings BookmarkFileLines(std::vector<TCollectedEntry> items, int32_t& links) {
        saveAs = dir.File("Bookmark.htm");
        EXPECT_TRUE(BeginBookmarkExport(run));
        exporter.BookmarkCollection = std::move(items);
        WriteBookmarkEntries(run);
        links = exporter.ExportCount;
        return FileLines("Bookmark.htm");
    }

    void ExportPages(const std::vector<TEntry>& entries) {
        for (const TEntry& e : entries) Add(e);
        BeginHTMLExport(run);
        for (int i = 0; i <= bank.EntryHigh; ++i) CollectHTMLEntry(run, i);
        ExportHTML(run);
    }
};

TEST_F(ExportTree, BookmarkFileOfOneEntryThreeLevelsDeep) {
    TEntry e = Named("n", "A", "B", "C");
    e.URL = "u";
    Add(e);
    saveAs = dir.File("Bookmark.htm");
    ASSERT_TRUE(BeginBookmarkExport(run));
    CollectBookmarkEntry(run, 0);
    WriteBookmarkEntries(run);
    EXPECT_EQ(ReadAll(saveAs),
              CRLF(Join({BookmarkHead,
                         Head(4, "A"),
                         Head(8, "B"),
                         Head(12, "C"),
                         {Link(16, "u", "n"), Close(12), Close(8), Close(4), "</DL><p>"}})));
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (1 Entries)"});
    EXPECT_EQ(requests.at(0).FileName, "Bookmark.htm");
}

TEST_F(ExportTree, BookmarkOrderAndFolders) {
    int32_t links = 0;
    Strings lines = BookmarkFileLines(
        {Item("ESPN", "News", "Sport"), Item("Mail", "Home"), Item("BBC", "News"), Item("Loose")},
        links);
    EXPECT_EQ(links, 4);
    EXPECT_EQ(lines, Join({BookmarkHead,
                           {Link(0, "http://Loose", "Loose")},
                           Head(4, "Home"),
                           {Link(8, "http://Mail", "Mail"), Close(4)},
                           Head(4, "News"),
                           {Link(8, "http://BBC", "BBC")},
                           Head(8, "Sport"),
                           {Link(12, "http://ESPN", "ESPN"), Close(8), Close(4), "</DL><p>"}}));
}

TEST_F(ExportTree, BookmarkCategoriesNeverInterleave) {
    int32_t links = 0;
    Strings lines =
        BookmarkFileLines({Item("a", "News"), Item("b", "Newsletter"), Item("c", "News"),
                           Item("d", "news"), Item("e", "NEWSLETTER")},
                          links);
    auto heads = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("<H3") != std::string::npos;
    });
    EXPECT_EQ(heads, 2);  // letter case makes no second folder
    EXPECT_TRUE(Balanced(lines));
}

TEST_F(ExportTree, IrregularCategoriesKeepListsBalanced) {
    int32_t links = 0;
    Strings lines = BookmarkFileLines(
        {Item("1", "", "X"), Item("2", "", "Y"), Item("3", "A", "", "Z"), Item("4", "A", "B"),
         Item("5", "a", "b", "C"), Item("6", "A", "", "Q"), Item("7", "\x01 Ctl \t")},
        links);
    EXPECT_TRUE(Balanced(lines));
    EXPECT_EQ(links, 7);
    // A level below an empty one opens no folder.
    for (const char* never : {">X</H3>", ">Y</H3>", ">Z</H3>", ">Q</H3>"})
        EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find(never) != std::string::npos;
        })) << never;
    EXPECT_NE(std::find(lines.begin(), lines.end(), Head(4, "Ctl")[0]), lines.end());
}

TEST_F(ExportTree, MarkupInNamesAndUrlsIsEscaped) {
    int32_t links = 0;
    TCollectedEntry item = Item("<b>Tom & \"Jerry\"</b>", "R&D <x>");
    item.URL = "http://x/?a=\"1\"";
    Strings lines = BookmarkFileLines({item}, links);
    EXPECT_EQ(lines[5], Head(4, "R&amp;D &lt;x&gt;")[0]);
    EXPECT_EQ(lines[7], "        <DT><A HREF=\"http://x/?a=%221%22" + Attrs +
                            "&lt;b&gt;Tom &amp; &quot;Jerry&quot;&lt;/b&gt;</A>");
}

TEST_F(ExportTree, BookmarkFileIsUtf8WithTrimmedNamesAndEscapedUrls) {
    TEntry e = Named("  M\xFCnchen \x80\x97  ", "Caf\xE9");
    e.URL = "http://x/?a=1&lt;b&c=\"\xFC\"";
    Add(e);
    saveAs = dir.File("Bookmark.htm");
    ASSERT_TRUE(BeginBookmarkExport(run));
    CollectBookmarkEntry(run, 0);
    WriteBookmarkEntries(run);
    EXPECT_EQ(ReadAll(saveAs),
              "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
              "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n"
              "    <DT><H3 FOLDED ADD_DATE= \"\">Caf\xC3\xA9</H3>\r\n    <DL><p>\r\n"
              "        <DT><A HREF=\"http://x/?a=1&amp;lt;b&amp;c=%22\xC3\xBC%22\" ADD_DATE= \"\" "
              "LAST_VISIT= \"\" LAST_MODIFIED= \"\" >"
              "M\xC3\xBCnchen \xE2\x82\xAC\xE2\x80\x94</A>\r\n"
              "    </DL><p>\r\n</DL><p>\r\n");
}

TEST_F(ExportTree, HtmlPagesAreUtf8AndSayIt) {
    TEntry e = Named("\xC9t\xE9", "\x80uro & co");
    e.URL = "http://x/?a&b";
    saveAs = dir.File("first.htm");
    ExportPages({e, Named("z", "\xE9t\xE9")});
    Strings first = FileLines("first.htm");
    EXPECT_EQ(first[0], Meta);
    EXPECT_EQ(first[1], "<TITLE>\xE2\x82\xACuro &amp; co</TITLE>");
    EXPECT_EQ(first[7], Link(8, "http://x/?a&amp;b", "\xC3\x89t\xC3\xA9"));
    Strings index = FileLines("Index.htm");
    EXPECT_EQ(index[0], Meta);
    // In the index, in the order of the code page's bytes: "\x80" before "\xE9".
    EXPECT_EQ(Strings(index.begin() + 6, index.end() - 1),
              (Strings{"<DT><A HREF=\"first.htm\">\xE2\x82\xACuro &amp; co</A>",
                       "<DT><A HREF=\"_t_.htm\">\xC3\xA9t\xC3\xA9</A>"}));
    EXPECT_EQ(FileLines("_t_.htm")[0], Meta);
}

TEST_F(ExportTree, LongNamesKeepTheirColumnsApart) {
    int32_t links = 0;
    std::string name(70, 'n');
    Strings lines = BookmarkFileLines({{"C", "", "", name, "http://u"}}, links);
    EXPECT_EQ(lines[7], "        <DT><A HREF=\"http://u" + Attrs + name + "</A>");
}

TEST_F(ExportTree, HtmlPagesWithNameCollisions) {
    saveAs = dir.File("News.htm");
    ExportPages({Named("n1", "News"), Named("w2", "Work/Stuff"), Named("w1", "Work Stuff")});
    EXPECT_EQ(Files(), (Strings{"Index.htm", "News.htm", "Work_Stuff.htm", "Work_Stuff_.htm"}));
    Strings index = FileLines("Index.htm");
    ASSERT_EQ(index.size(), 10u);
    EXPECT_EQ(index[0], Meta);
    EXPECT_EQ(index[1], "<TITLE>Index</TITLE>");
    EXPECT_EQ(Strings(index.begin() + 4, index.end()),
              (Strings{"<H1>Index</H1>", "<DL><p>", "<DT><A HREF=\"News.htm\">News</A>",
                       "<DT><A HREF=\"Work_Stuff.htm\">Work Stuff</A>",
                       "<DT><A HREF=\"Work_Stuff_.htm\">Work/Stuff</A>", "</DL><p>"}));
    Strings news = FileLines("News.htm");
    ASSERT_EQ(news.size(), 10u);
    EXPECT_EQ(news[0], Meta);
    EXPECT_EQ(news[1], "<TITLE>News</TITLE>");
    EXPECT_EQ(
        Strings(news.begin() + 4, news.end()),
        Join({{"<DL><p>"}, Head(4, "News"), {Link(8, "http://n1", "n1"), Close(4), "</DL><p>"}}));
    for (const Strings& page : {index, news, FileLines("Work_Stuff_.htm")})
        for (int i : {2, 3}) {
            EXPECT_EQ(page[size_t(i)].rfind("<!--", 0), 0u);
            EXPECT_EQ(page[size_t(i)].find("-->"), page[size_t(i)].size() - 3);
        }
    EXPECT_EQ(FileLines("Work_Stuff_.htm")[1], "<TITLE>Work/Stuff</TITLE>");
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (3 Entries)\rin 3 files."});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].FileName, "News.htm");
    EXPECT_EQ(requests[0].InitialDir, "");  // the dialog keeps its folder
}

TEST_F(ExportTree, HtmlBlankPageAndFirstPageNamedByTheUser) {
    saveAs = dir.File("mine.html");
    ExportPages({Named("loose"), Named("n", "News")});
    EXPECT_EQ(requests.at(0).FileName, "Blank.htm");
    EXPECT_EQ(Files(), (Strings{"Index.htm", "News.htm", "mine.html"}));
    Strings blank = FileLines("mine.html");
    EXPECT_EQ(blank[1], "<TITLE></TITLE>");
    EXPECT_EQ(Strings(blank.begin() + 4, blank.end()),
              (Strings{"<DL><p>", Link(0, "http://loose", "loose"), "</DL><p>"}));
    Strings index = FileLines("Index.htm");
    EXPECT_NE(std::find(index.begin(), index.end(), "<DT><A HREF=\"mine.html\">No Catgories</A>"),
              index.end());
}

TEST_F(ExportTree, HtmlPagesNeverReplaceFilesOrTheIndex) {
    WriteAll(dir.File("Work_Stuff.htm"), "keep");
    saveAs = dir.File("Index.htm");
    ExportPages({Named("i", "index"), Named("w", "Work Stuff"), Named("a", "<A>")});
    EXPECT_EQ(ReadAll(dir.File("Work_Stuff.htm")), "keep");
    // "<A>" chose the first page's file, which would be the index: it moves aside.
    EXPECT_EQ(Files(), (Strings{"Index.htm", "Index_.htm", "Work_Stuff.htm", "Work_Stuff_.htm",
                                "index__.htm"}));
    Strings index = FileLines("Index.htm");
    EXPECT_EQ(Strings(index.begin() + 6, index.end() - 1),
              (Strings{"<DT><A HREF=\"Index_.htm\">&lt;A&gt;</A>",
                       "<DT><A HREF=\"index__.htm\">index</A>",
                       "<DT><A HREF=\"Work_Stuff_.htm\">Work Stuff</A>"}));
}

TEST_F(ExportTree, ManyCategoriesWithOneNameStayShort) {
    std::vector<TEntry> entries;
    for (char c : std::string("!#$%&'()*+,.:;=?@[]^{}~"))
        entries.push_back(Named(std::string("e") + c, std::string("a") + c));
    saveAs = dir.File("a_.htm");
    ExportPages(entries);
    Strings files = Files();
    EXPECT_EQ(files.size(), entries.size() + 1);
    for (const std::string& f : files) EXPECT_LE(f.size(), 14u) << f;
    EXPECT_EQ(messages.LastText(), "Export Complete (23 Entries)\rin 23 files.");
}

TEST_F(ExportTree, HtmlWithNothingCollectedOrCancelled) {
    BeginHTMLExport(run);
    ExportHTML(run);
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (0 Entries)\rin 0 files."});
    messages.Shown.clear();
    ExportPages({Named("n", "News")});  // saveAs empty: the dialog is cancelled
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_TRUE(Files().empty());
    EXPECT_TRUE(exporter.HTMLCollection.empty());
}

TEST(ExportTreeNames, PageNames) {
    EXPECT_EQ(HTMLPageName("Work Stuff"), "Work_Stuff");
    EXPECT_EQ(HTMLPageName("a - b_c 9"), "a_-_b_c_9");
    EXPECT_EQ(HTMLPageName("  x//y  "), "_x_y_");
    EXPECT_EQ(HTMLPageName(""), "Blank");
    EXPECT_EQ(HTMLPageName("\xE9t\xE9"), "_t_");
    EXPECT_EQ(HTMLPageName(std::string(300, 'k')).size(), 100u);
}

}  // namespace
