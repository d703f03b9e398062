// The socket components against loopback servers: connect, refusal, time-out and clean-up.
#include "Mssocket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "NetTestSupport.h"

namespace {

// Lets a test hand the message window a notification of its choosing.
class TProbeSocket : public TmsClientSocket {
public:
    using TmsClientSocket::TmsClientSocket;
    void Notify(uintptr_t socket, long event, int error) {
        TWindowMessage m{msSocketMessage, socket, MakeSelectReply(event, error), 0};
        WndProc(m);
    }
};

template <class E = EWinsockError>
std::string ConnectError(TmsClientSocket& client) {
    try {
        client.Connect();
    } catch (const E& e) {
        return e.Message;
    }
    return "(connected)";
}

bool CounterTicking(const TmsSocketBase& socket) {
    return socket.TimeCounter() && socket.TimeCounter()->Timer().Ticking();
}

// ---- Timer and counter ----

TEST(TmsTimeCounter, TimesOutOnTheTickThatTakesTheCountBelowOne) {
    TmsTimeCounter counter;
    EXPECT_EQ(counter.StartValue, 60);
    counter.StartValue = 3;
    counter.Reset();
    EXPECT_EQ(counter.Count, 3);
    EXPECT_TRUE(counter.Timer().Ticking());
    counter.Tick();
    counter.Tick();
    EXPECT_FALSE(counter.TimedOut);
    EXPECT_EQ(counter.Count, 1);
    counter.Tick();
    EXPECT_TRUE(counter.TimedOut);
    EXPECT_TRUE(counter.Timer().Ticking());  // runs on until stopped
    counter.Start();                         // reloads the count, keeps the verdict
    EXPECT_EQ(counter.Count, 3);
    EXPECT_TRUE(counter.TimedOut);
    counter.Reset();
    EXPECT_FALSE(counter.TimedOut);
    counter.Stop();
    EXPECT_FALSE(counter.Timer().Ticking());
}

TEST(TmsTimeCounter, ItsTimerTicksFromTheEventLoop) {
    TmsTimeCounter counter;
    counter.StartValue = 2;
    counter.Timer().SetInterval(10);
    counter.Reset();
    EXPECT_TRUE(ProcessEventsUntil([&] { return counter.TimedOut; }));
    counter.Stop();
    EXPECT_LE(counter.Count, 0);
}

TEST(TmsTimer, RunsOnlyWithAnIntervalAHandlerAndEnabled) {
    TmsTimer timer;
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.Ticking());
    int ticks = 0;
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    EXPECT_TRUE(timer.Ticking());
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Ticking());
    timer.SetInterval(5);
    EXPECT_TRUE(ProcessEventsUntil([&] { return ticks >= 2; }));
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Ticking());
}

// ---- Defaults and modes ----

TEST(TmsSocket, DefaultsAndTheCounterOnlyInNonBlockingMode) {
    TmsClientSocket client;
    client.SetVersion("9.99");
    EXPECT_EQ(client.Version(), "2.02");  // read-only
    EXPECT_EQ(client.TimeOut(), 60);
    ASSERT_NE(client.TimeCounter(), nullptr);
    EXPECT_EQ(client.TimeCounter()->StartValue, 60);
    EXPECT_FALSE(client.Blocking());
    EXPECT_EQ(client.SocketHandle(), wsINVALID_SOCKET);
    EXPECT_EQ(client.Port(), 0);
    client.SetBlocking(true);
    EXPECT_EQ(client.TimeCounter(), nullptr);
    EXPECT_FALSE(client.TimedOut());
    client.SetTimeOut(7);
    client.SetBlocking(false);
    ASSERT_NE(client.TimeCounter(), nullptr);
    EXPECT_EQ(client.TimeCounter()->StartValue, 7);
    client.SetTimeOut(5);
    EXPECT_EQ(client.TimeCounter()->StartValue, 5);
}

// ---- Connecting ----

class ClientSocket : public ::testing::Test {
protected:
    void SetUp() override {
        resolvers::ResetCalls();
        descriptors_ = OpenDescriptorCount();
        client_.OnConnecting = [this](TObject*) { ++connecting_; };
        client_.OnConnected = [this](TObject*) { ++connected_; };
        client_.OnDisconnected = [this](TObject*) { ++disconnected_; };
    }
    void Aim(const std::string& host, uint16_t port) {
        client_.SetHost(host);
        client_.SetPort(port);
    }
    // Short ticks for the tests that wait for a time-out.
    void QuickTicks() { client_.TimeCounter()->Timer().SetInterval(50); }
    // Aims at a server whose full accept queue holds every further connect back; false when
    // the system will not hold one back.
    bool AimAtStalledServer() {
        stalled_ = std::make_unique<TLoopbackServer>(false, 0);
        if (!stalled_->FillBacklog()) return false;
        descriptors_ = OpenDescriptorCount();
        Aim("127.0.0.1", stalled_->Port());
        return true;
    }
    void ExpectNothingLeftOpen() {
        EXPECT_EQ(client_.SocketHandle(), wsINVALID_SOCKET);
        EXPECT_EQ(DescriptorsSettleAt(descriptors_), descriptors_);
        EXPECT_FALSE(CounterTicking(client_));
        EXPECT_FALSE(client_.Connecting());
    }

