// The conversation with a running browser that reports its current page. No browser on this
// desktop answers such requests, so a conversation links to servers registered in this process
// (tests register one to play a browser), else to a stand-in that reads the page from the
// session file of the browser used last, a running one first (BrowserSessions.h): the Chromium
// family answers on the service "IExplore", the Firefox family on "Netscape" and "Mozilla", the
// topic being "WWW_GetWindowInfo" and the item "0xFFFFFFFF,sURL,sTitle".
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "BrowserSessions.h"
#include "platform/Classes.h"

// A server: answers a request for an item, or nothing.
using TDdeServerReply = std::function<std::optional<std::string>(const std::string& item)>;

// Registers a server for a service and topic (both compared ignoring ASCII case); a second
// registration replaces the first. Unregister removes it.
void RegisterDdeServer(const std::string& service, const std::string& topic, TDdeServerReply reply);
void UnregisterDdeServer(const std::string& service, const std::string& topic);

class TDdeClientConv : public TComponent {
public:
    explicit TDdeClientConv(TComponent* owner = nullptr) : TComponent(owner) {}

    // True when a server accepts the conversation on that service and topic.
    bool SetLink(const std::string& service, const std::string& topic);
    // The server's reply for an item; nothing without a link or when it gives none.
    std::optional<std::string> RequestData(const std::string& item);
    void CloseLink();

private:
    std::string service_, topic_;
    bool linked_ = false;
    // The session file the stand-in reads, when it took the link.
    std::optional<TBrowserSessionFile> session_;
};
