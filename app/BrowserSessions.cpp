// Reading the page a browser shows from its session file.
#include "BrowserSessions.h"

#include <lz4.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/Codec.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

uint32_t LoadLE32(const char* p) {
    return uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16 |
           uint32_t(uint8_t(p[3])) << 24;
}

// ---- Firefox ----

constexpr std::string_view FirefoxMagic{"mozLz40\0", 8};

// The text as the event reader gets it. Runs of blanks between tokens reach it as one blank,
// and a string longer than MaxKeptString is cut before a character or escape after that length
// (its closing quote kept), so the reader's buffers and any message it builds stay small
// whatever the text holds. A token outside strings longer than MaxTokenRun ends the text, and
// so does a run of structure (brackets, braces, commas, colons, blanks and the words null, true
// and false) longer than MaxStructureRun with no string or number in it: the reader keeps every
// character of such a run until the next string or number, and no valid session holds one.
class TSessionText {
public:
    static constexpr size_t MaxKeptString = 1u << 20;
    static constexpr size_t MaxTokenRun = 1024;
    static constexpr size_t MaxStructureRun = 1u << 20;

    explicit TSessionText(std::string_view text) : s_(text) {}

    bool AtEnd() const { return pos_ >= s_.size(); }
    char Current() const { return s_[pos_]; }
    // The string read last was cut.
    bool StringCut() const { return cut_; }

    void Advance() {
        const char c = s_[pos_++];
        if (!inString_) {
            // A string or a number starts the reader's kept characters anew.
            if (c == '"' || c == '-' || (c >= '0' && c <= '9'))
                structure_ = 0;
            else if (++structure_ > MaxStructureRun)
                pos_ = s_.size();
            if (c == '"') {
                inString_ = true;
                cut_ = highSurrogate_ = false;
                length_ = escape_ = 0;
                run_ = 0;
            } else if (IsBlank(c)) {
                while (pos_ < s_.size() && IsBlank(s_[pos_])) ++pos_;
                run_ = 0;
            } else if (std::string_view("{}[],:").find(c) != std::string_view::npos) {
                run_ = 0;
            } else if (++run_ > MaxTokenRun) {
                pos_ = s_.size();
            }
            return;
        }
        if (escape_ > 0) {
            // After the backslash: the letter, then the four digits of a "\u".
            if (escape_ == EscapeLetter) {
                escape_ = c == 'u' ? 4 : 0;
                highSurrogate_ = false;
            } else if (--escape_ == 0) {
                highSurrogate_ = IsHighSurrogate(s_.substr(pos_ - 4, 4));
            }
        } else if (c == '\\') {
            escape_ = EscapeLetter;
        } else if (c == '"') {
            inString_ = false;
            return;
        } else {
            highSurrogate_ = false;
        }
        if (++length_ >= MaxKeptString && escape_ == 0 && pos_ < s_.size() && CutsCleanly(s_[pos_]))
            SkipToClosingQuote();
    }

private:
    static constexpr int EscapeLetter = 5;

    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    // The four digits of a "\u" escape of the first half of a surrogate pair (D800-DBFF).
    static bool IsHighSurrogate(std::string_view digits) {
        return (digits[0] == 'd' || digits[0] == 'D') &&
               std::string_view("89abAB").find(digits[1]) != std::string_view::npos;
    }
    // What comes before `c` is a whole string: `c` starts a character of its own, or an escape
    // that does not finish a surrogate pair.
    bool CutsCleanly(char c) const {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\') return !highSurrogate_;
        return c != '"' && (b < 0x80 || b >= 0xC0);
    }
    void SkipToClosingQuote() {
        cut_ = true;
        while (pos_ < s_.size() && s_[pos_] != '"') pos_ += s_[pos_] == '\\' ? 2 : 1;
        pos_ = std::min(pos_, s_.size());
    }

    std::string_view s_;
    size_t pos_ = 0;
    bool inString_ = false, cut_ = false;
    bool highSurrogate_ = false;  // the last escape was the first half of a surrogate pair
    size_t length_ = 0, run_ = 0, structure_ = 0;
    int escape_ = 0;
};

// The filtered text as the input iterator the JSON library reads; the end iterator has no text.
class TSessionTextIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    explicit TSessionTextIterator(TSessionText* text = nullptr) : text_(text) {}
    char operator*() const { return text_->Current(); }
    TSessionTextIterator& operator++() {
        text_->Advance();
        return *this;
    }
    bool operator==(const TSessionTextIterator& other) const { return AtEnd() == other.AtEnd(); }
    bool operator!=(const TSessionTextIterator& other) const { return !(*this == other); }

private:
    bool AtEnd() const { return !text_ || text_->AtEnd(); }
    TSessionText* text_;
};

