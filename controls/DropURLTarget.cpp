// The URL drop target: extraction of a URL and a title from dropped links and shortcut files.
#include "DropURLTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <map>

#include "platform/Codec.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace {

constexpr size_t kShortcutLimit = 64 * 1024;

// Senders end their text with a terminator and may leave bytes behind it; nothing after a
// NUL is text, and a NUL must not reach a URL.
std::string CutAtNul(std::string s) {
    s.resize(std::min(s.size(), s.find('\0')));
    return s;
}

bool IsBlank(std::string_view s) {
    return Trim(s).empty();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        int hi, lo;
        if (s[i] == '%' && i + 2 < s.size() && (hi = HexDigit(s[i + 1])) >= 0 &&
            (lo = HexDigit(s[i + 2])) >= 0) {
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// UTF-16 units from `from` on, as UTF-8; an odd last byte is not read.
std::string Utf16Bytes(std::string_view b, size_t from, bool bigEndian) {
    std::u16string u;
    for (size_t i = from; i + 1 < b.size(); i += 2) {
        auto lo = static_cast<unsigned char>(b[bigEndian ? i + 1 : i]);
        auto hi = static_cast<unsigned char>(b[bigEndian ? i : i + 1]);
        u += char16_t(hi << 8 | lo);
    }
    return Utf16ToUtf8(u);
}

// A UTF-8 payload without its byte-order mark.
std::string Utf8Text(std::string_view b) {
    if (b.substr(0, 3) == "\xEF\xBB\xBF") b.remove_prefix(3);
    return std::string(b);
}

// The text of "text/x-moz-url" data in UTF-8, up to the first NUL.
std::string MozUrlText(std::string_view b) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(b[i]); };
    if (b.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE)
        return CutAtNul(Utf16Bytes(b, 2, false));
    if (b.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF)
        return CutAtNul(Utf16Bytes(b, 2, true));
    // Without a mark: a URL starts with an ASCII character, whose UTF-16 form has a zero byte
    // and whose UTF-8 form has none. Only the first unit is judged, so a title outside Latin-1
    // and a stray odd byte at the end still decode.
    if (b.size() >= 2 && byte(1) == 0) return CutAtNul(Utf16Bytes(b, 0, false));
    if (b.size() >= 2 && byte(0) == 0) return CutAtNul(Utf16Bytes(b, 0, true));
    return CutAtNul(Utf8Text(b));
}

bool EndsWithExtension(const std::string& name, std::string_view ext) {
    return name.size() > ext.size() && LowerCase(name.substr(name.size() - ext.size())) == ext;
}

// The start of a regular file (a native path), at most the limit, without the line the limit
// cuts through; empty for anything else.
std::string ReadShortcutBytes(const std::string& nativePath) {
    // Non-blocking open: a FIFO named like a shortcut must not hang the drop.
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::string();
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // One byte past the limit tells a file that was cut from one that just fits.
        bytes.resize(kShortcutLimit + 1);
        size_t got = 0;
        while (got < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += size_t(n);
        }
        bytes.resize(got);
        if (got > kShortcutLimit) {
            // The line cut by the limit is incomplete: a URL in it would be a wrong one.
            bytes.resize(kShortcutLimit);
            const size_t end = bytes.find_last_of("\r\n");
            bytes.resize(end == std::string::npos ? 0 : end + 1);
        }
    }
    ::close(fd);
    return bytes;
}

}  // namespace

bool ParseInternetShortcut(std::string_view bytes, std::string& url) {
    url.clear();
    // Files written here are UTF-8, older ones are in the code page already; files carrying a
    // byte-order mark say what they are.
    const std::vector<std::string> lines = SplitLines(UndeclaredTextToUtf8(bytes));
    // Only lines before the last can open the section: a header on the last line has none.
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!SameText(lines[i], "[InternetShortcut]")) continue;
        for (size_t j = i + 1; j < lines.size(); ++j) {
            const std::string& line = lines[j];
            if (line.compare(0, 4, "URL=") == 0) {
                url = Utf8UrlToAnsi(CutAtNul(line.substr(4)));
                if (IsBlank(url)) url.clear();
                return !url.empty();
            }
            if (!line.empty() && line[0] == '[') return false;
        }
        return false;
    }
    return false;
}

bool ReadInternetShortcut(const std::string& nativePath, std::string& url) {
    url.clear();
    return ParseInternetShortcut(ReadShortcutBytes(nativePath), url);
}

