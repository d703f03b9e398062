// The export writers that lay entries out as folders: the bookmark file and the HTML pages.
#include "ExportWriters.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <unordered_map>

#include "BankModel.h"
#include "ExportSeams.h"
#include "platform/Codec.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

constexpr size_t ColumnWidth = 50;
// Page names stay well inside the file system's 255-byte limit.
constexpr size_t MaxPageName = 100;

std::string PadColumn(std::string_view s) {
    std::string out(s);
    if (out.size() < ColumnWidth) out.append(ColumnWidth - out.size(), ' ');
    return out;
}

// The bookmark file and the pages are UTF-8 and say so, so that other programs read every
// letter; this line follows the bookmark file's DOCTYPE and starts every page.
const char* const MetaCharsetLine =
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">";

// Windows-1252 text appended as UTF-8.
void AppendUtf8(std::string& out, std::string_view text) {
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        out.append(text);
    else
        out.append(AnsiToUtf8(text));
}

// Page text in UTF-8: "&", "<" and ">" as entities.
std::string HtmlUtf8(std::string_view text) {
    std::string out;
    AppendUtf8(out, HtmlEscape(text));
    return out;
}

using TCats = std::array<std::string, 3>;

TCats TrimmedCategories(const TCollectedEntry& item) {
    return {Trim(item.Category1), Trim(item.Category2), Trim(item.Category3)};
}

// The folder walk both writers share. Folders open level by level below a non-empty parent;
// the walk closes exactly the folders it opened, so the lists stay balanced whatever the
// categories hold. Category texts compare ignoring ASCII case, as the sort does.
// Lines go out one by one as they are made (into a file, or a list for tests).
using TLineOut = std::function<void(std::string_view line)>;

class TFolderWalk {
public:
    explicit TFolderWalk(TLineOut out) : out_(std::move(out)) {}

    bool StartsNewCategory1(const TCats& c) const {
        return !started_ || !SameText(c[0], current_[0]);
    }

    // Closes and opens folders for the next link's categories.
    void Enter(const TCats& c) {
        int from;
        if (StartsNewCategory1(c)) {
            from = 0;
        } else if (!SameText(c[1], current_[1])) {
            from = 1;
        } else if (!SameText(c[2], current_[2])) {
            from = 2;
        } else {
            return;
        }
        CloseDownTo(from);
        started_ = true;
        for (int level = from; level < 3; ++level) current_[size_t(level)] = c[size_t(level)];
        while (depth_ == from && from < 3 && !current_[size_t(from)].empty()) {
            Head(current_[size_t(from)]);
            ++from;
        }
    }

    void Link(const TCollectedEntry& item) {
        std::string line = Indent(depth_ == 0 ? 0 : 4 * depth_ + 4);
        line += "<DT><A HREF=\"";
        AppendUtf8(line, HrefText(item.URL));
        line += "\" ADD_DATE= \"\" LAST_VISIT= \"\" LAST_MODIFIED= \"\" >";
        AppendUtf8(line, HtmlEscape(Trim(item.Name)));
        line += "</A>";
        out_(line);
    }

    void CloseAll() { CloseDownTo(0); }

    // A new page starts with nothing open.
    void Reset() {
        current_ = TCats();
        depth_ = 0;
        started_ = false;
    }

private:
    static std::string Indent(int n) { return std::string(size_t(n), ' '); }

    void Head(const std::string& text) {
        ++depth_;
        out_(Indent(4 * depth_) + "<DT><H3 FOLDED ADD_DATE= \"\">" + HtmlUtf8(text) + "</H3>");
        out_(Indent(4 * depth_) + "<DL><p>");
    }

    // Closes the open folders deeper than `level` open ones.
    void CloseDownTo(int level) {
        for (; depth_ > level; --depth_) out_(Indent(4 * depth_) + "</DL><p>");
    }

    TLineOut out_;
    TCats current_;
    int depth_ = 0;
    bool started_ = false;
};

// The index lines in the order of their Windows-1252 text, then as UTF-8.
void SortIndexLines(std::vector<std::string>& lines) {
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return CompareText(a, b) < 0;
    });
    for (std::string& line : lines) {
        std::string utf8;
        AppendUtf8(utf8, line);
        line = std::move(utf8);
    }
}

std::vector<std::string> BookmarkHeadLines() {
    return {"<!DOCTYPE NETSCAPE-Bookmark-file-1>", MetaCharsetLine, "<TITLE>Bookmarks</TITLE>",
            "<H1>Bookmarks</H1>", "<DL><p>"};
}

