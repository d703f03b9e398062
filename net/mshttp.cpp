// The HTTP client's URL and proxy handling.
#include "mshttp.h"

#include "platform/SysUtils.h"

namespace {

constexpr uint16_t HttpPort = 80;
constexpr uint16_t HttpsPort = 443;

bool StartsWithText(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

}  // namespace

TmsHTTPClient::TmsHTTPClient(TComponent* owner) : TmsClientSocket(owner) {
    port_ = HttpPort;
    defaultPort_ = HttpPort;
}

void TmsHTTPClient::SetURL(const std::string& value) {
    url_ = value;
    std::string_view rest = url_;
    // Only a TCP connection is made, so an https URL needs nothing but its port.
    defaultPort_ = HttpPort;
    if (StartsWithText(rest, "HTTP://")) {
        rest.remove_prefix(7);
    } else if (StartsWithText(rest, "HTTPS://")) {
        rest.remove_prefix(8);
        defaultPort_ = HttpsPort;
    }
    size_t slash = rest.find('/');
    if (slash == std::string_view::npos) {
        SetHost(std::string(rest));
        path_.assign(1, '/');
        return;
    }
    SetHost(std::string(rest.substr(0, slash)));
    path_ = rest.substr(slash);
    if (path_.find('.') != std::string::npos) {
        fileName_ = std::string_view(path_).substr(path_.rfind('/') + 1);
        if (fileName_.empty()) fileName_ = "index.htm";
    }
}

void TmsHTTPClient::SetProxy(const std::string& value) {
    size_t colon = value.find(':');
    if (colon != std::string::npos) {
        proxy_ = Limit255(std::string_view(value).substr(0, colon));
        proxyPort_ = ParsePort(std::string_view(value).substr(colon + 1), 0);
        return;
    }
    proxy_ = Limit255(value);
    proxyPort_ = 0;
    if (value.empty()) SetHost(host_);
}
