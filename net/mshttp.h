// The HTTP client: a client socket that takes its host, port and path from a URL.
#pragma once

#include <string>

#include "Mssocket.h"
#include "platform/Classes.h"
#include "platform/Streams.h"

class TmsHeaders : public TStringList {};

// Only URL, Host, Port, Proxy and ProxyPort take part in connecting; the request's other
// properties are kept for whoever sends one.
class TmsHTTPClient : public TmsClientSocket {
public:
    explicit TmsHTTPClient(TComponent* owner = nullptr);

    const std::string& URL() const { return url_; }
    // "http://" or "https://" (any letter case) is taken off, the latter with 443 as the
    // default port; then host[:port] and the path are split at the first "/".
    void SetURL(const std::string& value);
    // "host:port" of the proxy; an empty value drops the proxy and applies Host again.
    void SetProxy(const std::string& value);
    void SetProxyPort(uint16_t value) { proxyPort_ = value; }
    const std::string& RequestPath() const { return path_; }
    const std::string& FileName() const { return fileName_; }
    const TmsHeaders& Headers() const { return headers_; }
    void SetHeaders(const TStrings& lines) { headers_.Assign(lines); }

    std::string Authorization;
    std::string UserName;
    std::string Password;
    std::string ProxyAuthorization;
    std::string ProxyUserName;
    std::string ProxyPassword;
    std::string UserAgent;
    std::string ContentType = "application/x-www-form-urlencoded";
    TNotifyEvent OnSendingRequest;
    TNotifyEvent OnRequestSent;
    TMemoryStream RequestData;
    TMemoryStream ResponseData;

private:
    std::string url_;
    std::string path_;
    std::string fileName_;
    TmsHeaders headers_;
};
