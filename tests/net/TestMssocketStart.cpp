// The client's connect without the wait: outcome through events, time-out, cancel, chaining.
#include <gtest/gtest.h>

#include <memory>

#include "Mssocket.h"
#include "NetTestSupport.h"

namespace {

class StartedConnect : public ::testing::Test {
protected:
    void SetUp() override {
        resolvers::ResetCalls();
        descriptors_ = OpenDescriptorCount();
        client_.OnConnected = [this](TObject* sender) {
            EXPECT_EQ(sender, &client_);
            ++connected_;
        };
        client_.OnConnectError = [this](TObject* sender, const std::string& message) {
            EXPECT_EQ(sender, &client_);
            errors_.push_back(message);
        };
    }
    void Aim(const std::string& host, uint16_t port) {
        client_.SetHost(host);
        client_.SetPort(port);
    }
    bool AimAtStalledServer() {
        stalled_ = std::make_unique<TLoopbackServer>(false, 0);
        if (!stalled_->FillBacklog()) return false;
        descriptors_ = OpenDescriptorCount();
        Aim("127.0.0.1", stalled_->Port());
        return true;
    }
    bool Decided() const { return connected_ > 0 || !errors_.empty(); }
    void ExpectNothingLeftOpen() {
        EXPECT_EQ(client_.SocketHandle(), wsINVALID_SOCKET);
        EXPECT_EQ(DescriptorsSettleAt(descriptors_), descriptors_);
        EXPECT_FALSE(client_.TimeCounter()->Timer().Ticking());
        EXPECT_FALSE(client_.Connecting());
    }

    TLoopbackServer server_;
    std::unique_ptr<TLoopbackServer> stalled_;
    int descriptors_ = 0;
    TmsClientSocket client_;
    int connected_ = 0;
    std::vector<std::string> errors_;
};

TEST_F(StartedConnect, ReturnsAtOnceAndReportsTheConnectionFromTheEventLoop) {
    Aim("127.0.0.1", server_.Port());
    client_.OnConnected = [this](TObject*) {
        ++connected_;
        client_.Disconnect();  // as the page test does
    };
    client_.StartConnect();
    EXPECT_TRUE(client_.Connecting());
    EXPECT_EQ(connected_, 0);
    EXPECT_TRUE(ProcessEventsUntil([&] { return Decided(); }));
    ProcessEventsFor(50);
    EXPECT_EQ(connected_, 1);
    EXPECT_TRUE(errors_.empty());
    ExpectNothingLeftOpen();
}

TEST_F(StartedConnect, TheCountersTimeOutIsReportedAndClosesTheSocket) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    client_.SetTimeOut(2);
    client_.TimeCounter()->Timer().SetInterval(20);
    client_.StartConnect();
    EXPECT_NE(client_.SocketHandle(), wsINVALID_SOCKET);
    EXPECT_TRUE(ProcessEventsUntil([&] { return Decided(); }));
    EXPECT_EQ(errors_, std::vector<std::string>{"Operation timed out"});
    EXPECT_TRUE(client_.TimedOut());
    ExpectNothingLeftOpen();
}

TEST_F(StartedConnect, CancelClosesAtOnceAndReportsNothing) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    client_.SetTimeOut(1);
    client_.TimeCounter()->Timer().SetInterval(10);
    int disconnected = 0;
    client_.OnDisconnected = [&](TObject*) { ++disconnected; };
    client_.StartConnect();
    client_.CancelConnect();
    ExpectNothingLeftOpen();
    ProcessEventsFor(100);  // well past the time-out
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(connected_, 0);
    EXPECT_EQ(disconnected, 0);
    client_.CancelConnect();  // nothing under way: nothing happens
    // The component is ready for the next connect.
    Aim("127.0.0.1", server_.Port());
    client_.StartConnect();
    EXPECT_TRUE(ProcessEventsUntil([&] { return Decided(); }));
    EXPECT_EQ(connected_, 1);
    client_.Disconnect();
}

TEST_F(StartedConnect, ANameIsLookedUpWithoutWaitingAndCancelDropsTheLookUp) {
    {
        TExportStandIn standIn("gethostbyname", AsProc(&resolvers::Stuck));
        Aim("slow.example", server_.Port());
        client_.StartConnect();
        EXPECT_TRUE(client_.Connecting());
        EXPECT_EQ(client_.SocketHandle(), wsINVALID_SOCKET);  // still looking up
        client_.CancelConnect();
        resolvers::Release();
        ProcessEventsFor(50);
        EXPECT_TRUE(errors_.empty());
        ExpectNothingLeftOpen();
    }
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::Loopback));
    Aim("any.name.example", server_.Port());
    client_.StartConnect();
    EXPECT_TRUE(ProcessEventsUntil([&] { return Decided(); }));
    EXPECT_EQ(connected_, 1);
    client_.Disconnect();
    TExportStandIn notFound("gethostbyname", AsProc(&resolvers::NotFound));
    Aim("no-such-host.invalid", 80);
    client_.StartConnect();
    EXPECT_TRUE(ProcessEventsUntil([&] { return Decided() && !errors_.empty(); }));
    EXPECT_EQ(errors_, std::vector<std::string>{"[11001] Host not found"});
    ExpectNothingLeftOpen();
}

TEST_F(StartedConnect, OneAtATimeAndTheNextMayStartFromTheOutcomesHandler) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    client_.StartConnect();
    EXPECT_THROW(client_.StartConnect(), EWinsockError);  // "[10037] ..."
    EXPECT_THROW(client_.Connect(), EWinsockError);
    client_.CancelConnect();
    // A chain: refused, then the listening server, started from the handlers.
    Aim("127.0.0.1", ClosedLoopbackPort());
    client_.OnConnectError = [this](TObject*, const std::string& message) {
        errors_.push_back(message);
        Aim("127.0.0.1", server_.Port());
        client_.StartConnect();
    };
    client_.OnConnected = [this](TObject*) {
        ++connected_;
        client_.Disconnect();
    };
    try {
        client_.StartConnect();
    } catch (const EWinsockError& e) {  // refused at once: the chain goes on by hand
        errors_.push_back(e.Message);
        Aim("127.0.0.1", server_.Port());
        client_.StartConnect();
    }
    EXPECT_TRUE(ProcessEventsUntil([&] { return connected_ > 0; }));
    EXPECT_EQ(errors_, std::vector<std::string>{"[10061] Connection refused"});
    ExpectNothingLeftOpen();
}

TEST_F(StartedConnect, TheWaitingConnectEndsSilentlyWhenCancelledInside) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    Queue([&] { client_.CancelConnect(); });
    EXPECT_THROW(client_.Connect(), EAbort);
    EXPECT_TRUE(errors_.empty());
    ExpectNothingLeftOpen();
}

TEST_F(StartedConnect, FreeingTheClientFromItsConnectedHandlerIsSafe) {
    auto* doomed = new TmsClientSocket;
    doomed->SetHost("127.0.0.1");
    doomed->SetPort(server_.Port());
    bool freed = false;
    doomed->OnConnected = [&](TObject*) {
        bool* done = &freed;  // the handler goes with the client
        delete doomed;
        *done = true;
    };
    doomed->StartConnect();
    EXPECT_TRUE(ProcessEventsUntil([&] { return freed; }));
    EXPECT_EQ(DescriptorsSettleAt(descriptors_), descriptors_);
}

}  // namespace
