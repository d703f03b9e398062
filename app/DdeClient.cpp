// The stand-in conversation over the browsers' session files.
#include "DdeClient.h"

#include "platform/SysUtils.h"

namespace {

// Whether a browser family answers on a service.
bool FamilyServes(TBrowserFamily family, const std::string& service) {
    if (family == TBrowserFamily::Chromium) return SameText(service, "IExplore");
    return SameText(service, "Netscape") || SameText(service, "Mozilla");
}

}  // namespace

bool TDdeClientConv::SetLink(const std::string& service, const std::string& topic) {
    session_.reset();
    if (!SameText(topic, "WWW_GetWindowInfo")) return false;
    // The running browser whose session file was written last is the one looked at.
    const auto files = FindBrowserSessionFiles(BrowserSessionHome());
    if (!files.empty() && FamilyServes(files.front().Family, service)) session_ = files.front();
    return session_.has_value();
}

std::optional<std::string> TDdeClientConv::RequestData(const std::string& item) {
    if (!session_ || !SameText(item, "0xFFFFFFFF,sURL,sTitle")) return std::nullopt;
    const auto page = ReadBrowserSessionFile(*session_);
    return page ? std::optional(BrowserWindowInfoReply(*page)) : std::nullopt;
}

void TDdeClientConv::CloseLink() {
    session_.reset();
}
