// The tree's contents as plain text, comma-separated values, HTML and rich text.

#include "VirtualTreesExport.h"

#include "VirtualTreesClipboard.h"
#include "VirtualTreesColumns.h"
#include "VirtualTreesHeader.h"

#include <platform/Canvas.h>
#include <platform/Codec.h>
#include <platform/SysUtils.h>

#include <array>
#include <charconv>
#include <cstdio>

namespace {

// Calls `f(code point)` for each character; unpaired surrogates are skipped.
template <class F>
void ForEachCodePoint(std::u16string_view text, F f) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                f(0x10000 + ((c - 0xD800) << 10) + (char32_t(text[++i]) - 0xDC00));
        } else if (c < 0xDC00 || c > 0xDFFF) {
            f(c);
        }
    }
}

// The visible columns in position order; empty when the header has no columns.
std::vector<TColumnIndex> ExportColumns(TBaseVirtualTree& tree) {
    if (!tree.Header().UseColumns()) return {};
    return tree.Header().Columns().GetVisibleColumns();
}

uint32_t MaxLevel(TBaseVirtualTree& tree, const std::vector<PVirtualNode>& nodes) {
    uint32_t result = 0;
    for (PVirtualNode node : nodes) result = std::max(result, tree.GetNodeLevel(node));
    return result;
}

std::string Number(long long value) {
    return std::to_string(value);
}

// --- Writing in two passes ---------------------------------------------------------------------
// An export is written twice: once into a counter of its length, then into a string reserved to
// exactly that length. Nothing is copied or grown on the way, so a large export costs the same
// per node at any size and holds no more memory than its text. The writers are templates over
// the output: `std::string` or the counter, which offer `append` and `push_back`.

struct TLengthCounter {
    size_t length = 0;
    void append(std::string_view text) { length += text.size(); }
    void push_back(char) { ++length; }
};

template <class Write>
std::string WrittenOnce(Write write) {
    TLengthCounter counter;
    write(counter);
    std::string out;
    out.reserve(counter.length);
    write(out);
    return out;
}

template <class Out>
void AddNumber(Out& out, long long value) {
    char text[24];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    out.append(std::string_view(text, size_t(end.ptr - text)));
}

// A character in UTF-8: the platform's encoder writes it, the counter takes its length.
void AddUtf8(std::string& out, char32_t c) {
    if (c < 0x80)
        out.push_back(char(c));
    else
        AppendUtf8CodePoint(out, c);
}

void AddUtf8(TLengthCounter& out, char32_t c) {
    out.length += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

template <class Out>
void AddUtf8(Out& out, std::u16string_view text) {
    ForEachCodePoint(text, [&](char32_t c) { AddUtf8(out, c); });
}

template <class Out>
void AddHTMLText(Out& out, std::u16string_view text) {
    ForEachCodePoint(text, [&](char32_t c) {
        if (const char* reference = HtmlReference(c))
            out.append(reference);
        else
            AddUtf8(out, c);
    });
}

// The text export: `put(text)` writes UTF-16 text, `field(text)` a caption or cell text.
template <class Put, class Field>
void WriteTextExport(TBaseVirtualTree& tree, const std::vector<PVirtualNode>& nodes,
                     char16_t separator, const TExportCellText& cellText, Put put, Field field) {
    const std::vector<TColumnIndex> columns = ExportColumns(tree);
    const uint32_t maxLevel = MaxLevel(tree, nodes);
    const std::u16string levelFill(maxLevel, separator);
    const std::u16string_view fill(levelFill);
    const std::u16string_view separatorText(&separator, 1);
    const TColumnIndex mainColumn = tree.Header().MainColumn();
    if (!columns.empty()) {
        for (size_t k = 0; k < columns.size(); ++k) {
            field(Utf8ToUtf16(tree.Header().Columns()[columns[k]].Text()));
            if (k + 1 < columns.size()) {
                if (columns[k] == mainColumn) put(fill);
                put(separatorText);
            }
        }
        put(u"\r\n");
    }
    for (PVirtualNode node : nodes) {
        const uint32_t level = tree.GetNodeLevel(node);
        if (columns.empty()) {
            put(fill.substr(0, level));
            field(cellText(node, NoColumn));
        } else {
            for (size_t k = 0; k < columns.size(); ++k) {
                if (columns[k] == mainColumn) {
                    put(fill.substr(0, level));
                    field(cellText(node, columns[k]));
                    put(fill.substr(level));
                } else {
                    field(cellText(node, columns[k]));
                }
                if (k + 1 < columns.size()) put(separatorText);
            }
        }
        put(u"\r\n");
    }
}

// The text export in UTF-8; with `csv` a field holding the separator, a double quote, CR or LF
// is quoted, its double quotes doubled.
template <class Out>
void WriteUtf8TextExport(Out& out, TBaseVirtualTree& tree, const std::vector<PVirtualNode>& nodes,
                         char16_t separator, const TExportCellText& cellText, bool csv) {
    auto put = [&](std::u16string_view text) { AddUtf8(out, text); };
    const std::u16string special{separator, u'"', u'\r', u'\n'};
    auto field = [&](std::u16string_view text) {
        if (!csv || text.find_first_of(special) == text.npos) return put(text);
        out.push_back('"');
        for (size_t quote; (quote = text.find(u'"')) != text.npos; text.remove_prefix(quote + 1)) {
            put(text.substr(0, quote + 1));
            out.push_back('"');
        }
        put(text);
        out.push_back('"');
    };
    WriteTextExport(tree, nodes, separator, cellText, put, field);
}

const char* AlignmentToHTML(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify:
            return " align=right";
        case taCenter:
            return " align=center";
        default:
            return " align=left";
    }
}

