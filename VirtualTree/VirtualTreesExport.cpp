// The tree's contents as plain text, comma-separated values, HTML and rich text.

#include "VirtualTreesExport.h"

#include "VirtualTreesClipboard.h"
#include "VirtualTreesColumns.h"
#include "VirtualTreesHeader.h"

#include <platform/Canvas.h>
#include <platform/Codec.h>
#include <platform/SysUtils.h>

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

// The text export over UTF-16; `field` turns a caption or cell text into what is written.
std::u16string TextExport(TBaseVirtualTree& tree, TVSTTextSourceType source, char16_t separator,
                          const TExportCellText& cellText,
                          const std::function<std::u16string(std::u16string)>& field) {
    const std::vector<PVirtualNode> nodes = ExportNodes(tree, source);
    const std::vector<TColumnIndex> columns = ExportColumns(tree);
    const uint32_t maxLevel = MaxLevel(tree, nodes);
    const std::u16string levelFill(maxLevel, separator);
    const TColumnIndex mainColumn = tree.Header().MainColumn();
    TWideBufferedString out;
    if (!columns.empty()) {
        for (size_t k = 0; k < columns.size(); ++k) {
            out.Add(field(AnsiToUtf16(tree.Header().Columns()[columns[k]].Text())));
            if (k + 1 < columns.size()) {
                if (columns[k] == mainColumn) out.Add(levelFill);
                out.Add(separator);
            }
        }
        out.AddNewLine();
    }
    for (PVirtualNode node : nodes) {
        const uint32_t level = tree.GetNodeLevel(node);
        const std::u16string_view fill(levelFill);
        if (columns.empty()) {
            out.Add(fill.substr(0, level));
            out.Add(field(cellText(node, NoColumn)));
        } else {
            for (size_t k = 0; k < columns.size(); ++k) {
                if (columns[k] == mainColumn) {
                    out.Add(fill.substr(0, level));
                    out.Add(field(cellText(node, columns[k])));
                    out.Add(fill.substr(level));
                } else {
                    out.Add(field(cellText(node, columns[k])));
                }
                if (k + 1 < columns.size()) out.Add(separator);
            }
        }
        out.AddNewLine();
    }
    return out.Take();
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

// The rich-text writer's tables and the state of the last switches written.
class TRTFWriter {
public:
    void Text(TBufferedString& out, std::u16string_view text, TFont& font) {
        if (text.empty()) return;
        const TFontStyles style = font.Style();
        if (style & fsUnderline) out.Add("\\ul");
        if (style & fsItalic) out.Add("\\i");
        if (style & fsBold) out.Add("\\b");
        const int fontIndex = IndexOf(fonts_, font.Name());
        if (fontIndex != currentFont_) {
            out.Add("\\f" + Number(fontIndex));
            currentFont_ = fontIndex;
        }
        const int colorIndex = IndexOf(colors_, ColorToRGB(font.Color()));
        if (colorIndex != currentColor_) {
            out.Add("\\cf" + Number(colorIndex + 1));
            currentColor_ = colorIndex;
        }
        if (font.Size() != currentSize_) {
            currentSize_ = font.Size();
            out.Add("\\fs" + Number(2 * currentSize_));
        }
        out.Add(' ');
        for (char16_t unit : text) out.Add("\\u" + Number(int16_t(unit)) + "\\'3f");
        if (style & fsUnderline) out.Add("\\ul0");
        if (style & fsItalic) out.Add("\\i0");
        if (style & fsBold) out.Add("\\b0");
    }

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

TExportCellText AnsiCellText(std::function<std::string(PVirtualNode, TColumnIndex)> text) {
    return [text = std::move(text)](PVirtualNode node, TColumnIndex column) {
        return AnsiToUtf16(text(node, column));
    };
}

std::string ExportUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t c) { AppendUtf8CodePoint(out, c); });
    return out;
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
    return TextExport(tree, source, separator, cellText, [](std::u16string s) { return s; });
}

std::string ContentToText(TBaseVirtualTree& tree, TVSTTextSourceType source, char16_t separator,
                          const TExportCellText& cellText) {
    return Utf16ToAnsi(ContentToUnicode(tree, source, separator, cellText));
}

