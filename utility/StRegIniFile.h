// The INI files of the settings store: sections of key=value lines, read and written in place.
#pragma once

#include <string>
#include <vector>

// Sections and keys compare ignoring ASCII case; the first occurrence counts. Values are
// trimmed and lose one pair of surrounding quotes (" or '). Lines starting with ";" and lines
// without "=" are kept but carry nothing. Every call reads the file afresh, and every change
// rewrites it (lines end in CR LF), so several stores on one file see each other's writes.
// A missing file reads as empty.
class TStIniFile {
public:
    explicit TStIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }

    bool ReadValue(const std::string& section, const std::string& key, std::string& value) const;
    bool SectionExists(const std::string& section) const;
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(const std::string& section) const;

    // False when the file cannot be written.
    bool WriteValue(const std::string& section, const std::string& key, const std::string& value);
    bool DeleteKey(const std::string& section, const std::string& key);
    bool DeleteSection(const std::string& section);

private:
    std::vector<std::string> Load() const;
    bool Save(const std::vector<std::string>& lines) const;

    std::string fileName_;
};