// The members a pass looks at.
enum class TSessionKey {
    Other,
    Version,
    Windows,
    SelectedWindow,
    Tabs,
    Selected,
    Index,
    Entries,
    Url,
    Title
};

TSessionKey SessionKeyOf(std::string_view key) {
    static const std::pair<std::string_view, TSessionKey> keys[] = {
        {"version", TSessionKey::Version},
        {"windows", TSessionKey::Windows},
        {"selectedWindow", TSessionKey::SelectedWindow},
        {"tabs", TSessionKey::Tabs},
        {"selected", TSessionKey::Selected},
        {"index", TSessionKey::Index},
        {"entries", TSessionKey::Entries},
        {"url", TSessionKey::Url},
        {"title", TSessionKey::Title}};
    for (const auto& [name, id] : keys)
        if (key == name) return id;
    return TSessionKey::Other;
}

// One step down from an object: the element `Index` (from 0) of its array member `List`.
struct TSessionStep {
    TSessionKey List;
    size_t Index;
};

// One pass of events over the session text, after the object at the end of a path of steps
// from the top object (the target): its integer member `Position`, the length of its array
// member `List`, its "url" and "title"; at the top, whether "version" is the one layout read.
// It keeps nothing else and counts its depth only, refusing nesting deeper than MaxDepth. The
// pass stops once a target below the top has ended.
class TSessionPass : public nlohmann::json_sax<json> {
public:
    static constexpr int MaxDepth = 512;

    TSessionPass(std::vector<TSessionStep> path, TSessionKey position, TSessionKey list)
        : path_(std::move(path)), position_(position), list_(list) {}

    // Runs the pass over a text; false when it is damaged or too deep, or the target is not
    // there.
    bool Run(std::string_view text) {
        TSessionText filtered(text);
        text_ = &filtered;
        const bool parsed =
            json::sax_parse(TSessionTextIterator(&filtered), TSessionTextIterator(), this);
        text_ = nullptr;
        return (parsed || stopped_) && !badVersion_ && Found;
    }

    bool Found = false;
    std::optional<int64_t> Position;
    std::optional<size_t> ListLength;
    std::optional<std::string> Url, Title;

