// The HTTP client behind the web page access test.
#include "TestURLConnector.h"

#include <utility>

THTTPConnector::THTTPConnector(int timeOutSeconds) {
    client_.SetTimeOut(timeOutSeconds);
    client_.OnConnected = [this](TObject*) {
        try {
            client_.Disconnect();
        } catch (const Exception&) {
            // The host has answered; a failing close changes nothing about that.
        }
        Report(true, std::string());
    };
    client_.OnConnectError = [this](TObject*, const std::string& message) {
        Report(false, message);
    };
}

THTTPConnector::~THTTPConnector() {
    done_ = nullptr;
    client_.CancelConnect();
}

void THTTPConnector::Start(const std::string& url, TDone done) {
    done_ = std::move(done);
    try {
        client_.SetURL(url);
        client_.StartConnect();
    } catch (const Exception& e) {
        Report(false, e.Message);
    }
}

void THTTPConnector::Cancel() {
    done_ = nullptr;
    client_.CancelConnect();
}

void THTTPConnector::Report(bool ok, const std::string& error) {
    TDone done = std::move(done_);
    done_ = nullptr;
    if (done) done(ok, error);
}