    TLoopbackServer server_;  // open before the descriptors are counted
    std::unique_ptr<TLoopbackServer> stalled_;
    int descriptors_ = 0;
    TProbeSocket client_;
    int connecting_ = 0, connected_ = 0, disconnected_ = 0;
};

TEST_F(ClientSocket, ConnectsToAListeningPortAndFiresOnConnectedOnce) {
    Aim("127.0.0.1", server_.Port());
    client_.Connect();
    EXPECT_TRUE(client_.Connected);
    EXPECT_EQ(connecting_, 1);
    EXPECT_EQ(connected_, 1);
    EXPECT_NE(client_.SocketHandle(), wsINVALID_SOCKET);
    EXPECT_FALSE(CounterTicking(client_));
    ProcessEventsFor(50);
    EXPECT_EQ(connected_, 1);
    client_.Disconnect();
    EXPECT_EQ(disconnected_, 1);
    ExpectNothingLeftOpen();
    client_.Disconnect();  // nothing open: nothing happens
    EXPECT_EQ(disconnected_, 1);
}

TEST_F(ClientSocket, DisconnectingInsideOnConnectedLeavesNothingOpen) {
    Aim("127.0.0.1", server_.Port());
    client_.OnConnected = [this](TObject*) {
        ++connected_;
        client_.Disconnect();
    };
    client_.Connect();
    ProcessEventsFor(50);
    EXPECT_EQ(connected_, 1);
    EXPECT_EQ(disconnected_, 1);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, ARefusedConnectFailsAtOnceWithItsText) {
    Aim("127.0.0.1", ClosedLoopbackPort());
    // With a minute to wait, only the refusal itself can end this quickly.
    EXPECT_EQ(ConnectError(client_), "[10061] Connection refused");
    EXPECT_EQ(connected_, 0);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, APortOfZeroIsRefusedBeforeAnyTraffic) {
    Aim("127.0.0.1", 0);
    EXPECT_EQ(ConnectError(client_), "[10049] Cannot assign requested address");
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, AnUnknownHostFailsWithTheResolversText) {
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::NotFound));
    Aim("no-such-host.invalid", 80);
    EXPECT_EQ(ConnectError(client_), "[11001] Host not found");
    EXPECT_EQ(resolvers::Calls(), 1);
    EXPECT_EQ(connecting_, 1);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, ANameIsLookedUpAndConnected) {
    {
        TExportStandIn standIn("gethostbyname", AsProc(&resolvers::Loopback));
        Aim("any.name.example", server_.Port());
        client_.Connect();
        EXPECT_EQ(resolvers::Calls(), 1);
        EXPECT_EQ(connected_, 1);
        client_.Disconnect();
    }
    Aim("localhost", server_.Port());  // the system's own look-up
    client_.Connect();
    EXPECT_EQ(connected_, 2);
    client_.Disconnect();
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, ASlowLookUpCountsAgainstTheTimeOut) {
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::Stuck));
    Aim("slow.example", 80);
    client_.SetTimeOut(2);
    QuickTicks();
    EXPECT_EQ(ConnectError<EmsTimedOutError>(client_), "Operation timed out");
    resolvers::Release();
    EXPECT_EQ(resolvers::Calls(), 1);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, AConnectThatNeverCompletesTimesOutWithoutSpinning) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    client_.SetTimeOut(1);  // real one-second ticks here
    bool queuedRan = false;
    Queue([&] { queuedRan = true; });
    int checksBefore = client_.WaitChecks();
    EXPECT_EQ(ConnectError<EmsTimedOutError>(client_), "Operation timed out");
    EXPECT_TRUE(queuedRan);
    EXPECT_TRUE(client_.TimedOut());
    // A sleeping wait looks a few dozen times in a second; a spinning one, millions.
    EXPECT_LT(client_.WaitChecks() - checksBefore, 200);
    EXPECT_EQ(connected_, 0);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, ASecondConnectWhileWaitingIsRefused) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    client_.SetTimeOut(1);
    QuickTicks();
    std::string nested;
    TSocket socketOfFirst = wsINVALID_SOCKET;
    Queue([&] {
        socketOfFirst = client_.SocketHandle();
        nested = ConnectError(client_);
        EXPECT_EQ(client_.SocketHandle(), socketOfFirst);  // untouched
    });
    EXPECT_EQ(ConnectError<EmsTimedOutError>(client_), "Operation timed out");
    EXPECT_EQ(nested, "[10037] Operation already in progress");
    EXPECT_EQ(connecting_, 1);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, ANotificationOfAnotherSocketIsIgnored) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    Queue([&] {
        client_.Notify(uintptr_t(client_.SocketHandle() + 100), wsFD_CONNECT, WSAECONNRESET);
        client_.Notify(uintptr_t(client_.SocketHandle() + 100), wsFD_CONNECT, 0);
        EXPECT_EQ(client_.LastError, 0);
        EXPECT_FALSE(client_.Connected);
        // The current socket's own word decides.
        client_.Notify(uintptr_t(client_.SocketHandle()), wsFD_CONNECT, WSAEHOSTUNREACH);
    });
    EXPECT_EQ(ConnectError(client_), "[10065] No Route to Host");
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, FreeingTheComponentInsideTheWaitEndsItSilently) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    auto* doomed = new TmsClientSocket;
    doomed->SetHost(client_.Host());
    doomed->SetPort(client_.Port());
    Queue([&] { delete doomed; });
    EXPECT_THROW(doomed->Connect(), EAbort);
    EXPECT_EQ(DescriptorsSettleAt(descriptors_), descriptors_);
}