std::string ContentToCSV(TBaseVirtualTree& tree, TVSTTextSourceType source, char16_t separator,
                         const TExportCellText& cellText) {
    auto quoted = [separator](std::u16string s) {
        if (s.find_first_of(std::u16string{separator, u'"', u'\r', u'\n'}) == s.npos) return s;
        std::u16string out = u"\"";
        for (char16_t c : s) {
            if (c == u'"') out += u'"';
            out += c;
        }
        return out + u'"';
    };
    return ExportUtf8(TextExport(tree, source, separator, cellText, quoted));
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
    std::string out = name.empty() ? " style=\"{font:" : "." + std::string(name) + "{font:";
    if (font.Style() & fsUnderline) out += " underline";
    if (font.Style() & fsItalic) out += " italic";
    if (font.Style() & fsBold) out += " bold";
    out += " " + Number(font.Size()) + "pt " + HTMLText(AnsiToUtf16(font.Name())) + ";";
    out += "color:" + ColorToHTML(font.Color()) + ";}";
    if (name.empty()) out += "\"";
    return out;
}

std::string HTMLText(std::u16string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t c) { AppendUtf8CodePoint(utf8, c); });
    return HtmlEscape(utf8);
}

std::string ContentToHTML(TBaseVirtualTree& tree, TVSTTextSourceType source,
                          const TExportCellText& cellText, std::string_view caption,
                          const TExportCellFont& cellFont) {
    const std::vector<PVirtualNode> nodes = ExportNodes(tree, source);
    const std::vector<TColumnIndex> columns = ExportColumns(tree);
    const uint32_t maxLevel = MaxLevel(tree, nodes);
    TVTHeader& header = tree.Header();
    const TColumnIndex mainColumn = header.MainColumn();
    const TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    const std::string lineStyle = tree.LineStyle() == lsSolid ? "solid;" : "dotted;";
    const std::string padding = "padding-left:" + Number(tree.Margin()) +
                                "px;padding-right:" + Number(tree.Margin()) + "px;";

    std::string attributes;
    if (!caption.empty()) attributes += " caption=\"" + HTMLText(AnsiToUtf16(caption)) + "\"";
    if (tree.BorderStyle() == bsSingle)
        attributes += " border=\"" + Number(tree.BorderWidth() + 1) + "\" frame=box";

    TBufferedString out;
    out.Add("<style type=\"text/css\">");
    out.AddNewLine();
    out.Add(StyleToHTML("default", tree.Font()));
    out.AddNewLine();
    out.Add(StyleToHTML("header", header.Font()));
    out.AddNewLine();
    if (paint.Contains(toShowHorzGridLines))
        out.Add(".noborder{border-style:" + lineStyle +
                " border-bottom:1;border-left:0;border-right:0; border-top:0;");
    else
        out.Add(".noborder{border-style:none;");
    out.Add(padding + "}");
    out.AddNewLine();
    out.Add(std::string(".normalborder {border-top:none; border-left:none; ") +
            (paint.Contains(toShowVertGridLines) ? "border-right:1 " + lineStyle
                                                 : std::string("border-right:none;")) +
            (paint.Contains(toShowHorzGridLines) ? "border-bottom:1 " + lineStyle
                                                 : std::string("border-bottom:none;")) +
            padding + "}");
    out.Add("</style>");
    out.AddNewLine();
    out.Add("<table class=\"default\" bgcolor=" + ColorToHTML(tree.Color()) + attributes +
            " cellspacing=\"0\" cellpadding=" + Number(tree.Margin()) + ">");
    out.AddNewLine();

    auto columnAttributes = [&](const TVirtualTreeColumn& column) {
        std::string text = column.UseRightToLeftReading() ? " dir=\"rtl\"" : "";
        return text + AlignmentToHTML(column.Alignment());
    };
    if (!columns.empty()) {
        out.Add("<tr class=\"header\"" + StyleToHTML("", header.Font()) + ">");
        for (TColumnIndex index : columns) {
            const TVirtualTreeColumn& column = header.Columns()[index];
            out.Add("<th height=\"" + Number(header.Height()) + "px\"" + columnAttributes(column));
            if (index == mainColumn && maxLevel > 0)
                out.Add(" colspan=\"" + Number(maxLevel + 1) + "\"");
            out.Add(" bgcolor=" + ColorToHTML(clBtnFace) + " width=\"" + Number(column.Width()) +
                    "px\">" + HTMLText(AnsiToUtf16(column.Text())) + "</th>");
        }
        out.Add("</tr>");
    }
    const std::vector<TColumnIndex> cells = columns.empty() ? std::vector{NoColumn} : columns;
    for (PVirtualNode node : nodes) {
        const uint32_t level = tree.GetNodeLevel(node);
        const std::string height = Number(node->NodeHeight);
        out.Add(" <tr class=\"default\">");
        for (TColumnIndex index : cells) {
            const TVirtualTreeColumn* column =
                index == NoColumn ? nullptr : &header.Columns()[index];
            const bool ownColor = column && !column->Options().Contains(coParentColor);
            const std::string bgcolor = ownColor ? " bgcolor=" + ColorToHTML(column->Color()) : "";
            const bool main = index == mainColumn || index == NoColumn;
            if (main)
                for (uint32_t k = 0; k < level; ++k)
                    out.Add("<td class=\"noborder\" width=\"" + Number(tree.Indent()) +
                            "\" height=\"" + height + "\"" + bgcolor + ">&nbsp;</td>");
            TFont font = tree.Font();
            if (cellFont && cellFont(node, index, font))
                out.Add(" <td class=\"normalborder\" " + StyleToHTML("", font) + " height=\"" +
                        height + "px\"");
            else
                out.Add(" <td class=\"normalborder\"  height=\"" + height + "px\"");
            if (column) out.Add(columnAttributes(*column));
            if (main && maxLevel > level)
                out.Add(" colspan=\"" + Number(maxLevel - level + 1) + "\"");
            out.Add(bgcolor + ">" + HTMLText(cellText(node, index)) + "</td>");
        }
        out.Add(" </tr>");
    }
    out.Add("</table>");
    return out.Take();
}

