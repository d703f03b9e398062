// The registry's key tree and the reader and writer of its file text.
#include "RegistryTree.h"

#include <algorithm>
#include <cstring>

#include "platform/SysUtils.h"

namespace {

constexpr std::string_view Signature = "LORVANE-REGISTRY 1";
constexpr std::array<const char*, 4> RootNames = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                  "HKEY_LOCAL_MACHINE", "HKEY_USERS"};
constexpr char Digits[] = "0123456789abcdef";

bool NeedsEscape(unsigned char c) {
    return c < 0x20 || c >= 0x7F;
}

void AppendHexByte(std::string& out, unsigned char c) {
    out += Digits[c >> 4];
    out += Digits[c & 15];
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Two hex digits at text[pos]; -1 when they are not there.
int HexPair(std::string_view text, size_t pos) {
    if (pos + 2 > text.size()) return -1;
    int hi = HexValue(text[pos]), lo = HexValue(text[pos + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (NeedsEscape(c)) {
            out += "\\x";
            AppendHexByte(out, c);
        } else
            out += ch;
    }
    out += '"';
}

void AppendKeyName(std::string& out, std::string_view name) {
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (NeedsEscape(c) || c == '%' || c == '[' || c == ']' || c == '\\') {
            out += '%';
            AppendHexByte(out, c);
        } else
            out += ch;
    }
}

void AppendHexData(std::string& out, std::string_view data) {
    for (size_t i = 0; i < data.size(); ++i) {
        if (i) out += ',';
        AppendHexByte(out, static_cast<unsigned char>(data[i]));
    }
}

void AppendValue(std::string& out, const TRegValue& v) {
    if (v.Name.empty())
        out += '@';
    else
        AppendQuoted(out, v.Name);
    out += '=';
    switch (v.Type) {
        case REG_SZ:
            out += "sz:";
            AppendQuoted(out, v.Data);
            break;
        case REG_EXPAND_SZ:
            out += "expand:";
            AppendQuoted(out, v.Data);
            break;
        case REG_DWORD:
            if (v.Data.size() == 4) {
                out += "dword:" + IntToHex(v.AsDWord(), 8);
                break;
            }
            [[fallthrough]];  // a DWORD of another length keeps its bytes as they are
        default:
            if (v.Type == REG_BINARY)
                out += "hex:";
            else
                out += "hex(" + std::to_string(v.Type) + "):";
            AppendHexData(out, v.Data);
            break;
    }
    out += '\n';
}

void AppendKey(std::string& out, const std::string& path, const TRegKeyNode& key) {
    out += "\n[";
    out += path;
    out += "]\n";
    for (const auto& v : key.Values) AppendValue(out, v);
    for (const auto& sub : key.SubKeys) {
        std::string subPath = path + '\\';
        AppendKeyName(subPath, sub->Name);
        AppendKey(out, subPath, *sub);
    }
}

// A cursor over one line of the file.
struct LineReader {
    std::string_view line;
    size_t pos = 0;

    bool AtEnd() const { return pos >= line.size(); }
    bool Take(std::string_view token) {
        if (line.substr(pos, token.size()) != token) return false;
        pos += token.size();
        return true;
    }

    bool Quoted(std::string& out) {
        if (!Take("\"")) return false;
        out.clear();
        while (pos < line.size()) {
            char c = line[pos++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos >= line.size()) return false;
            char e = line[pos++];
            if (e == '\\' || e == '"')
                out += e;
            else if (e == 'r')
                out += '\r';
            else if (e == 'n')
                out += '\n';
            else if (e == 'x') {
                int b = HexPair(line, pos);
                if (b < 0) return false;
                out += char(b);
                pos += 2;
            } else
                return false;
        }
        return false;  // no closing quote
    }

    bool HexBytes(std::string& out) {
        out.clear();
        if (AtEnd()) return true;
        for (;;) {
            int b = HexPair(line, pos);
            if (b < 0) return false;
            out += char(b);
            pos += 2;
            if (AtEnd()) return true;
            if (!Take(",")) return false;
        }
    }

    bool Decimal(uint32_t& out) {
        size_t start = pos;
        uint64_t v = 0;
        while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9' && pos - start < 10)
            v = v * 10 + uint64_t(line[pos++] - '0');
        out = uint32_t(v);
        return pos > start && v <= 0xFFFFFFFFu;
    }
};

bool ParseKeyName(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        int b = HexPair(text, i + 1);
        if (b < 0) return false;
        out += char(b);
        i += 2;
    }
    return !out.empty();
}

// "[ROOT\a\b]": creates the key and returns it, or nullptr for a bad header. A "\" that a
// name spells as %5C separates keys as every "\" does: no key name can hold one, and the
// path names the same key when the tree is written again.
TRegKeyNode* ParseSection(std::string_view header, TRegTree& tree) {
    auto names = std::vector<std::string_view>();
    size_t start = 0;
    for (;;) {
        size_t sep = header.find('\\', start);
        names.push_back(header.substr(start, sep == std::string_view::npos ? sep : sep - start));
        if (sep == std::string_view::npos) break;
        start = sep + 1;
    }
    auto it = std::find(RootNames.begin(), RootNames.end(), names[0]);
    if (it == RootNames.end() || names.size() - 1 > MaxRegKeyDepth) return nullptr;
    TRegKeyNode* key = &tree.Roots[size_t(it - RootNames.begin())];
    std::string name;
    size_t depth = 0;
    for (size_t i = 1; i < names.size(); ++i) {
        if (!ParseKeyName(names[i], name)) return nullptr;
        for (std::string_view part : SplitRegPath(name)) {
            if (++depth > MaxRegKeyDepth) return nullptr;
            key = &key->AddSubKey(part);
        }
    }
    return key;
}

