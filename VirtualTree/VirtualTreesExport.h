// The tree's contents as text for other programs: plain text (Windows-1252 or UTF-16), comma-
// separated values, HTML (with the clipboard's HTML envelope) and rich text. The exporters take
// the cell texts from a callback, so any tree that has texts can use them.
#pragma once

#include "VirtualTrees.h"

#include <platform/ClipboardFormats.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Which nodes an export covers, always in tree order.
enum TVSTTextSourceType {
    tstAll,          // every node (initialising them)
    tstInitialized,  // the initialised nodes only
    tstSelected,     // the selection (what a drag carries)
    tstCutCopySet,   // the nodes marked by a cut or copy (what the clipboard carries)
    tstVisible       // the nodes not hidden, inside expanded parents
};

// The text of a cell (column NoColumn when the header has no columns), in UTF-16.
using TExportCellText = std::function<std::u16string(PVirtualNode, TColumnIndex)>;
// The font a cell's text is exported in: given the tree's font, the callback applies the
// application's choice and says whether it changed the font. Without a callback every cell
// keeps the tree's font.
using TExportCellFont = std::function<bool(PVirtualNode, TColumnIndex, TFont& font)>;
// Adapts a callback that gives UTF-8 text.
TExportCellText Utf8CellText(std::function<std::string(PVirtualNode, TColumnIndex)> text);

// A text builder whose capacity doubles when an addition does not fit, so building a text of
// n characters copies O(n) characters whatever the additions are.
template <class Char>
class TTextBuilder {
public:
    void Add(std::basic_string_view<Char> text) {
        if (text.size() > capacity_ - size_) Grow(text.size());
        std::copy(text.begin(), text.end(), buffer_.data() + size_);
        size_ += text.size();
    }
    void Add(Char c) { Add(std::basic_string_view<Char>(&c, 1)); }
    void AddNewLine() {
        static constexpr Char crlf[] = {Char('\r'), Char('\n')};
        Add(std::basic_string_view<Char>(crlf, 2));
    }
    size_t Length() const { return size_; }
    size_t Capacity() const { return capacity_; }
    std::basic_string<Char> AsString() const { return buffer_.substr(0, size_); }
    // The text without a copy, leaving the builder empty.
    std::basic_string<Char> Take() {
        buffer_.resize(size_);
        std::basic_string<Char> text = std::move(buffer_);
        buffer_.clear();
        size_ = capacity_ = 0;
        return text;
    }

private:
    void Grow(size_t needed) {
        size_t capacity = std::max<size_t>(capacity_, 4096);
        while (capacity - size_ < needed) capacity *= 2;
        buffer_.resize(capacity);
        capacity_ = capacity;
    }
    std::basic_string<Char> buffer_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
using TBufferedString = TTextBuilder<char>;
using TWideBufferedString = TTextBuilder<char16_t>;

// UTF-16 as UTF-8; a surrogate without its partner is dropped.
std::string ExportUtf8(std::u16string_view text);

// The nodes of a source, in tree order.
std::vector<PVirtualNode> ExportNodes(TBaseVirtualTree& tree, TVSTTextSourceType source);

// The text export: with columns a caption line, then one line per node (CR LF after each); the
// main column is indented by one separator per level and padded to the deepest level, and
// without columns the node's text is indented the same way.
std::u16string ContentToUnicode(TBaseVirtualTree& tree, TVSTTextSourceType source,
                                char16_t separator, const TExportCellText& cellText);
// The same in Windows-1252 (characters the code page lacks become '?').
std::string ContentToText(TBaseVirtualTree& tree, TVSTTextSourceType source, char16_t separator,
                          const TExportCellText& cellText);
// The text export in UTF-8 as values separated by `separator`: a caption or cell text holding the
// separator, a double quote, CR or LF is quoted, its double quotes doubled.
std::string ContentToCSV(TBaseVirtualTree& tree, TVSTTextSourceType source, char16_t separator,
                         const TExportCellText& cellText);

// The list separator of a locale: ";" where the decimal point is ",", else ",".
char16_t ListSeparatorFor(char decimalPoint);

// "#RRGGBB" of a colour, system colours resolved.
std::string ColorToHTML(TColor color);
// A font as CSS: a named class (".name{font: ... ;}") or, with an empty name, an inline style
// attribute (" style=\"{font: ... ;}\"").
std::string StyleToHTML(std::string_view name, const TFont& font);
// Text as UTF-8 with "&", "<", ">" and '"' as entities.
std::string HTMLText(std::u16string_view text);
// The HTML export: a style block and a table of the source's nodes. A non-empty caption
// (Windows-1252) becomes the table's caption attribute.
// A cell whose font the application changed carries it as an inline style.
std::string ContentToHTML(TBaseVirtualTree& tree, TVSTTextSourceType source,
                          const TExportCellText& cellText, std::string_view caption = {},
                          const TExportCellFont& cellFont = {});
// The clipboard's HTML layout around a fragment: the offset header, the document's head, the
// fragment between its markers and the document's end.
std::string HTMLClipboardEnvelope(std::string_view fragment);

// The rich-text export: a table with one cell per visible column (or one cell of the client's
// width), column widths in twips at `pixelsPerInch`; each cell's text in its cell font.
std::string ContentToRTF(TBaseVirtualTree& tree, TVSTTextSourceType source,
                         const TExportCellText& cellText, int pixelsPerInch = 96,
                         const TExportCellFont& cellFont = {});

// The HTML document around a fragment, as the desktop's "text/html" carries it: the clipboard
// envelope without its offset lines.
std::string HTMLDocument(std::string_view fragment);

// What a text format carries to other programs: plain and Unicode text as one UTF-8 text (Tab
// separated, no terminating NUL), CSV in UTF-8 with `listSeparator`, both rich-text formats
// alike, and "HTML Format" as an HTML document of the export without caption. Empty for other
// formats and when the export is empty.
std::string RenderTextFormat(TBaseVirtualTree& tree, TClipFormat format, TVSTTextSourceType source,
                             const TExportCellText& cellText, char16_t listSeparator,
                             const TExportCellFont& cellFont = {});
