// The conversation with a running browser that reports its current page. No browser on this
// desktop answers such requests, so a conversation links to a stand-in that reads the page from
// the session file of the browser used last, a running one first (BrowserSessions.h): the
// Chromium family answers on the service "IExplore", the Firefox family on "Netscape" and
// "Mozilla" (services compared ignoring ASCII case), the topic being "WWW_GetWindowInfo" and the
// item "0xFFFFFFFF,sURL,sTitle".
#pragma once

#include <optional>
#include <string>

#include "BrowserSessions.h"
#include "platform/Classes.h"

class TDdeClientConv : public TComponent {
public:
    explicit TDdeClientConv(TComponent* owner = nullptr) : TComponent(owner) {}

    // True when the browser used last answers on that service and topic.
    bool SetLink(const std::string& service, const std::string& topic);
    // The browser's reply for an item; nothing without a link or when it gives none.
    std::optional<std::string> RequestData(const std::string& item);
    void CloseLink();

private:
    // The session file read, while linked.
    std::optional<TBrowserSessionFile> session_;
};
