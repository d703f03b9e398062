// Command lines as desktop entries write them.
#include "CommandLine.h"

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) return words;
        std::string word;
        bool quoted = false;
        for (; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted && c == '\\' && i + 1 < line.size()) {
                word += line[++i];
            } else if (c == '"') {
                quoted = !quoted;
            } else if ((c == ' ' || c == '\t') && !quoted) {
                break;
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
}

std::string JoinCommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        if (!word.empty() && word.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) {
            line += word;
            continue;
        }
        line += '"';
        for (const char c : word) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') line += '\\';
            line += c;
        }
        line += '"';
    }
    return line;
}