// A font as CSS, written to out (see StyleToHTML).
template <class Out>
void AddStyle(Out& out, std::string_view name, const TFont& font) {
    if (name.empty()) {
        out.append(" style=\"{font:");
    } else {
        out.push_back('.');
        out.append(name);
        out.append("{font:");
    }
    if (font.Style() & fsUnderline) out.append(" underline");
    if (font.Style() & fsItalic) out.append(" italic");
    if (font.Style() & fsBold) out.append(" bold");
    out.push_back(' ');
    AddNumber(out, font.Size());
    out.append("pt ");
    AddHTMLText(out, AnsiToUtf16(font.Name()));
    out.append(";color:");
    out.append(ColorToHTML(font.Color()));
    out.append(";}");
    if (name.empty()) out.push_back('"');
}

// How the rich text writes each ASCII code unit: \u65\'3f for "A".
const std::array<std::string, 128> kAsciiUnits = [] {
    std::array<std::string, 128> units;
    for (size_t unit = 0; unit < units.size(); ++unit)
        units[unit] = "\\u" + std::to_string(unit) + "\\'3f";
    return units;
}();

// The rich-text writer's tables and the state of the last switches written. The tables fill as
// texts are written, so the first pass over an export finds them all; Restart() readies the
// second pass, which finds every font and colour at the same index.
class TRTFWriter {
public:
    template <class Out>
    void Text(Out& out, std::u16string_view text, TFont& font) {
        if (text.empty()) return;
        const TFontStyles style = font.Style();
        if (style & fsUnderline) out.append("\\ul");
        if (style & fsItalic) out.append("\\i");
        if (style & fsBold) out.append("\\b");
        const int fontIndex = IndexOf(fonts_, font.Name());
        if (fontIndex != currentFont_) {
            out.append("\\f");
            AddNumber(out, fontIndex);
            currentFont_ = fontIndex;
        }
        const int colorIndex = IndexOf(colors_, ColorToRGB(font.Color()));
        if (colorIndex != currentColor_) {
            out.append("\\cf");
            AddNumber(out, colorIndex + 1);
            currentColor_ = colorIndex;
        }
        if (font.Size() != currentSize_) {
            currentSize_ = font.Size();
            out.append("\\fs");
            AddNumber(out, 2 * currentSize_);
        }
        out.push_back(' ');
        for (char16_t unit : text) {
            if (unit < kAsciiUnits.size()) {
                out.append(kAsciiUnits[unit]);
            } else {
                out.append("\\u");
                AddNumber(out, int16_t(unit));
                out.append("\\'3f");
            }
        }
        if (style & fsUnderline) out.append("\\ul0");
        if (style & fsItalic) out.append("\\i0");
        if (style & fsBold) out.append("\\b0");
    }

    void Restart() { currentFont_ = currentColor_ = currentSize_ = -1; }