TEST_F(ClientSocket, DisconnectingBeforeTheConnectionIsMadeAbortsTheWait) {
    if (!AimAtStalledServer()) GTEST_SKIP() << "the system accepts every connect";
    Queue([&] { client_.Disconnect(); });
    EXPECT_EQ(ConnectError(client_), "[10053] Software caused connection abort");
    EXPECT_EQ(disconnected_, 1);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, AnExceptionFromOnConnectingStopsTheCounter) {
    client_.OnConnecting = [](TObject*) { Abort(); };
    Aim("127.0.0.1", 80);
    EXPECT_THROW(client_.Connect(), EAbort);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, DisconnectClosesEvenWhenThePeerHasResetTheConnection) {
    Aim("127.0.0.1", server_.Port());
    client_.Connect();
    int peer = server_.Accept();
    ASSERT_GE(peer, 0);
    CloseWithReset(peer);
    ProcessEventsUntil([&] { return client_.LastError != 0; }, 1000);
    EXPECT_EQ(client_.LastError, WSAECONNRESET);
    EXPECT_EQ(disconnected_, 0);  // a close with an error fires nothing
    EXPECT_NO_THROW(client_.Disconnect());
    EXPECT_EQ(disconnected_, 1);
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, AnOrderlyCloseByThePeerIsReported) {
    Aim("127.0.0.1", server_.Port());
    client_.Connect();
    int peer = server_.Accept();
    ASSERT_GE(peer, 0);
    CloseDescriptor(peer);
    EXPECT_TRUE(ProcessEventsUntil([&] { return client_.Closed; }));
    EXPECT_EQ(disconnected_, 1);
    client_.Disconnect();
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, ASocketLeftOpenIsClosedByTheNextConnectAndByTheDestructor) {
    {
        TmsClientSocket other;
        other.SetHost("127.0.0.1");
        other.SetPort(server_.Port());
        other.Connect();
        other.Connect();
        EXPECT_NE(other.SocketHandle(), wsINVALID_SOCKET);
        EXPECT_EQ(OpenDescriptorCount(), descriptors_ + 1);
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors_);
}

// Answers 127.0.0.1 after a pause, so that events are processed while the name is looked up.
const THostEnt* SlowLoopback(const char* name) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return resolvers::Loopback(name);
}

TEST_F(ClientSocket, TheEarlierSocketsNewsCannotFailTheNextConnect) {
    Aim("127.0.0.1", server_.Port());
    client_.Connect();  // left open: nothing disconnects it
    int peer = server_.Accept();
    ASSERT_GE(peer, 0);
    CloseWithReset(peer);  // its reset is reported while the next name is looked up
    TExportStandIn standIn("gethostbyname", AsProc(&SlowLoopback));
    Aim("next.example", server_.Port());
    client_.Connect();
    EXPECT_EQ(client_.LastError, 0);
    EXPECT_TRUE(client_.Connected);
    EXPECT_EQ(connected_, 2);
    EXPECT_EQ(disconnected_, 0);
    client_.Disconnect();
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, BlockingModeConnectsWithoutTheWait) {
    client_.SetBlocking(true);
    Aim("localhost", server_.Port());
    client_.Connect();
    EXPECT_EQ(connected_, 1);
    EXPECT_TRUE(client_.Connected);
    EXPECT_EQ(client_.TimeCounter(), nullptr);
    client_.Disconnect();
    Aim("127.0.0.1", ClosedLoopbackPort());
    EXPECT_EQ(ConnectError(client_), "[10061] Connection refused");
    ExpectNothingLeftOpen();
}

TEST_F(ClientSocket, ConnectsOverIpv6WhereTheSystemHasIt) {
    if (!Ipv6LoopbackAvailable()) GTEST_SKIP() << "no IPv6 loopback";
    TLoopbackServer server(true);
    descriptors_ = OpenDescriptorCount();
    Aim("::1", server.Port());
    client_.Connect();
    EXPECT_EQ(connected_, 1);
    client_.Disconnect();
    Aim("::1", ClosedLoopbackPort());
    EXPECT_EQ(ConnectError(client_), "[10061] Connection refused");
    ExpectNothingLeftOpen();
}

}  // namespace