    bool null() override { return Scalar(false); }
    bool boolean(bool) override { return Scalar(false); }
    bool number_integer(number_integer_t value) override { return Integer(value); }
    bool number_unsigned(number_unsigned_t value) override {
        return Integer(value <= uint64_t(INT64_MAX) ? int64_t(value) : -1);
    }
    bool number_float(number_float_t, const string_t&) override { return Scalar(false); }
    bool string(string_t& value) override {
        if (InTarget() && (key_ == TSessionKey::Url || key_ == TSessionKey::Title)) {
            std::optional<std::string>& kept = key_ == TSessionKey::Url ? Url : Title;
            if (text_->StringCut())
                kept.reset();
            else
                kept = value;
        }
        return Scalar(versionItems_ == 0 && value == "sessionrestore");
    }
    bool binary(binary_t&) override { return Scalar(false); }
    bool start_object(std::size_t) override { return Open(true); }
    bool start_array(std::size_t) override { return Open(false); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool key(string_t& value) override {
        if (depth_ == chain_) key_ = SessionKeyOf(value);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    int TargetDepth() const { return 2 * int(path_.size()) + 1; }
    bool InTarget() const { return depth_ == chain_ && chain_ == TargetDepth(); }
    bool InVersion() const { return versionDepth_ != 0 && depth_ == versionDepth_; }
    // The value of the top object's "version" begins.
    bool VersionAtTop() const { return depth_ == 1 && chain_ == 1 && key_ == TSessionKey::Version; }

    // A value begins at the current depth: an element of the path's array or of the list, a
    // member of the target or an item of the version.
    void Begin(bool isObject) {
        if (depth_ == chain_ && chain_ % 2 == 0 && chain_ > 0) {
            const size_t element = element_++;
            entering_ = isObject && element == path_[size_t(chain_ / 2 - 1)].Index;
        }
        if (listDepth_ != 0 && depth_ == listDepth_) ++*ListLength;
    }
    // A scalar; `versionItem`: it is what the version holds at this place.
    bool Scalar(bool versionItem) {
        Begin(false);
        if (InTarget() && key_ == position_) Position.reset();
        if (VersionAtTop() || (InVersion() && !versionItem)) badVersion_ = true;
        if (InVersion()) ++versionItems_;
        key_ = TSessionKey::Other;
        return true;
    }
    bool Integer(int64_t value) {
        const bool isPosition = InTarget() && key_ == position_;
        Scalar(versionItems_ == 1 && value == 1);
        if (isPosition) Position = value;
        return true;
    }
    bool Open(bool isObject) {
        Begin(isObject);
        if (InVersion() || (isObject && VersionAtTop())) badVersion_ = true;
        const TSessionKey key = key_;
        key_ = TSessionKey::Other;
        if (++depth_ > MaxDepth) return false;
        if (depth_ == 1) {
            if (isObject) chain_ = 1;
        } else if (entering_) {
            chain_ = depth_;
            entering_ = false;
        } else if (!isObject && depth_ - 1 == chain_) {
            const size_t step = size_t(chain_ - 1) / 2;
            if (step < path_.size() && key == path_[step].List) {
                chain_ = depth_;
                element_ = 0;
            } else if (chain_ == TargetDepth() && key == list_) {
                listDepth_ = depth_;
                ListLength = 0;
            } else if (chain_ == 1 && key == TSessionKey::Version) {
                versionDepth_ = depth_;
                versionItems_ = 0;
            }
        }
        return true;
    }
    bool Close() {
        if (depth_ == versionDepth_) {
            if (versionItems_ != 2) badVersion_ = true;
            versionDepth_ = 0;
        }
        if (depth_ == listDepth_) listDepth_ = 0;
        const bool targetEnds = depth_ == chain_ && chain_ == TargetDepth();
        if (depth_ == chain_) chain_ = depth_ - 1;
        --depth_;
        key_ = TSessionKey::Other;
        if (!targetEnds) return true;
        Found = true;
        stopped_ = depth_ > 0;
        return !stopped_;
    }

    const TSessionText* text_ = nullptr;
    std::vector<TSessionStep> path_;
    TSessionKey position_, list_;
    TSessionKey key_ = TSessionKey::Other;
    int depth_ = 0, chain_ = 0, listDepth_ = 0, versionDepth_ = 0;
    size_t element_ = 0, versionItems_ = 0;
    bool entering_ = false, badVersion_ = false, stopped_ = false;
};

// A 1-based position, or `fallback` when there is none in 1..count.
size_t OneBased(const std::optional<int64_t>& value, size_t count, size_t fallback) {
    return value && *value >= 1 && uint64_t(*value) <= count ? size_t(*value) : fallback;
}

// The selected window, its selected tab and that tab's current entry, one pass for each, since
// a selection may follow what it selects.
std::optional<TBrowserPage> PageOfFirefoxText(std::string_view text) {
    std::vector<TSessionStep> path;
    const std::pair<TSessionKey, TSessionKey> levels[] = {
        {TSessionKey::SelectedWindow, TSessionKey::Windows},
        {TSessionKey::Selected, TSessionKey::Tabs},
        {TSessionKey::Index, TSessionKey::Entries}};
    for (const auto& [position, list] : levels) {
        TSessionPass pass(path, position, list);
        if (!pass.Run(text) || !pass.ListLength || *pass.ListLength == 0) return std::nullopt;
        // Without a valid index a tab's current entry is its last.
        const size_t fallback = list == TSessionKey::Entries ? *pass.ListLength : 1;
        path.push_back({list, OneBased(pass.Position, *pass.ListLength, fallback) - 1});
    }
    TSessionPass entry(path, TSessionKey::Other, TSessionKey::Other);
    if (!entry.Run(text) || !entry.Url || entry.Url->empty()) return std::nullopt;
    return TBrowserPage{*entry.Url, entry.Title.value_or(std::string())};
}

// ---- Chromium ----

// Command ids of the session file.
enum : uint8_t {
    cmdSetTabWindow = 0,
    cmdSetTabIndexInWindow = 2,
    cmdPrunedFromBack = 5,
    cmdUpdateTabNavigation = 6,
    cmdSetSelectedNavigationIndex = 7,
    cmdSetSelectedTabInIndex = 8,
    cmdPrunedFromFront = 11,
    cmdTabClosed = 16,
    cmdWindowClosed = 17,
    cmdSetActiveWindow = 20,
    cmdNavigationPathPruned = 24,
};

// Bounded little-endian reads over one command's payload.
class TPayload {
public:
    explicit TPayload(std::string_view bytes) : bytes_(bytes) {}
    std::optional<int32_t> Int(size_t at) const {
        if (at > bytes_.size() || bytes_.size() - at < 4) return std::nullopt;
        return int32_t(LoadLE32(bytes_.data() + at));
    }
    bool Ints(int32_t& a, int32_t& b) const {
        const auto x = Int(0), y = Int(4);
        if (!x || !y) return false;
        a = *x;
        b = *y;
        return true;
    }
    std::string_view Bytes() const { return bytes_; }

private:
    std::string_view bytes_;
};

// A pickle's fields in order: 32-bit integers and length-prefixed strings, each padded to 4.
class TPickleReader {
public:
    explicit TPickleReader(std::string_view body) : body_(body) {}
    std::optional<int32_t> Int() {
        if (body_.size() - pos_ < 4) return std::nullopt;
        const int32_t value = int32_t(LoadLE32(body_.data() + pos_));
        pos_ += 4;
        return value;
    }
    // `unit` bytes a character: 1 for 8-bit strings, 2 for UTF-16.
    std::optional<std::string_view> Chars(size_t unit) {
        const auto length = Int();
        if (!length || *length < 0 || size_t(*length) > (body_.size() - pos_) / unit)
            return std::nullopt;
        const size_t bytes = size_t(*length) * unit;
        const std::string_view chars = body_.substr(pos_, bytes);
        pos_ += std::min(body_.size() - pos_, (bytes + 3) & ~size_t(3));
        return chars;
    }

private:
    std::string_view body_;
    size_t pos_ = 0;
};

// The command at `at` (where its 2-byte size is) of a file, as its id and payload; nothing when
// the file does not hold it whole.
std::optional<std::pair<uint8_t, TPayload>> CommandAt(std::string_view file, size_t at) {
    if (at > file.size() || file.size() - at < 2) return std::nullopt;
    const size_t size = uint8_t(file[at]) | size_t(uint8_t(file[at + 1])) << 8;
    if (size == 0 || file.size() - at - 2 < size) return std::nullopt;
    return std::pair{uint8_t(file[at + 2]), TPayload(file.substr(at + 3, size - 1))};
}

// Calls `visit(id, payload, at)` for each whole command of a file after its header, in order,
// up to the first one cut short.
template <class TVisit>
void ForEachCommand(std::string_view file, TVisit visit) {
    for (size_t at = 8;;) {
        const auto command = CommandAt(file, at);
        if (!command) return;
        visit(command->first, command->second, uint32_t(at));
        at += 2 + 1 + command->second.Bytes().size();
    }
}

// An update of a tab's navigation entry: the tab, the entry's index, its URL and its title's
// UTF-16 bytes.
struct TNavigation {
    int32_t Tab = 0, Index = 0;
    std::string_view Url, Title;
};

std::optional<TNavigation> NavigationOf(TPayload payload) {
    TPickleReader header(payload.Bytes());
    const auto size = header.Int();
    if (!size || *size < 0 || size_t(*size) > payload.Bytes().size() - 4) return std::nullopt;
    TPickleReader pickle(payload.Bytes().substr(4, size_t(*size)));
    const auto tabId = pickle.Int();
    const auto index = pickle.Int();
    const auto url = pickle.Chars(1);
    if (!tabId || !index || !url || url->empty()) return std::nullopt;
    return TNavigation{*tabId, *index, *url, pickle.Chars(2).value_or(std::string_view())};
}

TBrowserPage PageOf(const TNavigation& navigation) {
    std::u16string units(navigation.Title.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] =
            char16_t(uint8_t(navigation.Title[2 * i]) | uint8_t(navigation.Title[2 * i + 1]) << 8);
    return {std::string(navigation.Url), Utf16ToUtf8(units)};
}

// The navigation entries of every tab: each tab's a tree ordered by entry index, over one pool
// of nodes, each node naming the command that set its entry. The trees are treaps, a node's
// priority a salted hash of its place in the pool, so no file can make them deep. A prune
// drops a range of indexes and lowers those after it by the range's length lazily: a node keeps
// how far the indexes below it are still to be lowered. Every operation takes time in the
// logarithm of the tab's entries; the pool holds a node for each entry kept, and reuses those
// of entries dropped.
class TEntryTrees {
public:
    static constexpr uint32_t None = UINT32_MAX;

    explicit TEntryTrees(uint64_t salt) : salt_(salt) {}
    // There will be at most `count` entries at once.
    void Reserve(size_t count) { nodes_.reserve(count); }

    // The entry at `index` of the tree at `root` is now the command at `command`.
    void Set(uint32_t& root, int32_t index, uint32_t command) {
        uint32_t before, at, after;
        Split(root, index, before, after);
        Split(after, int64_t(index) + 1, at, after);
        if (at == None) at = Allocate(index);
        nodes_[at].Command = command;
        root = Merge(Merge(before, at), after);
    }
    // Drops the entries at `index` up to `index + count` and lowers those after by `count`.
    void Prune(uint32_t& root, int32_t index, int64_t count) {
        uint32_t before, dropped, after;
        Split(root, index, before, after);
        Split(after, index + count, dropped, after);
        Free(dropped);
        // Those after are at index + count..INT32_MAX: count is below 2^32.
        if (after != None) Lower(after, uint32_t(count));
        root = Merge(before, after);
    }
    void Free(uint32_t& root) {
        if (root != None) freed_.push_back(root);
        root = None;
    }
    // The command of the tree's last entry.
    uint32_t Last(uint32_t root) const {
        while (nodes_[root].Right != None) root = nodes_[root].Right;
        return nodes_[root].Command;
    }
    // The command of the tree's last entry at or before `index`, else of its first.
    uint32_t AtOrBefore(uint32_t root, int32_t index) const {
        uint32_t found = None, first = root;
        for (int64_t lowered = 0; root != None;) {
            const TNode& node = nodes_[root];
            if (node.Index - lowered <= index) {
                found = root;
                lowered += node.Lower;
                root = node.Right;
            } else {
                first = root;
                lowered += node.Lower;
                root = node.Left;
            }
        }
        return nodes_[found != None ? found : first].Command;
    }

private:
    struct TNode {
        int32_t Index = 0;
        uint32_t Command = 0;
        uint32_t Left = None, Right = None;
        uint32_t Lower = 0;  // how far every index below the node is still to be lowered
    };

    uint32_t Priority(uint32_t node) const {
        uint64_t z = salt_ + node * 0x9E3779B97F4A7C15u;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return uint32_t(z ^ (z >> 31));
    }
    uint32_t Allocate(int32_t index) {
        uint32_t node;
        if (freed_.empty()) {
            node = uint32_t(nodes_.size());
            nodes_.emplace_back();
        } else {
            // A freed tree: its root is used, its branches stay freed.
            node = freed_.back();
            freed_.pop_back();
            for (const uint32_t branch : {nodes_[node].Left, nodes_[node].Right})
                if (branch != None) freed_.push_back(branch);
        }
        nodes_[node] = TNode{index};
        return node;
    }
    void Lower(uint32_t node, uint32_t by) {
        nodes_[node].Index = int32_t(nodes_[node].Index - int64_t(by));
        nodes_[node].Lower += by;
    }
    // The node's index and those of its branches' roots made true.
    void Push(uint32_t node) {
        TNode& n = nodes_[node];
        if (n.Lower == 0) return;
        for (const uint32_t branch : {n.Left, n.Right})
            if (branch != None) Lower(branch, n.Lower);
        n.Lower = 0;
    }
    // The tree at `root` as the one of indexes below `key` and the one of the others.
    void Split(uint32_t root, int64_t key, uint32_t& below, uint32_t& rest) {
        if (root == None) {
            below = rest = None;
            return;
        }
        Push(root);
        if (nodes_[root].Index < key) {
            below = root;
            Split(nodes_[root].Right, key, nodes_[root].Right, rest);
        } else {
            rest = root;
            Split(nodes_[root].Left, key, below, nodes_[root].Left);
        }
    }
    // One tree of two, every index of `low` below every index of `high`.
    uint32_t Merge(uint32_t low, uint32_t high) {
        if (low == None) return high;
        if (high == None) return low;
        if (Priority(low) > Priority(high)) {
            Push(low);
            nodes_[low].Right = Merge(nodes_[low].Right, high);
            return low;
        }
        Push(high);
        nodes_[high].Left = Merge(low, nodes_[high].Left);
        return high;
    }

    std::vector<TNode> nodes_;
    std::vector<uint32_t> freed_;  // roots of freed trees
    uint64_t salt_;
};

// A sorted set of ids, each with its place.
class TIds {
public:
    TIds() = default;
    explicit TIds(std::vector<int32_t> ids) {
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        ids_.assign(ids.begin(), ids.end());
    }
    size_t size() const { return ids_.size(); }
    std::optional<size_t> Find(int32_t id) const {
        const auto it = std::lower_bound(ids_.begin(), ids_.end(), id);
        if (it == ids_.end() || *it != id) return std::nullopt;
        return size_t(it - ids_.begin());
    }

private:
    std::vector<int32_t> ids_;
};

struct TChromiumTab {
    int32_t Window = 0;
    int32_t VisualIndex = 0;
    std::optional<int32_t> SelectedNavigation;
    uint32_t Made = 0;  // when it was made, from 1; 0 while it does not exist
    uint32_t Entries = TEntryTrees::None;
};

struct TChromiumWindow {
    int32_t SelectedTab = 0;  // the selected tab's visual index
    uint32_t FirstNamed = UINT32_MAX;
    bool Open = false;
};

// What the commands of a file say, kept of the tabs and windows that can hold the page: a tab
// that no command gives an entry, and a window no such tab is put in (other than window 0,
// where a tab is first), has no part in it. Everything kept is bounded by the commands.
class TChromiumSession {
public:
    explicit TChromiumSession(std::string_view file);
    // The active window, else the first named, that is open and has tabs with entries; its
    // selected tab among those in visual order; that tab's selected entry, else the nearest
    // before it, else the first; without a selected entry, the last.
    std::optional<TBrowserPage> Current() const;

private:
    void Apply(uint8_t id, TPayload payload, uint32_t at);
    // The tab kept for an id (made when it does not exist), or none.
    TChromiumTab* Tab(int32_t id);
    TChromiumTab* ExistingTab(int32_t id);
    TChromiumWindow* Window(int32_t id);
    TChromiumWindow* AddWindow(int32_t id);
    void Prune(int32_t tabId, int32_t index, int64_t count);

    std::string_view file_;
    TIds tabIds_, windowIds_;
    std::vector<TChromiumTab> tabs_;
    std::vector<TChromiumWindow> windows_;
    TEntryTrees entries_;
    std::optional<int32_t> activeWindow_;
    uint32_t made_ = 0, named_ = 0;
};

// The ids of tabs that some command gives an entry; how many such commands there are.
std::pair<TIds, size_t> TabsWithEntries(std::string_view file) {
    std::vector<int32_t> ids;
    size_t count = 0;
    ForEachCommand(file, [&](uint8_t id, TPayload payload, uint32_t) {
        const auto navigation = id == cmdUpdateTabNavigation ? NavigationOf(payload) : std::nullopt;
        if (!navigation) return;
        ++count;
        if (ids.empty() || ids.back() != navigation->Tab) ids.push_back(navigation->Tab);
    });
    return {TIds(std::move(ids)), count};
}

// Window 0 and the windows the file puts a tab of `tabs` in.
TIds WindowsOfTabs(std::string_view file, const TIds& tabs) {
    std::vector<int32_t> ids{0};
    ForEachCommand(file, [&](uint8_t id, TPayload payload, uint32_t) {
        int32_t window = 0, tab = 0;
        if (id == cmdSetTabWindow && payload.Ints(window, tab) && ids.back() != window &&
            tabs.Find(tab))
            ids.push_back(window);
    });
    return TIds(std::move(ids));
}

// A salt no file can foresee: the time and where the reader's state is.
uint64_t EntrySalt(const void* state) {
    return uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           uint64_t(reinterpret_cast<uintptr_t>(state));
}

TChromiumSession::TChromiumSession(std::string_view file) : file_(file), entries_(EntrySalt(this)) {
    auto [tabIds, navigations] = TabsWithEntries(file);
    tabIds_ = std::move(tabIds);
    windowIds_ = WindowsOfTabs(file, tabIds_);
    tabs_.resize(tabIds_.size());
    windows_.resize(windowIds_.size());
    entries_.Reserve(navigations);
    ForEachCommand(file,
                   [this](uint8_t id, TPayload payload, uint32_t at) { Apply(id, payload, at); });
}

TChromiumTab* TChromiumSession::ExistingTab(int32_t id) {
    const auto place = tabIds_.Find(id);
    return place && tabs_[*place].Made != 0 ? &tabs_[*place] : nullptr;
}

TChromiumTab* TChromiumSession::Tab(int32_t id) {
    const auto place = tabIds_.Find(id);
    if (!place) return nullptr;
    TChromiumTab& tab = tabs_[*place];
    if (tab.Made == 0) tab.Made = ++made_;
    return &tab;
}

TChromiumWindow* TChromiumSession::Window(int32_t id) {
    const auto place = windowIds_.Find(id);
    return place ? &windows_[*place] : nullptr;
}

TChromiumWindow* TChromiumSession::AddWindow(int32_t id) {
    TChromiumWindow* window = Window(id);
    if (window && !window->Open) {
        *window = {0, window->FirstNamed, true};
        if (window->FirstNamed == UINT32_MAX) window->FirstNamed = named_++;
    }
    return window;
}

void TChromiumSession::Prune(int32_t tabId, int32_t index, int64_t count) {
    TChromiumTab* tab = ExistingTab(tabId);
    if (!tab || count <= 0) return;
    entries_.Prune(tab->Entries, index, count);
    if (tab->SelectedNavigation && *tab->SelectedNavigation >= index) {
        const int64_t selected = *tab->SelectedNavigation;
        tab->SelectedNavigation = int32_t(selected >= index + count ? selected - count : index);
    }
}

void TChromiumSession::Apply(uint8_t id, TPayload payload, uint32_t at) {
    int32_t a = 0, b = 0;
    switch (id) {
        case cmdUpdateTabNavigation:
            if (const auto navigation = NavigationOf(payload))
                if (TChromiumTab* tab = Tab(navigation->Tab))
                    entries_.Set(tab->Entries, navigation->Index, at);
            break;
        case cmdSetActiveWindow:
            if (const auto window = payload.Int(0)) activeWindow_ = *window;
            break;
        case cmdWindowClosed:
            if (const auto window = payload.Int(0))
                if (TChromiumWindow* closed = Window(*window)) closed->Open = false;
            break;
        case cmdTabClosed:
            if (const auto tabId = payload.Int(0))
                if (TChromiumTab* tab = ExistingTab(*tabId)) {
                    entries_.Free(tab->Entries);
                    *tab = TChromiumTab();
                }
            break;
        default:
            if (!payload.Ints(a, b)) break;
            if (id == cmdSetTabWindow) {
                AddWindow(a);
                if (TChromiumTab* tab = Tab(b)) tab->Window = a;
            } else if (id == cmdSetTabIndexInWindow) {
                if (TChromiumTab* tab = Tab(a)) tab->VisualIndex = b;
            } else if (id == cmdSetSelectedNavigationIndex) {
                if (TChromiumTab* tab = Tab(a)) tab->SelectedNavigation = b;
            } else if (id == cmdSetSelectedTabInIndex) {
                if (TChromiumWindow* window = AddWindow(a)) window->SelectedTab = b;
            } else if (id == cmdPrunedFromBack) {
                Prune(a, b, int64_t(INT32_MAX) - b + 1);
            } else if (id == cmdPrunedFromFront) {
                Prune(a, 0, b);
            } else if (id == cmdNavigationPathPruned) {
                if (const auto count = payload.Int(8)) Prune(a, b, *count);
            }
            break;
    }
}

std::optional<TBrowserPage> TChromiumSession::Current() const {
    // The window: the active one comes first, the others in the order they were first named.
    const auto rank = [&](int32_t id) -> std::optional<int64_t> {
        const auto place = windowIds_.Find(id);
        if (!place || !windows_[*place].Open) return std::nullopt;
        return activeWindow_ == id ? -1 : int64_t(windows_[*place].FirstNamed);
    };
    std::optional<std::pair<int64_t, int32_t>> chosen;
    for (const TChromiumTab& tab : tabs_)
        if (tab.Entries != TEntryTrees::None)
            if (const auto r = rank(tab.Window); r && (!chosen || *r < chosen->first))
                chosen = {*r, tab.Window};
    if (!chosen) return std::nullopt;
    const int32_t windowId = chosen->second;
    std::vector<const TChromiumTab*> shown;
    for (const TChromiumTab& tab : tabs_)
        if (tab.Entries != TEntryTrees::None && tab.Window == windowId) shown.push_back(&tab);
    std::sort(shown.begin(), shown.end(), [](const TChromiumTab* x, const TChromiumTab* y) {
        return std::pair(x->VisualIndex, x->Made) < std::pair(y->VisualIndex, y->Made);
    });
    const int32_t selected =
        std::clamp(windows_[*windowIds_.Find(windowId)].SelectedTab, 0, int32_t(shown.size() - 1));
    const TChromiumTab& tab = *shown[size_t(selected)];
    const uint32_t at = tab.SelectedNavigation
                            ? entries_.AtOrBefore(tab.Entries, *tab.SelectedNavigation)
                            : entries_.Last(tab.Entries);
    return PageOf(*NavigationOf(CommandAt(file_, at)->second));
}

// ---- Files ----

std::optional<std::string> ReadBounded(const fs::path& path, size_t cap) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    // A file above the cap is not read; one that grows while it is read stops at the cap.
    const auto size = fs::file_size(path, ec);
    if (ec || size > cap) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes;
    bytes.reserve(size_t(size));
    std::array<char, 65536> chunk;
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        if (bytes.size() + size_t(in.gcount()) > cap) return std::nullopt;
        bytes.append(chunk.data(), size_t(in.gcount()));
    }
    if (in.bad()) return std::nullopt;
    return bytes;
}

