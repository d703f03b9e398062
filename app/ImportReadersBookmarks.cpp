// The bookmark-file import: a small markup scanner and the folder structure of <DL> lists.
#include "ImportReaders.h"

#include "AppSeams.h"
#include "platform/Codec.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace {

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// Position of `needle` (lower case) in `hay` ignoring ASCII case, or npos.
size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from = 0) {
    if (needle.empty() || hay.size() < needle.size()) return std::string_view::npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && FoldAscii(hay[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

// The tags the reader acts on; every other tag is tgOther.
enum TTagId { tgOther, tgA, tgDD, tgDL, tgDT, tgH3, tgHR };

TTagId TagIdOf(std::string_view name) {
    if (name.size() == 1) return FoldAscii(name[0]) == 'a' ? tgA : tgOther;
    if (name.size() != 2) return tgOther;
    const char a = FoldAscii(name[0]), b = FoldAscii(name[1]);
    if (a == 'd') return b == 'd' ? tgDD : b == 'l' ? tgDL : b == 't' ? tgDT : tgOther;
    if (a == 'h') return b == '3' ? tgH3 : b == 'r' ? tgHR : tgOther;
    return tgOther;
}

struct TToken {
    enum TKind { tkEnd, tkText, tkTag } Kind = tkEnd;
    std::string_view Text;   // text, or the tag's name
    std::string_view Attrs;  // a tag's attribute text
    TTagId Id = tgOther;
    bool Closing = false;

    bool Is(TTagId id) const { return Kind == tkTag && Id == id; }
};

// A line whose first mark (after blanks) opens a list item, a list or a heading, or closes a
// list: no quoted value runs into it.
bool StartsStructuralLine(std::string_view s, size_t at) {
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t')) ++at;
    for (std::string_view tag : {"<dt>", "<dl>", "</dl>", "<h3"})
        if (s.size() - at >= tag.size() && FindNoCase(s.substr(at, tag.size()), tag) == 0)
            return true;
    return false;
}

// The first position at or after a given one where something is found, remembered: the
// scanner moves forward, so the text is searched about once however many values it holds.
class TNextFound {
public:
    template <class Find>
    size_t From(size_t at, Find find) {
        if (at < from_ || at > found_) {
            from_ = at;
            found_ = find(at);
        }
        return found_;
    }

private:
    size_t from_ = 1, found_ = 0;
};

// Where quoted values close: across line breaks, but never past a line that starts structure.
class TQuoteCloser {
public:
    explicit TQuoteCloser(std::string_view s) : s_(s) {}

    // The closing quote of the value whose quote is at `open`; npos when there is none.
    size_t Close(size_t open) {
        const size_t close = quotes_[s_[open] == '"' ? 0 : 1].From(
            open + 1, [&](size_t at) { return std::min(s_.find(s_[open], at), s_.size()); });
        const size_t limit = structure_.From(open, [&](size_t at) {
            // A line ends with LF, CR LF or a lone CR. (A loop of our own: the library's
            // search for either of two characters makes a call for every character passed.)
            for (size_t i = at; i < s_.size(); ++i)
                if ((s_[i] == '\r' || s_[i] == '\n') && StartsStructuralLine(s_, i + 1)) return i;
            return s_.size();
        });
        return close < limit ? close : std::string_view::npos;
    }

private:
    std::string_view s_;
    TNextFound quotes_[2];
    TNextFound structure_;
};

// Splits markup into text runs and tags; comments vanish, and a "<" that starts no tag is text.
class TMarkupScanner {
public:
    explicit TMarkupScanner(std::string_view s) : s_(s) {}

    size_t Position() const { return pos_; }
    void Rewind(size_t pos) { pos_ = pos; }

    TToken Next() {
        TToken t;
        while (pos_ < s_.size()) {
            if (s_[pos_] != '<') return TextUpTo(s_.find('<', pos_ + 1));
            if (s_.compare(pos_, 4, "<!--") == 0) {
                size_t end = s_.find("-->", pos_ + 4);
                pos_ = end == std::string_view::npos ? s_.size() : end + 3;
                continue;
            }
            size_t at = pos_ + 1;
            t.Closing = at < s_.size() && s_[at] == '/';
            if (t.Closing) ++at;
            size_t nameEnd = at;
            if (nameEnd < s_.size() && (s_[nameEnd] == '!' || s_[nameEnd] == '?')) ++nameEnd;
            while (nameEnd < s_.size() && IsNameChar(s_[nameEnd])) ++nameEnd;
            if (nameEnd == at) return TextUpTo(s_.find('<', pos_ + 1));
            size_t end = TagEnd(nameEnd);
            t.Kind = TToken::tkTag;
            t.Text = s_.substr(at, nameEnd - at);
            t.Id = TagIdOf(t.Text);
            t.Attrs = s_.substr(nameEnd, end - nameEnd);
            pos_ = end < s_.size() ? end + 1 : end;
            return t;
        }
        return t;
    }

private:
    TToken TextUpTo(size_t end) {
        if (end == std::string_view::npos) end = s_.size();
        TToken t;
        t.Kind = TToken::tkText;
        t.Text = s_.substr(pos_, end - pos_);
        pos_ = end;
        return t;
    }

    // The ">" that ends a tag; a quoted attribute value may hold ">" and line breaks. A value
    // whose quote does not close before a line that starts a list item or heading is taken as
    // an ordinary character, and the tag then ends at the latest with its line, so that neither
    // swallows the lines that follow.
    size_t TagEnd(size_t from) {
        bool afterEquals = false, unclosedQuote = false;
        for (size_t i = from; i < s_.size(); ++i) {
            char c = s_[i];
            if (c == '>') return i;
            if (unclosedQuote && (c == '\r' || c == '\n')) return i;
            if (afterEquals && (c == '"' || c == '\'')) {
                const size_t close = quotes_.Close(i);
                if (close != std::string_view::npos)
                    i = close;
                else
                    unclosedQuote = true;
                afterEquals = false;
            } else if (c == '=') {
                afterEquals = true;
            } else if (!IsBlank(c)) {
                afterEquals = false;
            }
        }
        return s_.size();
    }

    std::string_view s_;
    size_t pos_ = 0;
    TQuoteCloser quotes_{s_};
};

// The value of one attribute (name in lower case) of a tag's attribute text.
bool FindAttribute(std::string_view attrs, std::string_view name, std::string_view& value) {
    size_t i = 0;
    while (i < attrs.size()) {
        while (i < attrs.size() && (IsBlank(attrs[i]) || attrs[i] == '/')) ++i;
        size_t start = i;
        while (i < attrs.size() && !IsBlank(attrs[i]) && attrs[i] != '=') ++i;
        std::string_view attr = attrs.substr(start, i - start);
        while (i < attrs.size() && IsBlank(attrs[i])) ++i;
        std::string_view v;
        if (i < attrs.size() && attrs[i] == '=') {
            ++i;
            while (i < attrs.size() && IsBlank(attrs[i])) ++i;
            if (i < attrs.size() && (attrs[i] == '"' || attrs[i] == '\'')) {
                // The tag holds the value up to its closing quote; an unclosed value ends with
                // the tag, at its line's end.
                size_t close = attrs.find(attrs[i], i + 1);
                if (close == std::string_view::npos) close = attrs.size();
                v = attrs.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                size_t vs = i;
                while (i < attrs.size() && !IsBlank(attrs[i])) ++i;
                v = attrs.substr(vs, i - vs);
            }
        }
        if (attr.size() == name.size() && FindNoCase(attr, name) == 0) {
            value = v;
            return true;
        }
        if (i == start) ++i;
    }
    return false;
}

// True when the head of the file (before its first list) declares UTF-8.
bool DeclaresUtf8(std::string_view bytes) {
    size_t listAt = std::min(FindNoCase(bytes, "<dl"), FindNoCase(bytes, "<dt"));
    std::string_view head = bytes.substr(0, listAt);
    for (size_t at = FindNoCase(head, "<meta"); at != std::string_view::npos;
         at = FindNoCase(head, "<meta", at + 5)) {
        size_t end = head.find('>', at);
        std::string tag;
        for (char c : head.substr(at, end == std::string_view::npos ? head.npos : end - at))
            if (!IsBlank(c) && c != '"' && c != '\'') tag += FoldAscii(c);
        if (tag.find("charset=utf-8") != std::string::npos ||
            tag.find("charset=utf8") != std::string::npos)
            return true;
    }
    return false;
}

// Text of the file as UTF-8: a file that declares no UTF-8 is in Windows-1252.
std::string AsUtf8(std::string_view raw, bool utf8) {
    return utf8 ? std::string(raw) : AnsiToUtf8(raw);
}

// The UTF-8 bytes of one code point; '?' for no character (NUL, surrogates, beyond Unicode).
void AppendCodePoint(std::string& out, uint32_t c) {
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        out += '?';
    else
        AppendUtf8CodePoint(out, c);
}

// The references of UTF-8 text decoded into UTF-8; what is no known reference stays.
std::string DecodeEntitiesUtf8(std::string_view text) {
    if (text.find('&') == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        size_t semi = text.find(';', i + 1);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += '&';
            continue;
        }
        std::string_view ref = text.substr(i + 1, semi - i - 1);
        uint32_t code = 0;
        bool ok = true;
        if (ref == "amp")
            code = '&';
        else if (ref == "lt")
            code = '<';
        else if (ref == "gt")
            code = '>';
        else if (ref == "quot")
            code = '"';
        else if (ref == "apos")
            code = '\'';
        else if (ref == "nbsp")
            code = 0xA0;
        else if (ref.size() >= 2 && ref[0] == '#') {
            bool hex = ref[1] == 'x' || ref[1] == 'X';
            std::string_view digits = ref.substr(hex ? 2 : 1);
            ok = !digits.empty();
            for (char c : digits) {
                int d = (c >= '0' && c <= '9') ? c - '0'
                        : hex && (FoldAscii(c) >= 'a' && FoldAscii(c) <= 'f')
                            ? FoldAscii(c) - 'a' + 10
                            : -1;
                if (d < 0 || code > 0x10FFFF) {
                    ok = false;
                    break;
                }
                code = code * (hex ? 16 : 10) + uint32_t(d);
            }
        } else {
            ok = false;
        }
        if (!ok) {
            out += '&';
            continue;
        }
        AppendCodePoint(out, code);
        i = semi;
    }
    return out;
}

// Text that reads the same in every encoding and holds no reference: most names and URLs.
bool IsPlainAscii(std::string_view raw) {
    for (char c : raw)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '&') return false;
    return true;
}

// A name or folder text as stored: references decoded, controls as blanks, trimmed.
std::string CleanText(std::string_view raw, bool utf8) {
    std::string text =
        IsPlainAscii(raw) ? std::string(raw) : Utf8ToAnsi(DecodeEntitiesUtf8(AsUtf8(raw, utf8)));
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

// An HREF value as stored: references decoded, characters without a Windows-1252 byte
// percent-encoded, so the address stays the one the file gave.
std::string UrlText(std::string_view raw, bool utf8) {
    if (IsPlainAscii(raw)) return std::string(raw);
    return Utf8UrlToAnsi(DecodeEntitiesUtf8(AsUtf8(raw, utf8)));
}

// Tags that end a description and a link's or folder's text when their end tag is missing.
bool IsStructural(const TToken& t) {
    return t.Is(tgDT) || t.Is(tgDL) || t.Is(tgDD) || t.Is(tgHR) || t.Is(tgH3);
}

// The text up to the end tag `end`, inner tags skipped.
std::string CollectText(TMarkupScanner& scanner, TTagId end) {
    std::string text;
    for (;;) {
        size_t before = scanner.Position();
        TToken t = scanner.Next();
        if (t.Kind == TToken::tkEnd) break;
        if (t.Kind == TToken::tkText) {
            text.append(t.Text);
        } else if (t.Closing && t.Is(end)) {
            break;
        } else if (IsStructural(t)) {
            scanner.Rewind(before);
            break;
        }
    }
    return text;
}

// The open <DL> lists, innermost last. A list opened under a heading is named by it; the
// outermost list and lists without a heading have no name. A link's categories are the names of
// the first three named lists around it, so only those names are kept: what opens and closes
// above them is counted, never walked.
class TOpenLists {
public:
    void Open(std::string name) {
        const bool named = !name.empty();
        if (named && named_ < 3) outer_[named_] = std::move(name);
        named_ += named;
        lists_.push_back(named);
    }
    // A close without an open list is ignored.
    void Close() {
        if (lists_.empty()) return;
        named_ -= lists_.back();
        lists_.pop_back();
    }
    void Categories(TBookmarkLink& link) const {
        std::string* categories[] = {&link.Category1, &link.Category2, &link.Category3};
        for (size_t i = 0; i < 3 && i < named_; ++i) *categories[i] = outer_[i];
    }

private:
    std::vector<bool> lists_;  // whether each open list is named
    size_t named_ = 0;         // how many of them are
    std::string outer_[3];     // the names of the first three
};

}  // namespace

std::vector<TBookmarkLink> ParseBookmarkFile(std::string_view bytes) {
    // The markup is ASCII in either encoding: the file is scanned as it stands and each text
    // taken out of it is decoded.
    static constexpr std::string_view Bom = "\xEF\xBB\xBF";
    std::string_view text = bytes;
    bool utf8 = false;
    if (bytes.substr(0, Bom.size()) == Bom) {
        text.remove_prefix(Bom.size());
        utf8 = true;
    } else {
        utf8 = DeclaresUtf8(bytes);
    }

    std::vector<TBookmarkLink> links;
    TOpenLists lists;
    std::string pending;
    bool hasPending = false;
    bool inDescription = false;
    TMarkupScanner scanner(text);
    for (TToken t = scanner.Next(); t.Kind != TToken::tkEnd; t = scanner.Next()) {
        if (t.Kind != TToken::tkTag) continue;
        if (t.Is(tgDT) || t.Is(tgHR) || t.Is(tgDL)) inDescription = false;
        if (inDescription) continue;
        if (t.Is(tgDD)) {
            if (!t.Closing) inDescription = true;
        } else if (t.Is(tgDT)) {
            hasPending = false;
        } else if (t.Is(tgDL)) {
            if (!t.Closing)
                lists.Open(hasPending ? std::move(pending) : std::string());
            else
                lists.Close();
            hasPending = false;
        } else if (t.Is(tgH3) && !t.Closing) {
            pending = CleanText(CollectText(scanner, tgH3), utf8);
            hasPending = true;
        } else if (t.Is(tgA) && !t.Closing) {
            std::string_view href;
            if (!FindAttribute(t.Attrs, "href", href)) continue;
            TBookmarkLink link;
            link.URL = UrlText(href, utf8);
            link.Name = CleanText(CollectText(scanner, tgA), utf8);
            if (link.Name.empty()) link.Name.assign(1, '_');
            lists.Categories(link);
            if (!link.URL.empty()) links.push_back(std::move(link));
        }
    }
    return links;
}

int ImportBookmarkFile(TBankState& bank, const std::string& fileName) {
    const std::string bytes = ReadFileBytes(fileName);
    std::vector<TBookmarkLink> links = ParseBookmarkFile(bytes);
    TImportBatch batch(bank);
    batch.Reserve(links.size());
    for (TBookmarkLink& link : links) {
        TEntry entry;
        entry.Name = std::move(link.Name);
        entry.URL = std::move(link.URL);
        entry.Category1 = std::move(link.Category1);
        entry.Category2 = std::move(link.Category2);
        entry.Category3 = std::move(link.Category3);
        batch.Append(std::move(entry));
    }
    ReportImport(bank, batch.Count());
    FinishImport(bank);
    return batch.Count();
}