    std::string Tables() const {
        std::string out = "{\\fonttbl";
        for (size_t k = 0; k < fonts_.size(); ++k)
            out += "{\\f" + Number(static_cast<long long>(k)) + " " + Escaped(fonts_[k]) + ";}";
        out += "}{\\colortbl;";
        for (TColor c : colors_)
            out += "\\red" + Number(GetRValue(c)) + "\\green" + Number(GetGValue(c)) + "\\blue" +
                   Number(GetBValue(c)) + ";";
        return out + "}";
    }

private:
    template <class T>
    static int IndexOf(std::vector<T>& table, const T& value) {
        for (size_t k = 0; k < table.size(); ++k)
            if (table[k] == value) return int(k);
        table.push_back(value);
        return int(table.size() - 1);
    }
    // A Windows-1252 name inside the font table: the group's own characters and bytes beyond
    // ASCII as escapes.
    static std::string Escaped(const std::string& name) {
        std::string out;
        for (unsigned char c : name) {
            if (c == '\\' || c == '{' || c == '}') {
                out += '\\';
                out += char(c);
            } else if (c == ';' || c < 0x20 || c >= 0x80) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\'%02x", c);
                out += hex;
            } else {
                out += char(c);
            }
        }
        return out;
    }
    std::vector<std::string> fonts_;
    std::vector<TColor> colors_;
    int currentFont_ = -1;
    int currentColor_ = -1;
    int currentSize_ = -1;
};

}  // namespace

TExportCellText Utf8CellText(std::function<std::string(PVirtualNode, TColumnIndex)> text) {
    return [text = std::move(text)](PVirtualNode node, TColumnIndex column) {
        return Utf8ToUtf16(text(node, column));
    };
}

std::string ExportUtf8(std::u16string_view text) {
    return WrittenOnce([&](auto& out) { AddUtf8(out, text); });
}

std::vector<PVirtualNode> ExportNodes(TBaseVirtualTree& tree, TVSTTextSourceType source) {
    std::vector<PVirtualNode> nodes;
    switch (source) {
        case tstAll:
            for (PVirtualNode n = tree.GetFirst(); n; n = tree.GetNext(n)) nodes.push_back(n);
            break;
        case tstInitialized:
            for (PVirtualNode n = tree.GetFirstInitialized(); n; n = tree.GetNextInitialized(n))
                nodes.push_back(n);
            break;
        case tstSelected:
            for (PVirtualNode n = tree.GetFirstSelected(); n; n = tree.GetNextSelected(n))
                nodes.push_back(n);
            break;
        case tstCutCopySet:
            for (PVirtualNode n = tree.GetFirstCutCopy(); n; n = tree.GetNextCutCopy(n))
                nodes.push_back(n);
            break;
        case tstVisible:
            for (PVirtualNode n = tree.GetFirstVisible(); n; n = tree.GetNextVisible(n))
                nodes.push_back(n);
            break;
    }
    return nodes;
}

std::u16string ContentToUnicode(TBaseVirtualTree& tree, TVSTTextSourceType source,
                                char16_t separator, const TExportCellText& cellText) {
    const std::vector<PVirtualNode> nodes = ExportNodes(tree, source);
    size_t length = 0;
    auto count = [&](std::u16string_view text) { length += text.size(); };
    WriteTextExport(tree, nodes, separator, cellText, count, count);
    std::u16string out;
    out.reserve(length);
    auto put = [&](std::u16string_view text) { out.append(text); };
    WriteTextExport(tree, nodes, separator, cellText, put, put);
    return out;
}

std::string ContentToText(TBaseVirtualTree& tree, TVSTTextSourceType source, char16_t separator,
                          const TExportCellText& cellText) {
    return Utf16ToAnsi(ContentToUnicode(tree, source, separator, cellText));
}

std::string ContentToCSV(TBaseVirtualTree& tree, TVSTTextSourceType source, char16_t separator,
                         const TExportCellText& cellText) {
    const std::vector<PVirtualNode> nodes = ExportNodes(tree, source);
    return WrittenOnce(
        [&](auto& out) { WriteUtf8TextExport(out, tree, nodes, separator, cellText, true); });
}

char16_t ListSeparatorFor(char decimalPoint) {
    return decimalPoint == ',' ? u';' : u',';
}

std::string ColorToHTML(TColor color) {
    const TColor rgb = ColorToRGB(color);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(rgb), GetGValue(rgb),
                  GetBValue(rgb));
    return text;
}

std::string StyleToHTML(std::string_view name, const TFont& font) {
    std::string out;
    AddStyle(out, name, font);
    return out;
}

std::string HTMLText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    AddHTMLText(out, text);
    return out;
}