// Writes the folders and links of a bookmark file after its head, with the closing line;
// returns the number of links.
int32_t WriteBookmarkBody(std::vector<TCollectedEntry> items, const TLineOut& out) {
    SortCollection(items);
    TFolderWalk walk(out);
    for (const TCollectedEntry& item : items) {
        walk.Enter(TrimmedCategories(item));
        walk.Link(item);
    }
    walk.CloseAll();
    out("</DL><p>");
    return int32_t(items.size());
}

void ReportHTMLComplete(int32_t links, int pages) {
    MessageDlg(
        "Export Complete (" + IntToStr(links) + " Entries)\rin " + IntToStr(pages) + " files.",
        TMsgDlgType::mtInformation, mbOK);
}

const char* const ProducerComments[] = {
    "<!-- Written by Lorvane, the bookmark bank for the desktop -->",
    "<!-- More about Lorvane: its help file, under Help in the program's menu -->",
};

// Names the pages of one HTML export: a page never replaces an existing file or the index.
class TPageNamer {
public:
    explicit TPageNamer(std::string folder) : folder_(std::move(folder)) {}

    bool Taken(const std::string& name) const {
        return SameText(name, "Index") || FileExists(folder_ + name + ".htm");
    }

    // The name followed by as many "_" as needed; after a few, a counter keeps names short and
    // the search linear however many categories share a name.
    std::string Unique(const std::string& base) {
        int& tried = tried_[LowerCase(base)];
        for (;; ++tried) {
            std::string name =
                tried <= 8 ? base + std::string(size_t(tried), '_') : base + "_" + IntToStr(tried);
            if (!Taken(name)) {
                ++tried;
                return name;
            }
        }
    }

private:
    std::string folder_;
    std::unordered_map<std::string, int> tried_;
};

}  // namespace

TCollectedEntry CollectionItemOf(const TEntry& e) {
    return {e.Category1, e.Category2, e.Category3, e.Name, e.URL};
}

int CompareCollectionItems(const TCollectedEntry& a, const TCollectedEntry& b) {
    if (int c = ComparePaddedCategory(a.Category1, b.Category1)) return c;
    if (int c = ComparePaddedCategory(a.Category2, b.Category2)) return c;
    if (int c = ComparePaddedCategory(a.Category3, b.Category3)) return c;
    if (int c = ComparePaddedCategory(a.Name, b.Name)) return c;
    return CompareText(a.URL, b.URL);
}

void SortCollection(std::vector<TCollectedEntry>& items) {
    // Items whose four columns fit their 50 characters compare by one flat key of the columns
    // upper-cased and padded, exactly as the column-wise comparison would; longer ones take the
    // column-wise path. Same order, without folding every character at every comparison.
    constexpr size_t KeySize = 4 * ColumnWidth;
    std::vector<std::string> keys(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const TCollectedEntry& it = items[i];
        if (it.Category1.size() > ColumnWidth || it.Category2.size() > ColumnWidth ||
            it.Category3.size() > ColumnWidth || it.Name.size() > ColumnWidth)
            continue;
        std::string& key = keys[i];
        key.reserve(KeySize);
        for (const std::string* column : {&it.Category1, &it.Category2, &it.Category3, &it.Name})
            key += UpperCase(PadColumn(*column));
    }
    std::vector<size_t> order(items.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        int c;
        if (!keys[a].empty() && !keys[b].empty()) {
            c = std::memcmp(keys[a].data(), keys[b].data(), KeySize);
            if (c == 0) c = CompareText(items[a].URL, items[b].URL);
        } else {
            c = CompareCollectionItems(items[a], items[b]);
        }
        return c < 0;
    });
    std::vector<TCollectedEntry> sorted;
    sorted.reserve(items.size());
    for (size_t i : order) sorted.push_back(std::move(items[i]));
    items = std::move(sorted);
}

std::string HTMLPageName(std::string_view category1) {
    std::string name;
    for (char c : category1) {
        bool keep = c == '-' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                    (c >= 'a' && c <= 'z');
        char out = keep ? c : '_';
        if (out == '_' && !name.empty() && name.back() == '_') continue;
        name += out;
    }
    if (name.size() > MaxPageName) name.resize(MaxPageName);
    return name.empty() ? "Blank" : name;
}

// ---- Bookmark file ----

bool BeginBookmarkExport(const TExportRun& run) {
    TExportState& st = run.State;
    st.ExportFile.reset();
    st.ExportCount = 0;
    std::string chosen;
    if (!ChooseSaveFileSeam(run.Seams,
                            {ExportInitialDir(run.Bank), "Bookmark.htm",
                             "Bookmark (*.htm)|*.htm|All Files (*.*)|*.*", "htm"},
                            chosen))
        return false;
    RepaintMainSeam(run.Seams);
    st.ExportFile = std::make_unique<TExportTextFile>(chosen);
    st.ExportFile->WriteLines(BookmarkHeadLines());
    st.BookmarkCollection.clear();
    return true;
}

