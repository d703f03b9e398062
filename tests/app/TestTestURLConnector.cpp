// The web page access test over the real client, against listeners on the loopback interface
// only (127.0.0.1 and ::1).
#include "TestURLConnector.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/EventLoop.h"

namespace {

// A listening socket on a loopback address, on a port the system picks.
class TListener {
public:
    explicit TListener(bool ipv6 = false, int backlog = 16) : ipv6_(ipv6) {
        fd_ = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return;
        sockaddr_storage address = Address(0);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), Length()) != 0 ||
            ::listen(fd_, backlog) != 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                           : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    }
    ~TListener() {
        for (int f : fillers_) ::close(f);
        if (fd_ >= 0) ::close(fd_);
    }
    TListener(const TListener&) = delete;
    TListener& operator=(const TListener&) = delete;

    bool Ok() const { return fd_ >= 0; }
    uint16_t Port() const { return port_; }
    // Fills the accept queue of a listener made with backlog 0, so that the next connect
    // stays under way; false when the system would not hold one back.
    bool FillBacklog() {
        for (int i = 0; i < 32; ++i) {
            const int c =
                ::socket(ipv6_ ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_storage address = Address(port_);
            ::connect(c, reinterpret_cast<sockaddr*>(&address), Length());
            fillers_.push_back(c);
            pollfd p{c, POLLOUT, 0};
            if (::poll(&p, 1, 200) == 0) return true;
        }
        return false;
    }

private:
    sockaddr_storage Address(uint16_t port) const {
        sockaddr_storage address{};
        if (ipv6_) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&address);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_loopback;
            a->sin6_port = htons(port);
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&address);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a->sin_port = htons(port);
        }
        return address;
    }
    socklen_t Length() const {
        return ipv6_ ? socklen_t(sizeof(sockaddr_in6)) : socklen_t(sizeof(sockaddr_in));
    }

    int fd_ = -1;
    uint16_t port_ = 0;
    bool ipv6_ = false;
    std::vector<int> fillers_;
};

uint16_t ClosedPort() {
    TListener listener;
    return listener.Port();  // closed when the listener goes
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    return ProcessMessagesUntil(
        milliseconds, [](void* p) { return (*static_cast<const std::function<bool()>*>(p))(); },
        const_cast<std::function<bool()>*>(&done));
}

std::string Port(uint16_t port) {
    return std::to_string(port);
}

class HTTPConnector : public ::testing::Test {
protected:
    // One row over the real connector; pumps events until the run is over.
    TTestURLRow RunOne(const std::string& url) {
        TTestURLRun run(connector, SteadyClock());
        TTestURLRow row;
        row.URL = url;
        row.Selected = true;
        run.Rows().push_back(row);
        run.Start();
        EXPECT_TRUE(PumpUntil([&] { return !run.Running(); }));
        return run.Rows().at(0);
    }
    // The outcome of one connect through the connector itself.
    std::string Outcome(const std::string& url) {
        std::string outcome;
        connector.Start(url,
                        [&](bool ok, const std::string& error) { outcome = ok ? "ok" : error; });
        EXPECT_TRUE(PumpUntil([&] { return !outcome.empty(); }));
        return outcome;
    }

    TListener listener;
    THTTPConnector connector;
};

TEST_F(HTTPConnector, AListeningPortAnswersAndTheConnectionIsClosed) {
    ASSERT_TRUE(listener.Ok());
    const int before = OpenDescriptors();
    const TTestURLRow row = RunOne("http://127.0.0.1:" + Port(listener.Port()) + "/index.htm");
    EXPECT_EQ(row.Result, "S");
    EXPECT_EQ(row.ImageIndex, tuAnswered);
    EXPECT_EQ(connector.Client().SocketHandle(), wsINVALID_SOCKET);
    // The https form is a TCP connect to its port as well.
    EXPECT_EQ(Outcome("HTTPS://127.0.0.1:" + Port(listener.Port()) + "/"), "ok");
    EXPECT_TRUE(PumpUntil([&] { return OpenDescriptors() == before; }, 2000));
}

TEST_F(HTTPConnector, AClosedPortFailsAtOnceWithTheClientsText) {
    EXPECT_EQ(Outcome("http://127.0.0.1:" + Port(ClosedPort())), "[10061] Connection refused");
    const TTestURLRow row = RunOne("http://127.0.0.1:" + Port(ClosedPort()) + "/");
    EXPECT_EQ(row.ImageIndex, tuFailed);
    EXPECT_EQ(row.Result, "");
}

TEST_F(HTTPConnector, AConnectThatNeverCompletesTimesOutOrIsCancelledAtOnce) {
    TListener stalled(false, 0);
    if (!stalled.FillBacklog()) GTEST_SKIP() << "the system accepts every connect";
    const std::string url = "http://127.0.0.1:" + Port(stalled.Port()) + "/";
    {
        THTTPConnector quick(1);  // an injected one-second time-out
        std::string outcome;
        quick.Start(url, [&](bool, const std::string& error) { outcome = error; });
        EXPECT_TRUE(PumpUntil([&] { return !outcome.empty(); }));
        EXPECT_EQ(outcome, "Operation timed out");
    }
    // Close during the connect: cancelled at once, nothing reported, nothing left open.
    const int before = OpenDescriptors();
    bool reported = false;
    {
        TTestURLRun run(connector, SteadyClock());
        TTestURLRow row;
        row.URL = url;
        row.Selected = true;
        run.Rows() = {row, row};
        run.Start();
        EXPECT_TRUE(connector.Client().Connecting());
        run.OnRowChanged = [&](int) { reported = true; };
        run.Stop();
        EXPECT_FALSE(connector.Client().Connecting());
        EXPECT_EQ(connector.Client().SocketHandle(), wsINVALID_SOCKET);
    }
    ProcessMessagesUntil(
        50, [](void*) { return false; }, nullptr);
    EXPECT_FALSE(reported);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(HTTPConnector, Ipv6LoopbackWhereTheSystemHasIt) {
    TListener six(true);
    if (!six.Ok()) GTEST_SKIP() << "no IPv6 loopback";
    EXPECT_EQ(Outcome("http://[::1]:" + Port(six.Port()) + "/"), "ok");
    EXPECT_EQ(Outcome("http://[::1]:" + Port(ClosedPort()) + "/"), "[10061] Connection refused");
}

}  // namespace