namespace {

// The HTML export's style sheet: the tree's and the header's fonts and the cell borders.
template <class Out>
void WriteHTMLStyles(Out& out, TBaseVirtualTree& tree) {
    const TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    const std::string lineStyle = tree.LineStyle() == lsSolid ? "solid;" : "dotted;";
    const std::string padding = "padding-left:" + Number(tree.Margin()) +
                                "px;padding-right:" + Number(tree.Margin()) + "px;";
    out.append("<style type=\"text/css\">\r\n");
    AddStyle(out, "default", tree.Font());
    out.append("\r\n");
    AddStyle(out, "header", tree.Header().Font());
    out.append("\r\n");
    if (paint.Contains(toShowHorzGridLines))
        out.append(".noborder{border-style:" + lineStyle +
                   " border-bottom:1;border-left:0;border-right:0; border-top:0;");
    else
        out.append(".noborder{border-style:none;");
    out.append(padding + "}\r\n");
    out.append(std::string(".normalborder {border-top:none; border-left:none; ") +
               (paint.Contains(toShowVertGridLines) ? "border-right:1 " + lineStyle
                                                    : std::string("border-right:none;")) +
               (paint.Contains(toShowHorzGridLines) ? "border-bottom:1 " + lineStyle
                                                    : std::string("border-bottom:none;")) +
               padding + "}");
    out.append("</style>\r\n");
}

std::string HTMLColumnAttributes(const TVirtualTreeColumn& column) {
    std::string text = column.UseRightToLeftReading() ? " dir=\"rtl\"" : "";
    return text + AlignmentToHTML(column.Alignment());
}

// The header row: one cell per exported column, the main one spanning the indent cells.
template <class Out>
void WriteHTMLHeaderRow(Out& out, TVTHeader& header, const std::vector<TColumnIndex>& columns,
                        uint32_t maxLevel) {
    out.append("<tr class=\"header\"" + StyleToHTML("", header.Font()) + ">");
    for (TColumnIndex index : columns) {
        const TVirtualTreeColumn& column = header.Columns()[index];
        out.append("<th height=\"" + Number(header.Height()) + "px\"" +
                   HTMLColumnAttributes(column));
        if (index == header.MainColumn() && maxLevel > 0)
            out.append(" colspan=\"" + Number(maxLevel + 1) + "\"");
        out.append(" bgcolor=" + ColorToHTML(clBtnFace) + " width=\"" + Number(column.Width()) +
                   "px\">" + HTMLText(Utf8ToUtf16(column.Text())) + "</th>");
    }
    out.append("</tr>");
}

// What each cell of a column writes around its text, made once per export.
struct THTMLCellParts {
    TColumnIndex index;
    bool main;
    std::string bgcolor, attributes;
};

std::vector<THTMLCellParts> HTMLCellParts(TVTHeader& header,
                                          const std::vector<TColumnIndex>& columns) {
    std::vector<THTMLCellParts> cells;
    for (TColumnIndex index : columns.empty() ? std::vector{NoColumn} : columns) {
        const TVirtualTreeColumn* column = index == NoColumn ? nullptr : &header.Columns()[index];
        const bool ownColor = column && !column->Options().Contains(coParentColor);
        cells.push_back({index, index == header.MainColumn() || index == NoColumn,
                         ownColor ? " bgcolor=" + ColorToHTML(column->Color()) : "",
                         column ? HTMLColumnAttributes(*column) : ""});
    }
    return cells;
}

// One node's row: the main cell indented by a cell per level (indent wide) and spanning the
// levels below.
template <class Out>
void WriteHTMLRow(Out& out, TBaseVirtualTree& tree, PVirtualNode node,
                  const std::vector<THTMLCellParts>& cells, const std::string& indent,
                  uint32_t maxLevel, const TExportCellText& cellText,
                  const TExportCellFont& cellFont) {
    const uint32_t level = tree.GetNodeLevel(node);
    out.append(" <tr class=\"default\">");
    for (const THTMLCellParts& cell : cells) {
        if (cell.main)
            for (uint32_t k = 0; k < level; ++k) {
                out.append("<td class=\"noborder\" width=\"");
                out.append(indent);
                out.append("\" height=\"");
                AddNumber(out, node->NodeHeight);
                out.push_back('"');
                out.append(cell.bgcolor);
                out.append(">&nbsp;</td>");
            }
        TFont font = tree.Font();
        if (cellFont && cellFont(node, cell.index, font)) {
            out.append(" <td class=\"normalborder\" ");
            AddStyle(out, "", font);
            out.append(" height=\"");
        } else {
            out.append(" <td class=\"normalborder\"  height=\"");
        }
        AddNumber(out, node->NodeHeight);
        out.append("px\"");
        out.append(cell.attributes);
        if (cell.main && maxLevel > level) {
            out.append(" colspan=\"");
            AddNumber(out, maxLevel - level + 1);
            out.push_back('"');
        }
        out.append(cell.bgcolor);
        out.push_back('>');
        AddHTMLText(out, cellText(node, cell.index));
        out.append("</td>");
    }
    out.append(" </tr>");
}

// The HTML export's table (see ContentToHTML).
template <class Out>
void WriteHTML(Out& out, TBaseVirtualTree& tree, const std::vector<PVirtualNode>& nodes,
               const TExportCellText& cellText, std::string_view caption,
               const TExportCellFont& cellFont) {
    const std::vector<TColumnIndex> columns = ExportColumns(tree);
    const uint32_t maxLevel = MaxLevel(tree, nodes);
    std::string attributes;
    if (!caption.empty()) attributes += " caption=\"" + HTMLText(AnsiToUtf16(caption)) + "\"";
    // A single border is the inner border's width + 1; the tree has no inner border (its
    // BorderWidth is the frame's).
    if (tree.BorderStyle() == bsSingle) attributes += " border=\"1\" frame=box";
    WriteHTMLStyles(out, tree);
    out.append("<table class=\"default\" bgcolor=" + ColorToHTML(tree.Color()) + attributes +
               " cellspacing=\"0\" cellpadding=" + Number(tree.Margin()) + ">\r\n");
    if (!columns.empty()) WriteHTMLHeaderRow(out, tree.Header(), columns, maxLevel);
    const std::vector<THTMLCellParts> cells = HTMLCellParts(tree.Header(), columns);
    const std::string indent = Number(tree.Indent());
    for (PVirtualNode node : nodes)
        WriteHTMLRow(out, tree, node, cells, indent, maxLevel, cellText, cellFont);
    out.append("</table>");
}

constexpr std::string_view kHTMLHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"
    "<html><head><META http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
    "</head><body><!--StartFragment-->";
constexpr std::string_view kHTMLTail = "<!--EndFragment--></body></html>";

// The rich-text export: the tables, gathered by a first pass over the body, then the body.
template <class Out>
void WriteRTFBody(Out& out, TRTFWriter& writer, TBaseVirtualTree& tree,
                  const std::vector<PVirtualNode>& nodes, const TExportCellText& cellText,
                  int pixelsPerInch, const TExportCellFont& cellFont) {
    const std::vector<TColumnIndex> columns = ExportColumns(tree);
    TVTHeader& header = tree.Header();
    const TColumnIndex mainColumn = header.MainColumn();
    const int ppi = pixelsPerInch > 0 ? pixelsPerInch : 96;
    auto twips = [ppi](long long pixels) { return (pixels * 1440 + ppi / 2) / ppi; };
    auto alignment = [](TAlignment a) {
        return a == taRightJustify ? "\\qr" : a == taCenter ? "\\qc" : "";
    };
    out.append("\\uc1\\trowd\\trgaph70");
    if (columns.empty()) {
        out.append("\\cellx");
        AddNumber(out, twips(tree.ClientWidth()));
    } else {
        long long right = 0;
        for (TColumnIndex index : columns) {
            right += header.Columns()[index].Width();
            out.append("\\cellx");
            AddNumber(out, twips(right));
        }
        for (TColumnIndex index : columns) {
            const TVirtualTreeColumn& column = header.Columns()[index];
            out.append("\\pard\\intbl");
            out.append(alignment(column.Alignment()));
            writer.Text(out, Utf8ToUtf16(column.Text()), header.Font());
            out.append("\\cell");
        }
        out.append("\\row");
    }
    const std::vector<TColumnIndex> cells = columns.empty() ? std::vector{NoColumn} : columns;
    for (PVirtualNode node : nodes) {
        const uint32_t level = tree.GetNodeLevel(node);
        for (TColumnIndex index : cells) {
            out.append("\\pard\\intbl");
            if (index != NoColumn) out.append(alignment(header.Columns()[index].Alignment()));
            if ((index == mainColumn || index == NoColumn) && level > 0) {
                for (uint32_t k = 0; k < level; ++k) out.append("\\tab");
                out.push_back(' ');
            }
            TFont font = tree.Font();
            if (cellFont) cellFont(node, index, font);
            writer.Text(out, cellText(node, index), font);
            out.append("\\cell");
        }
        out.append("\\row");
    }
    out.append("\\pard\\par");
}

std::string RTFExport(TBaseVirtualTree& tree, const std::vector<PVirtualNode>& nodes,
                      const TExportCellText& cellText, int pixelsPerInch,
                      const TExportCellFont& cellFont) {
    TRTFWriter writer;
    TLengthCounter body;
    WriteRTFBody(body, writer, tree, nodes, cellText, pixelsPerInch, cellFont);
    const std::string head = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043" + writer.Tables();
    std::string rtf;
    rtf.reserve(head.size() + body.length + 1);
    rtf += head;
    writer.Restart();
    WriteRTFBody(rtf, writer, tree, nodes, cellText, pixelsPerInch, cellFont);
    rtf += '}';
    return rtf;
}

// The first node a source covers, without listing them all.
bool HasExportNodes(TBaseVirtualTree& tree, TVSTTextSourceType source) {
    switch (source) {
        case tstAll:
            return tree.GetFirst() != nullptr;
        case tstInitialized:
            return tree.GetFirstInitialized() != nullptr;
        case tstSelected:
            return tree.GetFirstSelected() != nullptr;
        case tstCutCopySet:
            return tree.GetFirstCutCopy() != nullptr;
        case tstVisible:
            return tree.GetFirstVisible() != nullptr;
    }
    return false;
}

}  // namespace