bool ParseValue(std::string_view line, TRegValue& v) {
    LineReader r{line};
    v = TRegValue();
    if (!r.Take("@") && !r.Quoted(v.Name)) return false;
    if (!r.Take("=")) return false;
    bool ok;
    if (r.Take("sz:")) {
        v.Type = REG_SZ;
        ok = r.Quoted(v.Data);
    } else if (r.Take("expand:")) {
        v.Type = REG_EXPAND_SZ;
        ok = r.Quoted(v.Data);
    } else if (r.Take("dword:")) {
        std::string_view digits = line.substr(r.pos);
        if (digits.size() != 8) return false;
        std::string bytes;
        for (int i = 3; i >= 0; --i) {
            int b = HexPair(digits, size_t(i) * 2);
            if (b < 0) return false;
            bytes += char(b);
        }
        v.Type = REG_DWORD;
        v.Data = bytes;
        r.pos = line.size();
        ok = true;
    } else if (r.Take("hex:")) {
        v.Type = REG_BINARY;
        ok = r.HexBytes(v.Data);
    } else if (r.Take("hex(")) {
        ok = r.Decimal(v.Type) && r.Take("):") && r.HexBytes(v.Data);
    } else {
        return false;
    }
    return ok && r.AtEnd();
}

}  // namespace

uint32_t TRegNameIndex::Hash(std::string_view name) {
    // FNV-1a over the name with its ASCII letters in upper case, as SameText compares them.
    uint32_t hash = 2166136261u;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

void TRegNameIndex::Place(uint32_t hash, size_t position) const {
    const size_t mask = slots_.size() - 1;
    size_t at = hash & mask;
    while (slots_[at].position != 0) at = (at + 1) & mask;
    slots_[at] = {hash, uint32_t(position + 1)};
}

void TRegNameIndex::Reset() const {
    slots_.clear();
    indexed_ = 0;
}

int TRegKeyNode::SubKeyPosition(std::string_view name) const {
    return subKeyIndex_.Find(name, SubKeys.size(),
                             [this](size_t at) -> std::string_view { return SubKeys[at]->Name; });
}

TRegKeyNode* TRegKeyNode::FindSubKey(std::string_view name) const {
    const int i = SubKeyPosition(name);
    return i < 0 ? nullptr : SubKeys[size_t(i)].get();
}

TRegKeyNode& TRegKeyNode::AddSubKey(std::string_view name) {
    if (TRegKeyNode* k = FindSubKey(name)) return *k;
    SubKeys.push_back(std::make_unique<TRegKeyNode>());
    SubKeys.back()->Name = std::string(name);
    return *SubKeys.back();
}

bool TRegKeyNode::RemoveSubKey(std::string_view name) {
    const int i = SubKeyPosition(name);
    if (i < 0) return false;
    SubKeys.erase(SubKeys.begin() + i);
    subKeyIndex_.Reset();
    return true;
}

int TRegKeyNode::FindValue(std::string_view name) const {
    return valueIndex_.Find(name, Values.size(),
                            [this](size_t at) -> std::string_view { return Values[at].Name; });
}

void TRegKeyNode::RemoveValue(size_t index) {
    Values.erase(Values.begin() + std::ptrdiff_t(index));
    valueIndex_.Reset();
}

void TRegKeyNode::Clear() {
    SubKeys.clear();
    Values.clear();
    subKeyIndex_.Reset();
    valueIndex_.Reset();
}

void TRegTree::Clear() {
    for (auto& r : Roots) r.Clear();
}

std::vector<std::string_view> SplitRegPath(std::string_view path) {
    std::vector<std::string_view> names;
    size_t start = 0;
    while (start <= path.size()) {
        size_t sep = path.find('\\', start);
        if (sep == std::string_view::npos) sep = path.size();
        if (sep > start) names.push_back(path.substr(start, sep - start));
        start = sep + 1;
    }
    return names;
}

std::string WriteRegistryText(const TRegTree& tree) {
    std::string out(Signature);
    out += '\n';
    for (size_t r = 0; r < tree.Roots.size(); ++r) {
        const TRegKeyNode& root = tree.Roots[r];
        if (!root.Values.empty()) {
            out += '\n';
            out += '[';
            out += RootNames[r];
            out += "]\n";
            for (const auto& v : root.Values) AppendValue(out, v);
        }
        for (const auto& sub : root.SubKeys) {
            std::string path = RootNames[r];
            path += '\\';
            AppendKeyName(path, sub->Name);
            AppendKey(out, path, *sub);
        }
    }
    return out;
}

bool ReadRegistryText(std::string_view text, TRegTree& tree) {
    tree.Clear();
    bool signed_ = false;
    TRegKeyNode* key = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        bool ok;
        if (!signed_) {
            ok = signed_ = line == Signature;
        } else if (line.front() == '[') {
            ok = line.size() > 2 && line.back() == ']' &&
                 (key = ParseSection(line.substr(1, line.size() - 2), tree)) != nullptr;
        } else {
            TRegValue v;
            ok = key != nullptr && ParseValue(line, v);
            if (ok) {
                int i = key->FindValue(v.Name);
                if (i >= 0)
                    key->Values[size_t(i)] = std::move(v);
                else
                    key->Values.push_back(std::move(v));
            }
        }
        if (!ok) {
            tree.Clear();
            return false;
        }
    }
    if (!signed_) tree.Clear();
    return signed_;
}
