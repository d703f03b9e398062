// The INI files of the settings store.
#include "StRegIniFile.h"

#include <platform/Exceptions.h>
#include <platform/FileUtils.h>
#include <platform/SysUtils.h>

namespace {

bool SectionHeader(const std::string& line, std::string& name) {
    std::string t = TrimLeft(line);
    if (t.empty() || t[0] != '[') return false;
    size_t end = t.find(']');
    name = Trim(t.substr(1, end == std::string::npos ? std::string::npos : end - 1));
    return true;
}

bool KeyLine(const std::string& line, std::string& key, std::string& value) {
    std::string t = TrimLeft(line);
    size_t eq = t.find('=');
    if (t.empty() || t[0] == ';' || t[0] == '[' || eq == std::string::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return !key.empty();
}

// The lines [first, end) of a section's body; first is npos when the section is missing.
struct Span {
    size_t header = std::string::npos;
    size_t end = 0;
    bool Found() const { return header != std::string::npos; }
};

Span FindSection(const std::vector<std::string>& lines, const std::string& section) {
    Span s;
    std::string name;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!SectionHeader(lines[i], name)) continue;
        if (s.Found()) {
            s.end = i;
            return s;
        }
        if (SameText(name, section)) s.header = i;
    }
    s.end = lines.size();
    return s;
}

// The index of a key's line within a section, or npos.
size_t FindKey(const std::vector<std::string>& lines, const Span& s, const std::string& key) {
    std::string k, v;
    for (size_t i = s.header + 1; i < s.end; ++i)
        if (KeyLine(lines[i], k, v) && SameText(k, key)) return i;
    return std::string::npos;
}

}  // namespace

std::vector<std::string> TStIniFile::Load() const {
    if (!FileExists(fileName_)) return {};
    try {
        return ReadTextLines(fileName_);
    } catch (const Exception&) {
        return {};  // an unreadable file reads as empty, as a missing one does
    }
}

bool TStIniFile::Save(const std::vector<std::string>& lines) const {
    try {
        WriteFileAtomic(fileName_, JoinLinesCRLF(lines));
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool TStIniFile::ReadValue(const std::string& section, const std::string& key,
                           std::string& value) const {
    auto lines = Load();
    Span s = FindSection(lines, section);
    if (!s.Found()) return false;
    size_t i = FindKey(lines, s, key);
    std::string k;
    return i != std::string::npos && KeyLine(lines[i], k, value);
}

bool TStIniFile::SectionExists(const std::string& section) const {
    return FindSection(Load(), section).Found();
}

std::vector<std::string> TStIniFile::SectionNames() const {
    std::vector<std::string> names;
    std::string name;
    for (const auto& line : Load())
        if (SectionHeader(line, name)) names.push_back(name);
    return names;
}

std::vector<std::string> TStIniFile::KeyNames(const std::string& section) const {
    auto lines = Load();
    Span s = FindSection(lines, section);
    std::vector<std::string> names;
    std::string k, v;
    if (s.Found())
        for (size_t i = s.header + 1; i < s.end; ++i)
            if (KeyLine(lines[i], k, v)) names.push_back(k);
    return names;
}

bool TStIniFile::WriteValue(const std::string& section, const std::string& key,
                            const std::string& value) {
    auto lines = Load();
    Span s = FindSection(lines, section);
    std::string line = key + "=" + value;
    if (!s.Found()) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(line);
        return Save(lines);
    }
    size_t i = FindKey(lines, s, key);
    if (i != std::string::npos) {
        lines[i] = line;
    } else {
        size_t at = s.end;  // after the section's last non-blank line
        while (at > s.header + 1 && Trim(lines[at - 1]).empty()) --at;
        lines.insert(lines.begin() + std::ptrdiff_t(at), line);
    }
    return Save(lines);
}

bool TStIniFile::DeleteKey(const std::string& section, const std::string& key) {
    auto lines = Load();
    Span s = FindSection(lines, section);
    size_t i = s.Found() ? FindKey(lines, s, key) : std::string::npos;
    if (i == std::string::npos) return true;
    lines.erase(lines.begin() + std::ptrdiff_t(i));
    return Save(lines);
}

bool TStIniFile::DeleteSection(const std::string& section) {
    auto lines = Load();
    Span s = FindSection(lines, section);
    if (!s.Found()) return true;
    lines.erase(lines.begin() + std::ptrdiff_t(s.header), lines.begin() + std::ptrdiff_t(s.end));
    return Save(lines);
}
