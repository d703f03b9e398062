// In-process conversation servers, and the stand-in over the browsers' session files.
#include "DdeClient.h"

#include <map>
#include <utility>

#include "platform/SysUtils.h"

namespace {

std::map<std::pair<std::string, std::string>, TDdeServerReply>& Servers() {
    static std::map<std::pair<std::string, std::string>, TDdeServerReply> servers;
    return servers;
}

std::pair<std::string, std::string> Key(const std::string& service, const std::string& topic) {
    return {UpperCase(service), UpperCase(topic)};
}

// Whether a browser family answers on a service.
bool FamilyServes(TBrowserFamily family, const std::string& service) {
    if (family == TBrowserFamily::Chromium) return SameText(service, "IExplore");
    return SameText(service, "Netscape") || SameText(service, "Mozilla");
}

}  // namespace

void RegisterDdeServer(const std::string& service, const std::string& topic,
                       TDdeServerReply reply) {
    Servers()[Key(service, topic)] = std::move(reply);
}

void UnregisterDdeServer(const std::string& service, const std::string& topic) {
    Servers().erase(Key(service, topic));
}

bool TDdeClientConv::SetLink(const std::string& service, const std::string& topic) {
    service_ = service;
    topic_ = topic;
    session_.reset();
    linked_ = Servers().count(Key(service, topic)) != 0;
    if (!linked_ && SameText(topic, "WWW_GetWindowInfo")) {
        // The running browser whose session file was written last is the one looked at.
        const auto files = FindBrowserSessionFiles(BrowserSessionHome());
        if (!files.empty() && FamilyServes(files.front().Family, service)) {
            session_ = files.front();
            linked_ = true;
        }
    }
    return linked_;
}

std::optional<std::string> TDdeClientConv::RequestData(const std::string& item) {
    if (!linked_) return std::nullopt;
    if (session_) {
        if (!SameText(item, "0xFFFFFFFF,sURL,sTitle")) return std::nullopt;
        const auto page = ReadBrowserSessionFile(*session_);
        return page ? std::optional(BrowserWindowInfoReply(*page)) : std::nullopt;
    }
    const auto it = Servers().find(Key(service_, topic_));
    if (it == Servers().end() || !it->second) return std::nullopt;
    return it->second(item);
}

void TDdeClientConv::CloseLink() {
    linked_ = false;
    session_.reset();
}
