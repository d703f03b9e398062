// In-process conversation servers.
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

}  // namespace

void RegisterDdeServer(const std::string& service, const std::string& topic,
                       TDdeServerReply reply) {
    Servers()[Key(service, topic)] = std::move(reply);
}

void UnregisterDdeServer(const std::string& service, const std::string& topic) {
    Servers().erase(Key(service, topic));
}

bool TDdeClientConv::SetLink(const std::string& service, const std::string& topic) {
    linked_ = Servers().count(Key(service, topic)) != 0;
    service_ = service;
    topic_ = topic;
    return linked_;
}

std::optional<std::string> TDdeClientConv::RequestData(const std::string& item) {
    if (!linked_) return std::nullopt;
    const auto it = Servers().find(Key(service_, topic_));
    if (it == Servers().end() || !it->second) return std::nullopt;
    return it->second(item);
}

void TDdeClientConv::CloseLink() {
    linked_ = false;
}
