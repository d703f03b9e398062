// The Favorites import: shortcut files, the breadth-first walk and its guards.
#include <cstdlib>
#include <filesystem>

#include "ImportReaders.h"
#include "TestExportSupport.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

class ImportFavorites : public ExportFixture {
protected:
    void Shortcut(const std::string& relative, const std::string& url) {
        fs::path file = dir.Path() / "Root" / relative;
        fs::create_directories(file.parent_path());
        WriteAll(file.string(), url.empty() ? "[InternetShortcut]\r\n"
                                            : "[InternetShortcut]\r\nURL=" + url + "\r\n");
    }
    ImportFavorites() { bank.Seams = &Seams(); }  // the fixture's
    std::string Root() const { return dir.File("Root") + "/"; }
    Strings Categories(int i) const {
        const TEntry& e = bank.Entry(i);
        return {e.Category1, e.Category2, e.Category3};
    }
    Strings URLs() const {
        Strings urls;
        for (int i = 0; i <= bank.EntryHigh; ++i) urls.push_back(bank.Entry(i).URL);
        return urls;
    }
    TBankState bank;
};

TEST_F(ImportFavorites, WalksBreadthFirstWithCategoriesFromFolders) {
    bank.AppendEntry(Named("Mine"));
    Shortcut("a.url", "http://a/");
    Shortcut("News/Sport/x.url", "http://x/");
    Shortcut("A/B/C/D/deep.URL", "http://deep/");
    Shortcut("RECYCLED/z.url", "http://z/");
    Shortcut("recycled/y.url", "http://y/");
    Shortcut("nourl.url", "");
    Shortcut("News/notes.txt", "http://t/");
    EXPECT_EQ(ImportFavoritesFolder(bank, Root()), 3);
    EXPECT_EQ(Names(bank), (Strings{"Mine", "a", "x", "deep"}));
    EXPECT_EQ(Categories(1), (Strings{"", "", ""}));
    EXPECT_EQ(Categories(2), (Strings{"News", "Sport", ""}));
    EXPECT_EQ(Categories(3), (Strings{"A", "B", "C"}));
    const TEntry& a = bank.Entry(1);
    EXPECT_EQ(a.URL, "http://a/");
    EXPECT_EQ(a.ChangeDate, NoDate);
    EXPECT_EQ(a.LastAccess, NoDate);
    EXPECT_TRUE(a.Favorite.empty() && a.Notes.empty());
    EXPECT_EQ(messages.Texts(), Strings{"Import complete (3 entries)"});
    EXPECT_TRUE(bank.BankModified);
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(ImportFavorites, UrlsKeepEveryCharacterInEveryEncoding) {
    Shortcut("ansi.url", "http://a/caf\xE9");
    Shortcut("utf8.url", "http://u/caf\xC3\xA9/\xE6\x97\xA5\xF0\x9F\x98\x80");
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[InternetShortcut]\r\nURL=http://w/")) utf16 += {c, '\0'};
    utf16 += std::string("\xE5\x65", 2);
    WriteAll(Root() + "utf16.url", utf16);
    EXPECT_EQ(ImportFavoritesFolder(bank, Root()), 3);
    EXPECT_EQ(URLs(), (Strings{"http://a/caf\xE9", "http://w/%E6%97%A5",
                               "http://u/caf\xE9/%E6%97%A5%F0%9F%98%80"}));
}

TEST_F(ImportFavorites, SameNamesAreRenamedInAFixedOrder) {
    Shortcut("b/dup.url", "http://2/");
    Shortcut("dup.url", "http://1/");
    Shortcut("a/dup.url", "http://3/");
    Shortcut(
        "\xC2\xBB"
        "Marked.url",
        "http://m/");
    EXPECT_EQ(ImportFavoritesFolder(bank, Root()), 4);
    EXPECT_EQ(Names(bank), (Strings{"dup", "Marked", "_dup", "__dup"}));
    EXPECT_EQ(bank.Entry(2).URL, "http://3/");
    EXPECT_EQ(messages.Shown.size(), 2u);
}

TEST_F(ImportFavorites, SymbolicLinksToFoldersAreNotFollowed) {
    Shortcut("News/x.url", "http://x/");
    Shortcut("a.url", "http://a/");
    fs::create_directory_symlink(dir.Path() / "Root", dir.Path() / "Root" / "News" / "loop");
    fs::create_directory_symlink(dir.Path() / "Root" / "News", dir.Path() / "Root" / "Again");
    fs::create_symlink(dir.Path() / "Root" / "a.url", dir.Path() / "Root" / "News" / "linked.url");
    fs::create_symlink(dir.Path() / "gone", dir.Path() / "Root" / "dangling.url");
    EXPECT_EQ(ImportFavoritesFolder(bank, Root()), 3);
    EXPECT_EQ(Names(bank), (Strings{"a", "linked", "x"}));
}

TEST_F(ImportFavorites, MissingRootImportsNothing) {
    EXPECT_EQ(ImportFavoritesFolder(bank, dir.File("nowhere") + "/"), 0);
    EXPECT_EQ(messages.Texts(), Strings{"Import complete (0 entries)"});
}

TEST_F(ImportFavorites, TheUrlIsTheFirstLineStartingWithIt) {
    auto shortcut = [&](const std::string& name, const std::string& bytes) {
        WriteAll(Root() + name, bytes);
    };
    fs::create_directories(dir.Path() / "Root");
    shortcut("a.url",
             "[DEFAULT]\r\nBASEURL=http://b/\r\n[InternetShortcut]\r\nURL=http://a/\r\n"
             "URL=http://second/\r\n");
    shortcut("b.url", "URL=http://lf/\nIconIndex=0\n");
    shortcut("c.url", "url=http://lower/\r\n URL=http://indented/\r\nURL=");
    // Something far larger than a shortcut is not read.
    shortcut("d.url", "URL=http://big/\r\n" + std::string(100000, 'x'));
    shortcut("e.url", "");
    EXPECT_EQ(ImportFavoritesFolder(bank, Root()), 2);
    EXPECT_EQ(Names(bank), (Strings{"a", "b"}));
    EXPECT_EQ(URLs(), (Strings{"http://a/", "http://lf/"}));
}

TEST_F(ImportFavorites, ProposedFolder) {
    const char* saved = std::getenv("HOME");
    std::string old = saved ? saved : "";
    setenv("HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(ProposedFavoritesFolder(), dir.File(""));
    fs::create_directory(dir.Path() / "Favorites");
    EXPECT_EQ(ProposedFavoritesFolder(), dir.File("Favorites") + "/");
    setenv("HOME", old.c_str(), 1);
}

}  // namespace