// Entries of a folder, at most `limit` of them; none when it cannot be read.
std::vector<fs::path> FolderEntries(const fs::path& folder, size_t limit = 4096) {
    std::vector<fs::path> entries;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end && entries.size() < limit; it.increment(ec))
        entries.push_back(it->path());
    return entries;
}

void AddIfFile(std::vector<TBrowserSessionFile>& files, TBrowserFamily family, const fs::path& path,
               bool running) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return;
    const auto written = fs::last_write_time(path, ec);
    if (!ec) files.push_back({family, path, written, running});
}

// The browsers' locks are symbolic links naming the host and the process.
bool Locked(const fs::path& lock) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(lock, ec));
}

// Profile folders named by a Firefox profiles.ini.
std::vector<fs::path> FirefoxProfiles(const fs::path& root) {
    std::vector<fs::path> profiles;
    const auto ini = ReadBounded(root / "profiles.ini", 1u << 20);
    if (!ini) return profiles;
    bool inProfile = false;
    std::string path;
    bool relative = true;
    const auto flush = [&] {
        if (inProfile && !path.empty()) profiles.push_back(relative ? root / path : fs::path(path));
        path.clear();
        relative = true;
    };
    for (const std::string& raw : SplitLines(*ini)) {
        const std::string line = Trim(raw);
        if (!line.empty() && line[0] == '[') {
            flush();
            inProfile = line.rfind("[Profile", 0) == 0;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        if (key == "Path") path = value;
        if (key == "IsRelative") relative = value != "0";
    }
    flush();
    return profiles;
}

}  // namespace