namespace {

constexpr std::string_view kHTMLHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"
    "<html><head><META http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
    "</head><body><!--StartFragment-->";
constexpr std::string_view kHTMLTail = "<!--EndFragment--></body></html>";

}  // namespace

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
    const std::vector<PVirtualNode> nodes = ExportNodes(tree, source);
    const std::vector<TColumnIndex> columns = ExportColumns(tree);
    TVTHeader& header = tree.Header();
    const TColumnIndex mainColumn = header.MainColumn();
    const int ppi = pixelsPerInch > 0 ? pixelsPerInch : 96;
    auto twips = [ppi](long long pixels) { return (pixels * 1440 + ppi / 2) / ppi; };
    auto alignment = [](TAlignment a) {
        return a == taRightJustify ? "\\qr" : a == taCenter ? "\\qc" : "";
    };

    TRTFWriter writer;
    TBufferedString body;
    body.Add("\\uc1\\trowd\\trgaph70");
    if (columns.empty()) {
        body.Add("\\cellx" + Number(twips(tree.ClientWidth())));
    } else {
        long long right = 0;
        for (TColumnIndex index : columns) {
            right += header.Columns()[index].Width();
            body.Add("\\cellx" + Number(twips(right)));
        }
        for (TColumnIndex index : columns) {
            const TVirtualTreeColumn& column = header.Columns()[index];
            body.Add(std::string("\\pard\\intbl") + alignment(column.Alignment()));
            writer.Text(body, AnsiToUtf16(column.Text()), header.Font());
            body.Add("\\cell");
        }
        body.Add("\\row");
    }
    const std::vector<TColumnIndex> cells = columns.empty() ? std::vector{NoColumn} : columns;
    for (PVirtualNode node : nodes) {
        const uint32_t level = tree.GetNodeLevel(node);
        for (TColumnIndex index : cells) {
            body.Add("\\pard\\intbl");
            if (index != NoColumn) body.Add(alignment(header.Columns()[index].Alignment()));
            if ((index == mainColumn || index == NoColumn) && level > 0) {
                for (uint32_t k = 0; k < level; ++k) body.Add("\\tab");
                body.Add(' ');
            }
            TFont font = tree.Font();
            if (cellFont) cellFont(node, index, font);
            writer.Text(body, cellText(node, index), font);
            body.Add("\\cell");
        }
        body.Add("\\row");
    }
    body.Add("\\pard\\par");
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043" + writer.Tables();
    rtf.reserve(rtf.size() + body.Length() + 1);
    rtf += body.Take();
    rtf += '}';
    return rtf;
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
    if (ExportNodes(tree, source).empty() && !tree.Header().UseColumns()) return {};
    if (format == StandardFormatText || format == StandardFormatUnicodeText)
        return ExportUtf8(ContentToUnicode(tree, source, u'\t', cellText));
    if (format == CSVClipFormat()) return ContentToCSV(tree, source, listSeparator, cellText);
    if (format == RTFClipFormat() || format == RTFNoObjectsClipFormat())
        return ContentToRTF(tree, source, cellText, 96, cellFont);
    if (format == HTMLClipFormat())
        return HTMLDocument(ContentToHTML(tree, source, cellText, {}, cellFont));
    return {};
}
