// The URL drop target: extraction of a URL and a title from dropped links and shortcut files.
#include "DropURLTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/Codec.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace {

constexpr size_t kShortcutLimit = 64 * 1024;

std::string StripTrailingNuls(std::string s) {
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
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

std::string Utf16Bytes(std::string_view b, size_t from, bool bigEndian) {
    std::u16string u;
    for (size_t i = from; i + 1 < b.size(); i += 2) {
        auto lo = static_cast<unsigned char>(b[bigEndian ? i + 1 : i]);
        auto hi = static_cast<unsigned char>(b[bigEndian ? i : i + 1]);
        u += char16_t(hi << 8 | lo);
    }
    return Utf16ToAnsi(u);
}

std::string Utf8Text(std::string_view b) {
    if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") b.remove_prefix(3);
    return Utf8ToAnsi(b);
}

bool EndsWithUrlExtension(const std::string& name) {
    return name.size() >= 4 && LowerCase(name.substr(name.size() - 4)) == ".url";
}

}  // namespace

bool ParseInternetShortcut(std::string_view bytes, std::string& url) {
    url.clear();
    const std::vector<std::string> lines = SplitLines(bytes);
    // Only lines before the last can open the section: a header on the last line has none.
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!SameText(lines[i], "[InternetShortcut]")) continue;
        for (size_t j = i + 1; j < lines.size(); ++j) {
            const std::string& line = lines[j];
            if (line.compare(0, 4, "URL=") == 0) {
                url = line.substr(4);
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
    // Non-blocking open: a FIFO named "x.url" must not hang the drop.
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(kShortcutLimit);
        size_t got = 0;
        while (got < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += size_t(n);
        }
        bytes.resize(got);
    }
    ::close(fd);
    return ParseInternetShortcut(bytes, url);
}

std::string DecodeMozUrl(std::string_view b) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(b[i]); };
    if (b.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE)
        return StripTrailingNuls(Utf16Bytes(b, 2, false));
    if (b.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF)
        return StripTrailingNuls(Utf16Bytes(b, 2, true));
    if (b.size() >= 2 && b.size() % 2 == 0) {
        bool oddZero = true, evenZero = true;
        for (size_t i = 0; i < b.size(); ++i) (i % 2 ? oddZero : evenZero) &= b[i] == '\0';
        if (oddZero) return StripTrailingNuls(Utf16Bytes(b, 0, false));
        if (evenZero) return StripTrailingNuls(Utf16Bytes(b, 0, true));
    }
    return StripTrailingNuls(Utf8Text(b));
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
    // "url\ntitle": the link formats of browsers carry the page title on the second line.
    auto takeLink = [this](const std::string& text) {
        std::vector<std::string> lines = SplitLines(text);
        if (!lines.empty()) URL = lines[0];
        if (lines.size() > 1) Title = lines[1];
    };
    if (d->HasFormat(kMimeMozUrl)) takeLink(DecodeMozUrl(d->Data(kMimeMozUrl)));
    if (URL.empty() && d->HasFormat(kMimeNetscapeUrl))
        takeLink(StripTrailingNuls(Utf8Text(d->Data(kMimeNetscapeUrl))));
    if (URL.empty() && d->HasFormat(kMimeUriList)) {
        const std::vector<std::string> uris = ParseUriList(d->Data(kMimeUriList));
        std::string path;
        if (!uris.empty() && LocalFileFromUri(uris[0], path)) {
            // A dropped file counts only as an internet shortcut; its path is no URL.
            const std::string name = Utf8ToAnsi(path.substr(path.rfind('/') + 1));
            std::string url;
            if (!EndsWithUrlExtension(name) || !ReadInternetShortcut(path, url)) return false;
            URL = url;
            Title = name.substr(0, name.size() - 4);
        } else if (!uris.empty()) {
            URL = Utf8Text(uris[0]);
        }
    }
    for (const char* text : {kMimeTextUtf8, kMimeText})
        if (URL.empty() && d->HasFormat(text)) URL = StripTrailingNuls(Utf8Text(d->Data(text)));
    if (Title.empty()) Title = URL;
    return !URL.empty();
}
