// Loopback servers, stand-in exports and event helpers for the network tests.
#include "NetTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>

#include <gtest/gtest.h>

#include "platform/EventLoop.h"

namespace {

// The event loop that notifications and timers need, for the whole test program.
class EventLoopEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_net";
        static char* argv[] = {name, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }
    void TearDown() override {
        // Notifiers freed inside their own callbacks are deleted late; let them go.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete app_;
    }

private:
    QCoreApplication* app_ = nullptr;
};

[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new EventLoopEnvironment);

sockaddr_storage LoopbackAddress(bool ipv6, uint16_t port, socklen_t& length) {
    sockaddr_storage address{};
    if (ipv6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&address);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_loopback;
        a->sin6_port = htons(port);
        length = sizeof *a;
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&address);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a->sin_port = htons(port);
        length = sizeof *a;
    }
    return address;
}

uint16_t BoundPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return address.ss_family == AF_INET6
               ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

}  // namespace

TLoopbackServer::TLoopbackServer(bool ipv6, int backlog) : ipv6_(ipv6) {
    fd_ = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    socklen_t length = 0;
    sockaddr_storage address = LoopbackAddress(ipv6, 0, length);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd_, backlog) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    port_ = BoundPort(fd_);
}

TLoopbackServer::~TLoopbackServer() {
    for (int f : fillers_) ::close(f);
    if (fd_ >= 0) ::close(fd_);
}

int TLoopbackServer::Accept(int milliseconds) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, milliseconds) != 1) return -1;
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

bool TLoopbackServer::FillBacklog() {
    for (int i = 0; i < 32; ++i) {
        int c = ::socket(ipv6_ ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        socklen_t length = 0;
        sockaddr_storage address = LoopbackAddress(ipv6_, port_, length);
        ::connect(c, reinterpret_cast<sockaddr*>(&address), length);
        fillers_.push_back(c);
        pollfd p{c, POLLOUT, 0};
        if (::poll(&p, 1, 200) == 0) return true;  // this one is held back: the queue is full
    }
    return false;
}

uint16_t ClosedLoopbackPort() {
    TLoopbackServer server;
    return server.Port();  // closed when the server goes
}

bool Ipv6LoopbackAvailable() {
    TLoopbackServer server(true);
    return server.Ok();
}

int OpenDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

int DescriptorsSettleAt(int expected) {
    int count = OpenDescriptorCount();
    // A look-up's worker lets go of its wake-up descriptor a moment after reporting.
    ProcessEventsUntil([&] { return (count = OpenDescriptorCount()) == expected; }, 2000);
    return count;
}

void CloseWithReset(int fd) {
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

void CloseDescriptor(int fd) {
    ::close(fd);
}

void SendBytes(int fd, const std::string& bytes) {
    [[maybe_unused]] ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

bool ProcessEventsUntil(const std::function<bool()>& done, int milliseconds) {
    return ProcessMessagesUntil(
        milliseconds, [](void* p) { return (*static_cast<const std::function<bool()>*>(p))(); },
        const_cast<std::function<bool()>*>(&done));
}

void ProcessEventsFor(int milliseconds) {
    ProcessEventsUntil([] { return false; }, milliseconds);
}

void Queue(std::function<void()> action) {
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(action));
}

TExportStandIn::TExportStandIn(const char* name, TProc replacement)
    : module_(LoadModule(SocketLibraryName)), name_(name) {
    previous_ = ReplaceModuleProc(module_, name_, replacement);
}

TExportStandIn::~TExportStandIn() {
    ReplaceModuleProc(module_, name_, previous_);
    FreeModule(module_);
}

namespace resolvers {
namespace {
std::atomic<int> calls{0};
std::mutex lock;
std::condition_variable released;
// A stuck look-up waits for the release of its own test, so a later test's reset can never
// trap a worker that an earlier test has already let go.
int generation = 0;
int releasedGeneration = -1;

void SetError(int error) {
    Export<TWSASetLastErrorProc>("WSASetLastError")(error);
}
}  // namespace

int Calls() {
    return calls;
}

void ResetCalls() {
    calls = 0;
    std::lock_guard guard(lock);
    ++generation;
}

const THostEnt* NotFound(const char*) {
    ++calls;
    SetError(WSAHOST_NOT_FOUND);
    return nullptr;
}

const THostEnt* Loopback(const char* name) {
    ++calls;
    thread_local THostEnt host;
    host = THostEnt{};
    host.h_name = name;
    host.h_addr_list.push_back(std::string("\x7f\x00\x00\x01", 4));
    return &host;
}

const THostEnt* Stuck(const char*) {
    ++calls;
    std::unique_lock guard(lock);
    int mine = generation;
    released.wait(guard, [mine] { return releasedGeneration >= mine; });
    SetError(WSATRY_AGAIN);
    return nullptr;
}

void Release() {
    {
        std::lock_guard guard(lock);
        releasedGeneration = generation;
    }
    released.notify_all();
}

}  // namespace resolvers

void TRecordingTarget::Perform(TWindowMessage& message) {
    Received.push_back(message);
    if (OnMessage) OnMessage(message);
}
