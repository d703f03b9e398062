// A browser's command line: from its desktop entry, and for one URL.
#include "DesktopEntry.h"

#include <map>
#include <string_view>

#include "CommandLine.h"
#include "UrlEncoding.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace {

// The field codes that stand for the URL.
bool IsUrlCode(char code) {
    return code == 'u' || code == 'U' || code == 'f' || code == 'F';
}

// A word's field codes ("%" and a letter) replaced by what `expand` gives for the letter.
template <class Expand>
std::string ExpandFieldCodes(const std::string& word, Expand expand) {
    std::string out;
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%' || i + 1 == word.size())
            out += word[i];
        else
            out += expand(word[++i]);
    }
    return out;
}

std::string EscapePercent(std::string_view text) {
    return StringReplaceAll(std::string(text), "%", "%%");
}

}  // namespace

std::string DesktopEntryCommand(const std::string& desktopEntry, const std::string& entryFile) {
    const std::map<std::string, std::string> keys = DesktopEntryGroup(desktopEntry);
    auto value = [&](const char* key) {
        const auto found = keys.find(key);
        return found == keys.end() ? std::string() : found->second;
    };
    const std::string icon = value("Icon"), name = value("Name");
    std::vector<std::string> words;
    for (const std::string& word : SplitCommandLine(value("Exec"))) {
        if (word == "%i") {
            if (!icon.empty()) words.insert(words.end(), {"--icon", EscapePercent(icon)});
            continue;
        }
        const std::string kept = ExpandFieldCodes(word, [&](char code) {
            if (code == '%' || IsUrlCode(code)) return std::string{'%', code};
            if (code == 'c') return EscapePercent(name);
            if (code == 'k') return EscapePercent(entryFile);
            return std::string();  // obsolete and unknown codes are dropped
        });
        if (!kept.empty() || word.empty()) words.push_back(kept);
    }
    return JoinCommandLine(words);
}

std::vector<std::string> BrowserCommand(const std::string& browser, const std::string& url) {
    const std::string argument = BrowserArgument(url);
    if (FileExists(browser)) return {browser, argument};
    std::vector<std::string> command;
    bool placed = false;
    for (const std::string& word : SplitCommandLine(browser)) {
        const std::string expanded = ExpandFieldCodes(word, [&](char code) {
            if (code == '%') return std::string("%");
            if (!IsUrlCode(code)) return std::string();
            placed = true;
            return argument;
        });
        if (!expanded.empty() || word.empty()) command.push_back(expanded);
    }
    if (command.empty()) return command;
    if (!placed) command.push_back(argument);
    return command;
}