void CollectBookmarkEntry(const TExportRun& run, int Index) {
    run.State.BookmarkCollection.push_back(CollectionItemOf(run.Bank.Entry(Index)));
}

void WriteBookmarkEntries(const TExportRun& run) {
    TExportState& st = run.State;
    std::vector<TCollectedEntry> items = std::move(st.BookmarkCollection);
    st.BookmarkCollection.clear();
    TExportTextFile& file = st.File();
    st.ExportCount =
        WriteBookmarkBody(std::move(items), [&](std::string_view line) { file.WriteLine(line); });
    FinishExport(run);
}

// ---- HTML pages ----

void BeginHTMLExport(const TExportRun& run) {
    run.State.HTMLCollection.clear();
}

void CollectHTMLEntry(const TExportRun& run, int Index) {
    run.State.HTMLCollection.push_back(CollectionItemOf(run.Bank.Entry(Index)));
}

int WriteHTMLPages(std::vector<TCollectedEntry> items, const std::string& firstPage,
                   int32_t& links) {
    links = 0;
    if (items.empty()) return 0;
    SortCollection(items);
    const std::string folder = ExtractFilePath(firstPage);
    TPageNamer namer(folder);
    std::string firstFile = firstPage;
    // The index is written last; a first page chosen under its name would be lost.
    if (SameText(ExtractFileName(firstPage), "Index.htm"))
        firstFile = folder + namer.Unique("Index") + ".htm";

    std::vector<std::string> indexLines;
    std::unique_ptr<TExportTextFile> page;  // written as it goes, replaced when closed
    TFolderWalk walk([&](std::string_view line) { page->WriteLine(line); });
    int pages = 0;

    auto finishPage = [&] {
        walk.CloseAll();
        page->WriteLine("</DL><p>");
        page->Close();
        page.reset();
    };

    for (const TCollectedEntry& item : items) {
        TCats cats = TrimmedCategories(item);
        if (pages == 0 || walk.StartsNewCategory1(cats)) {
            if (pages > 0) finishPage();
            const std::string pageFile =
                pages == 0 ? firstFile : folder + namer.Unique(HTMLPageName(cats[0])) + ".htm";
            ++pages;
            // The page of entries without categories is named as the tree names their group.
            const std::string_view caption = cats[0].empty() ? NoCategoriesCaption : cats[0];
            indexLines.push_back("<DT><A HREF=\"" + HrefText(ExtractFileName(pageFile)) + "\">" +
                                 HtmlEscape(caption) + "</A>");
            // One of many pages: not synced one by one.
            page = std::make_unique<TExportTextFile>(pageFile, false, std::string(), false);
            page->WriteLine(MetaCharsetLine);
            page->WriteLine("<TITLE>" + HtmlUtf8(cats[0]) + "</TITLE>");
            for (const char* comment : ProducerComments) page->WriteLine(comment);
            page->WriteLine("<DL><p>");
            walk.Reset();
        }
        walk.Enter(cats);
        walk.Link(item);
        ++links;
    }
    finishPage();

    SortIndexLines(indexLines);
    TExportTextFile index(folder + "Index.htm", false, std::string(), false);
    index.WriteLine(MetaCharsetLine);
    index.WriteLine("<TITLE>Index</TITLE>");
    for (const char* comment : ProducerComments) index.WriteLine(comment);
    index.WriteLine("<H1>Index</H1>");
    index.WriteLine("<DL><p>");
    index.WriteLines(indexLines);
    index.WriteLine("</DL><p>");
    index.Close();
    return pages;
}

void ExportHTML(const TExportRun& run) {
    TExportState& st = run.State;
    std::vector<TCollectedEntry> items = std::move(st.HTMLCollection);
    st.HTMLCollection.clear();
    st.ExportCount = 0;
    if (items.empty()) {
        ReportHTMLComplete(0, 0);
        return;
    }
    SortCollection(items);
    std::string chosen;
    if (!ChooseSaveFileSeam(run.Seams,
                            {"", HTMLPageName(Trim(items.front().Category1)) + ".htm",
                             "HTML (*.htm)|*.htm|All Files (*.*)|*.*", "htm"},
                            chosen))
        return;
    RepaintMainSeam(run.Seams);
    int32_t links = 0;
    int pages = WriteHTMLPages(std::move(items), chosen, links);
    st.ExportCount = links;
    ReportHTMLComplete(links, pages);
}
