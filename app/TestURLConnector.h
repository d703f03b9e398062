// The web page access test's connector over the HTTP client: a TCP connect to a URL's host.
#pragma once

#include <string>

#include "TestURLRun.h"
#include "mshttp.h"

class THTTPConnector : public TUrlConnector {
public:
    // The client's time-out in seconds (60 in the program).
    explicit THTTPConnector(int timeOutSeconds = 60);
    ~THTTPConnector() override;

    // The connection is closed as soon as it is made; the outcome is the client's.
    void Start(const std::string& url, TDone done) override;
    void Cancel() override;
    TmsHTTPClient& Client() { return client_; }

private:
    void Report(bool ok, const std::string& error);

    TmsHTTPClient client_;
    TDone done_;
};