bool ParseDesktopLink(std::string_view bytes, std::string& url, std::string& name) {
    url.clear();
    name.clear();
    const std::map<std::string, std::string> keys = DesktopEntryGroup(UndeclaredTextToUtf8(bytes));
    const auto type = keys.find("Type"), link = keys.find("URL"), title = keys.find("Name");
    if (type == keys.end() || type->second != "Link" || link == keys.end() || IsBlank(link->second))
        return false;
    url = Utf8UrlToAnsi(link->second);
    if (title != keys.end()) name = Utf8ToAnsi(title->second);
    return true;
}

bool ReadDesktopLink(const std::string& nativePath, std::string& url, std::string& name) {
    return ParseDesktopLink(ReadShortcutBytes(nativePath), url, name);
}

std::string DecodeMozUrl(std::string_view b) {
    return Utf8ToAnsi(MozUrlText(b));
}

std::vector<std::string> ParseUriList(std::string_view bytes) {
    std::vector<std::string> out;
    for (const std::string& line : SplitLines(bytes)) {
        std::string t = Trim(line);
        if (!t.empty() && t[0] != '#') out.push_back(t);
    }
    return out;
}

bool LocalFileFromUri(std::string_view uri, std::string& nativePath) {
    nativePath.clear();
    if (uri.size() < 5 || LowerCase(uri.substr(0, 5)) != "file:") return false;
    std::string_view rest = uri.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return false;
        std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !SameText(host, "localhost")) return false;
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest[0] != '/') return false;
    std::string path = PercentDecode(rest);
    if (path.find('\0') != std::string::npos) return false;
    nativePath = path;
    return true;
}

// ---- The target -------------------------------------------------------------------------

TDropURLTarget::TDropURLTarget(TComponent* owner) : TDropTarget(owner) {
    Dragtypes = dtLink;
    GetDataOnEnter = true;
}

bool TDropURLTarget::HasValidFormats() {
    TDropData* d = DataObject();
    if (!d) return false;
    for (const char* f : {kMimeMozUrl, kMimeNetscapeUrl, kMimeUriList, kMimeText, kMimeTextUtf8})
        if (d->HasFormat(f)) return true;
    return false;
}

void TDropURLTarget::ClearData() {
    URL.clear();
    Title.clear();
}

void TDropURLTarget::StashData() {
    keptUrl_ = URL;
    keptTitle_ = Title;
}

void TDropURLTarget::UnstashData() {
    URL = std::move(keptUrl_);
    Title = std::move(keptTitle_);
    keptUrl_.clear();
    keptTitle_.clear();
}

bool TDropURLTarget::GetData() {
    URL.clear();
    Title.clear();
    TDropData* d = DataObject();
    if (!d) return false;
    // "url\ntitle" in UTF-8: the link formats of browsers carry the page title on the second
    // line. A blank first line is no URL, and its title must not stick to a later format's URL.
    // The URL keeps every character (percent escapes for those outside the code page).
    auto takeLink = [this](const std::string& text) {
        std::vector<std::string> lines = SplitLines(text);
        if (lines.empty() || IsBlank(lines[0])) return;
        URL = Utf8UrlToAnsi(lines[0]);
        if (lines.size() > 1) Title = Utf8ToAnsi(lines[1]);
    };
    if (d->HasFormat(kMimeMozUrl)) takeLink(MozUrlText(d->Data(kMimeMozUrl)));
    if (URL.empty() && d->HasFormat(kMimeNetscapeUrl))
        takeLink(CutAtNul(Utf8Text(d->Data(kMimeNetscapeUrl))));
    if (URL.empty() && d->HasFormat(kMimeUriList)) {
        const std::vector<std::string> uris = ParseUriList(d->Data(kMimeUriList));
        std::string path;
        if (!uris.empty() && LocalFileFromUri(uris[0], path)) {
            // A dropped file counts only as an internet shortcut or a desktop link; its path
            // is no URL.
            const std::string name = Utf8ToAnsi(path.substr(path.rfind('/') + 1));
            std::string url, title;
            if (EndsWithExtension(name, ".url") && ReadInternetShortcut(path, url)) {
                title = name.substr(0, name.size() - 4);
            } else if (EndsWithExtension(name, ".desktop") && ReadDesktopLink(path, url, title)) {
                if (IsBlank(title)) title = name.substr(0, name.size() - 8);
            } else {
                return false;
            }
            URL = url;
            Title = title;
        } else if (!uris.empty()) {
            URL = Utf8UrlToAnsi(CutAtNul(Utf8Text(uris[0])));
        }
    }
    for (const char* text : {kMimeTextUtf8, kMimeText})
        if (IsBlank(URL) && d->HasFormat(text))
            URL = Utf8UrlToAnsi(CutAtNul(Utf8Text(d->Data(text))));
    // Blanks alone are no URL: the drop is refused rather than opening an empty entry.
    if (IsBlank(URL)) {
        ClearData();
        return false;
    }
    if (IsBlank(Title)) Title = URL;
    return true;
}
