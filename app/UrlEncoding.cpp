// Targets as the desktop and browsers take them: web addresses, file and mail URLs.
#include "UrlEncoding.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <string_view>

#include "StStrS.h"
#include "platform/Codec.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace {

bool StartsWithText(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// "scheme:" with a scheme of letters, digits, "+", "-" and "." after a letter; single
// letters are left out so that "C:" paths are not taken for one.
bool HasScheme(std::string_view s) {
    const size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    if (!std::isalpha(static_cast<unsigned char>(s[0]))) return false;
    for (size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

void AppendEscape(std::string& out, unsigned char c) {
    static const char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[c >> 4];
    out += hex[c & 15];
}

std::string PercentEncode(std::string_view utf8, std::string_view keep) {
    std::string out;
    for (const char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved || keep.find(ch) != std::string_view::npos)
            out += ch;
        else
            AppendEscape(out, c);
    }
    return out;
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// A mail link's text after "mailto:": what such a link cannot hold is escaped, its
// separators and escapes stay.
std::string EncodeMailLink(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const bool escape =
            c <= 0x20 || c >= 0x7F ||
            std::string_view("\"<>\\^`{|}#").find(char(c)) != std::string_view::npos ||
            (c == '%' &&
             !(i + 2 < utf8.size() && IsHexDigit(utf8[i + 1]) && IsHexDigit(utf8[i + 2])));
        if (escape)
            AppendEscape(out, c);
        else
            out += char(c);
    }
    return out;
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char buffer[PATH_MAX];
    std::string dir = ::getcwd(buffer, sizeof buffer) ? FromNativePath(buffer) : std::string("/");
    return IncludeTrailingPathDelimiter(dir) + path;
}

}  // namespace

bool IsWebAddress(const std::string& url) {
    if (StartsWithText(url, "HTTP") || StartsWithText(url, "WWW")) return true;
    const std::string ext = PathExtension(url);
    return SameText(ext, "HTM") || SameText(ext, "HTML");
}

std::string DesktopUrl(const std::string& target) {
    if (StartsWithText(target, "www.")) return AnsiToUtf8("http://" + target);
    if (StartsWithText(target, "mailto:"))
        return "mailto:" + EncodeMailLink(AnsiToUtf8(target.substr(7)));
    if (HasScheme(target)) return AnsiToUtf8(target);
    return "file://" + PercentEncode(AnsiToUtf8(AbsolutePath(target)), "/");
}

std::string BrowserArgument(const std::string& url) {
    if (HasScheme(url) || StartsWithText(url, "www.")) return url;
    return AbsolutePath(url);
}