std::optional<TBrowserPage> ReadFirefoxSession(std::string_view fileBytes) {
    if (fileBytes.size() < 12 || fileBytes.size() > MaxSessionFileSize ||
        fileBytes.substr(0, 8) != FirefoxMagic)
        return std::nullopt;
    const uint32_t size = LoadLE32(fileBytes.data() + 8);
    if (size == 0 || size > MaxSessionTextSize) return std::nullopt;
    std::string text;
    try {
        text.resize(size);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    const int unpacked = LZ4_decompress_safe(fileBytes.data() + 12, text.data(),
                                             int(fileBytes.size() - 12), int(size));
    if (unpacked != int(size)) return std::nullopt;
    try {
        return PageOfFirefoxText(text);
    } catch (const std::exception&) {
        // No memory for the reader's buffers, or a fault of the JSON library: no page.
        return std::nullopt;
    }
}

std::optional<TBrowserPage> ReadChromiumSession(std::string_view fileBytes) {
    if (fileBytes.size() < 8 || fileBytes.size() > MaxSessionFileSize ||
        fileBytes.substr(0, 4) != "SNSS")
        return std::nullopt;
    // 1: commands only; 3: with the marker after the initial state. 2 and 4 are encrypted.
    const uint32_t version = LoadLE32(fileBytes.data() + 4);
    if (version != 1 && version != 3) return std::nullopt;
    try {
        return TChromiumSession(fileBytes).Current();
    } catch (const std::exception&) {
        // No memory for what the commands name: no page.
        return std::nullopt;
    }
}

std::vector<TBrowserSessionFile> FindBrowserSessionFiles(const fs::path& home) {
    std::vector<TBrowserSessionFile> files;
    if (home.empty()) return files;
    for (const char* root :
         {".config/mozilla/firefox", ".mozilla/firefox", "snap/firefox/common/.mozilla/firefox",
          ".var/app/org.mozilla.firefox/.mozilla/firefox", ".librewolf"})
        for (const fs::path& profile : FirefoxProfiles(home / root))
            AddIfFile(files, TBrowserFamily::Firefox,
                      profile / "sessionstore-backups" / "recovery.jsonlz4",
                      Locked(profile / "lock"));
    for (const char* root :
         {".config/chromium", ".config/google-chrome", ".config/google-chrome-beta",
          ".config/google-chrome-unstable", ".config/BraveSoftware/Brave-Browser",
          ".config/microsoft-edge", ".config/vivaldi", "snap/chromium/common/chromium",
          ".var/app/org.chromium.Chromium/config/chromium",
          ".var/app/com.google.Chrome/config/google-chrome",
          ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser"}) {
        const bool running = Locked(home / root / "SingletonLock");
        for (const fs::path& profile : FolderEntries(home / root)) {
            AddIfFile(files, TBrowserFamily::Chromium, profile / "Current Session", running);
            for (const fs::path& file : FolderEntries(profile / "Sessions"))
                if (file.filename().string().rfind("Session_", 0) == 0)
                    AddIfFile(files, TBrowserFamily::Chromium, file, running);
        }
    }
    std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.Running != b.Running ? a.Running : a.Written > b.Written;
    });
    return files;
}

std::optional<TBrowserPage> ReadBrowserSessionFile(const TBrowserSessionFile& file) {
    std::optional<std::string> bytes;
    try {
        bytes = ReadBounded(file.Path, MaxSessionFileSize);
    } catch (const std::exception&) {
        // No memory for the file's bytes.
        return std::nullopt;
    }
    if (!bytes) return std::nullopt;
    return file.Family == TBrowserFamily::Firefox ? ReadFirefoxSession(*bytes)
                                                  : ReadChromiumSession(*bytes);
}

fs::path BrowserSessionHome() {
    for (const char* name : {"LORVANE_SESSIONS_HOME", "HOME"})
        if (const char* value = std::getenv(name); value && *value) return fs::path(value);
    return fs::path();
}

std::string BrowserWindowInfoReply(const TBrowserPage& page) {
    std::string title = Utf8ToAnsi(page.Title);
    std::replace(title.begin(), title.end(), '"', '\'');
    return "\"" + Utf8UrlToAnsi(StringReplaceAll(page.URL, "\"", "%22")) + "\",\"" + title + "\"";
}
