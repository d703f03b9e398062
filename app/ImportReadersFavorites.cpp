// The Favorites import: a folder tree of internet-shortcut files, walked breadth first.
#include "ImportReaders.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>

#include "AppSeams.h"
#include "platform/Codec.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace fs = std::filesystem;

namespace {

// A shortcut file is a few lines; anything larger is not one.
constexpr std::uintmax_t MaxShortcutBytes = 64 * 1024;

// The URL of an internet-shortcut file; empty when it has none or cannot be read.
std::string ReadShortcutURL(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > MaxShortcutBytes) return std::string();
    std::ifstream in(file, std::ios::binary);
    std::string bytes(size_t(size), '\0');
    if (!in.read(bytes.data(), std::streamsize(size))) return std::string();
    // Shortcuts written on this system are UTF-8, older ones in the code page; files with a
    // byte-order mark say what they are. The URL keeps every character it holds.
    for (const std::string& line : SplitLines(UndeclaredTextToUtf8(bytes)))
        if (line.compare(0, 4, "URL=") == 0) return Utf8UrlToAnsi(line.substr(4));
    return std::string();
}

// The categories of a folder from its path components below the root; deeper folders put
// their shortcuts into their third-level folder.
void ImportFavoriteFile(TImportBatch& batch, const std::vector<std::string>& relative,
                        const fs::path& file) {
    TEntry entry;
    entry.Name = ChangeFileExt(FromNativePath(file.filename().native()), "").substr(0, 255);
    entry.URL = ReadShortcutURL(file);
    if (Trim(entry.Name).empty() || entry.URL.empty()) return;
    std::string* categories[] = {&entry.Category1, &entry.Category2, &entry.Category3};
    for (size_t i = 0; i < 3 && i < relative.size(); ++i) *categories[i] = relative[i];
    batch.Append(std::move(entry));
}

bool IsShortcutFile(const fs::path& file) {
    return UpperCase(ExtractFileExt(FromNativePath(file.filename().native()))) == ".URL";
}

}  // namespace

int ImportFavoritesFolder(TBankState& bank, const std::string& Root) {
    struct TFolder {
        fs::path Path;
        std::vector<std::string> Relative;
    };
    TImportBatch batch(bank);
    TEventPump pump(bank.SeamsOrHeadless());
    std::deque<TFolder> queue;
    queue.push_back({fs::path(ToNativePath(Root)), {}});
    while (!queue.empty()) {
        TFolder folder = std::move(queue.front());
        queue.pop_front();
        std::vector<fs::directory_entry> items;
        std::error_code ec;
        for (fs::directory_iterator it(folder.Path, ec), end; !ec && it != end; it.increment(ec))
            items.push_back(*it);
        // Which of two same-named shortcuts gets the "_" must not depend on the file system.
        std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
            return a.path().filename().native() < b.path().filename().native();
        });
        for (const fs::directory_entry& item : items) {
            pump.Tick();
            std::error_code e;
            // A link to a folder could lead back up the tree: only real folders are walked.
            if (item.is_symlink(e)) {
                if (fs::is_regular_file(item.status(e)) && IsShortcutFile(item.path()))
                    ImportFavoriteFile(batch, folder.Relative, item.path());
            } else if (item.is_directory(e)) {
                std::string name = FromNativePath(item.path().filename().native());
                if (SameText(name, "RECYCLED")) continue;
                // Only the first three levels name categories.
                std::vector<std::string> relative = folder.Relative;
                if (relative.size() < 3) relative.push_back(std::move(name));
                queue.push_back({item.path(), std::move(relative)});
            } else if (item.is_regular_file(e) && IsShortcutFile(item.path())) {
                ImportFavoriteFile(batch, folder.Relative, item.path());
            }
        }
    }
    ReportImport(bank, batch.Count());
    FinishImport(bank);
    return batch.Count();
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return IncludeTrailingPathDelimiter(home && *home ? FromNativePath(home) : std::string("/"));
}

std::string ProposedFavoritesFolder() {
    const std::string home = HomeFolder();
    return DirectoryExists(home + "Favorites") ? home + "Favorites/" : home;
}