std::string ContentToHTML(TBaseVirtualTree& tree, TVSTTextSourceType source,
                          const TExportCellText& cellText, std::string_view caption,
                          const TExportCellFont& cellFont) {
    const std::vector<PVirtualNode> nodes = ExportNodes(tree, source);
    return WrittenOnce(
        [&](auto& out) { WriteHTML(out, tree, nodes, cellText, caption, cellFont); });
}

std::string HTMLClipboardEnvelope(std::string_view fragment) {
    constexpr std::string_view head = kHTMLHead;
    constexpr std::string_view tail = kHTMLTail;
    auto line = [](const char* key, size_t value) {
        char text[40];
        std::snprintf(text, sizeof text, "%s%08zu\r\n", key, value);
        return std::string(text);
    };
    // The header's length does not depend on the numbers: each has eight digits.
    const size_t startHTML = std::string_view("Version:1.0\r\n").size() +
                             line("StartHTML:", 0).size() + line("EndHTML:", 0).size() +
                             line("StartFragment:", 0).size() + line("EndFragment:", 0).size();
    const size_t startFragment = startHTML + head.size();
    const size_t endFragment = startFragment + fragment.size();
    std::string out = "Version:1.0\r\n" + line("StartHTML:", startHTML) +
                      line("EndHTML:", endFragment + tail.size()) +
                      line("StartFragment:", startFragment) + line("EndFragment:", endFragment);
    out.reserve(endFragment + tail.size());
    out += head;
    out += fragment;
    out += tail;
    return out;
}

std::string ContentToRTF(TBaseVirtualTree& tree, TVSTTextSourceType source,
                         const TExportCellText& cellText, int pixelsPerInch,
                         const TExportCellFont& cellFont) {
    return RTFExport(tree, ExportNodes(tree, source), cellText, pixelsPerInch, cellFont);
}

std::string HTMLDocument(std::string_view fragment) {
    std::string document;
    document.reserve(kHTMLHead.size() + fragment.size() + kHTMLTail.size());
    document += kHTMLHead;
    document += fragment;
    document += kHTMLTail;
    return document;
}

std::string RenderTextFormat(TBaseVirtualTree& tree, TClipFormat format, TVSTTextSourceType source,
                             const TExportCellText& cellText, char16_t listSeparator,
                             const TExportCellFont& cellFont) {
    if (!HasExportNodes(tree, source) && !tree.Header().UseColumns()) return {};
    const bool text = format == StandardFormatText || format == StandardFormatUnicodeText;
    const bool csv = format == CSVClipFormat();
    const bool rtf = format == RTFClipFormat() || format == RTFNoObjectsClipFormat();
    const bool html = format == HTMLClipFormat();
    if (!text && !csv && !rtf && !html) return {};
    // Each format is written once, straight into a text of its exact length.
    const std::vector<PVirtualNode> nodes = ExportNodes(tree, source);
    if (rtf) return RTFExport(tree, nodes, cellText, 96, cellFont);
    return WrittenOnce([&](auto& out) {
        if (html) {
            out.append(kHTMLHead);
            WriteHTML(out, tree, nodes, cellText, {}, cellFont);
            out.append(kHTMLTail);
        } else {
            WriteUtf8TextExport(out, tree, nodes, csv ? listSeparator : u'\t', cellText, csv);
        }
    });
}
