// The sockets module's asynchronous side: socket events and name look-ups told to targets.
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "SocketsInternal.h"
#include "platform/SocketNotifier.h"

namespace sockets_internal {
namespace {

// Everything below runs on the event loop's thread, except Resolve.

struct Selection {
    uint64_t serial = 0;  // tells a current notifier from one of an earlier registration
    TWindowHandle window = nullptr;
    uint32_t message = 0;
    long events = 0;
    bool connecting = false;
    bool connected = false;
    // Each of these is told once: nothing here reads or sends, so a level-triggered
    // notifier left on would report the same news forever.
    bool writeReported = false;
    bool readReported = false;
    bool urgentReported = false;
    bool closeReported = false;
    std::unique_ptr<TSocketNotifier> reader, writer, urgent;
};

std::map<TSocket, Selection>& Selections() {
    static auto* selections = new std::map<TSocket, Selection>;  // targets may outlive statics
    return *selections;
}

uint64_t nextSerial = 1;

Selection* Find(TSocket s, uint64_t serial) {
    auto it = Selections().find(s);
    return it != Selections().end() && it->second.serial == serial ? &it->second : nullptr;
}

void Deliver(TWindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    TWindowMessage m{message, wParam, lParam, 0};
    window->Perform(m);
}

void Apply(TSocket s, Selection& sel);

void OnWritable(TSocket s, uint64_t serial) {
    Selection* sel = Find(s, serial);
    if (!sel) return;
    if (!sel->connecting) {
        sel->writeReported = true;
        Apply(s, *sel);
        Deliver(sel->window, sel->message, uintptr_t(s), MakeSelectReply(wsFD_WRITE, 0));
        return;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error == 0) {
        sockaddr_storage peer{};
        socklen_t peerLength = sizeof peer;
        if (::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) {
            // Writable yet not connected: the failure's number has been taken already, so a
            // read brings it out (or says the socket is not connected).
            char byte;
            error = ::read(s, &byte, 1) < 0 ? errno : ENOTCONN;
        }
    }
    sel->connecting = false;
    sel->connected = error == 0;
    Apply(s, *sel);
    if (sel->events & wsFD_CONNECT)
        Deliver(sel->window, sel->message, uintptr_t(s),
                MakeSelectReply(wsFD_CONNECT, SocketErrorFromErrno(error)));
}

void OnReadable(TSocket s, uint64_t serial) {
    Selection* sel = Find(s, serial);
    if (!sel) return;
    char byte;
    ssize_t n = ::recv(s, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n > 0) {
        // Data: a close behind it cannot be seen without reading, which is the owner's part.
        sel->readReported = true;
        Apply(s, *sel);
        if (sel->events & wsFD_READ)
            Deliver(sel->window, sel->message, uintptr_t(s), MakeSelectReply(wsFD_READ, 0));
        return;
    }
    int error = n == 0 ? 0 : SocketErrorFromErrno(errno);
    sel->closeReported = true;
    Apply(s, *sel);
    if (sel->events & wsFD_CLOSE)
        Deliver(sel->window, sel->message, uintptr_t(s), MakeSelectReply(wsFD_CLOSE, error));
}

void OnUrgent(TSocket s, uint64_t serial) {
    Selection* sel = Find(s, serial);
    if (!sel) return;
    sel->urgentReported = true;
    Apply(s, *sel);
    Deliver(sel->window, sel->message, uintptr_t(s), MakeSelectReply(wsFD_OOB, 0));
}

void Keep(std::unique_ptr<TSocketNotifier>& notifier, bool wanted, TSocket s, uint64_t serial,
          TSocketNotifierType type, void (*handler)(TSocket, uint64_t)) {
    if (!wanted) {
        notifier.reset();
    } else if (!notifier) {
        notifier = std::make_unique<TSocketNotifier>(
            s, type, [s, serial, handler](int) { handler(s, serial); });
    }
}

// Keeps exactly the notifiers that can still bring news the target asked for.
void Apply(TSocket s, Selection& sel) {
    bool active = sel.window && sel.events != 0;
    bool wantWrite = sel.connecting
                         ? (sel.events & (wsFD_CONNECT | wsFD_WRITE)) != 0
                         : sel.connected && (sel.events & wsFD_WRITE) && !sel.writeReported;
    bool wantRead = sel.connected && (sel.events & (wsFD_READ | wsFD_CLOSE)) && !sel.readReported &&
                    !sel.closeReported;
    bool wantUrgent =
        sel.connected && (sel.events & wsFD_OOB) && !sel.urgentReported && !sel.closeReported;
    Keep(sel.writer, active && wantWrite, s, sel.serial, TSocketNotifierType::sntWrite, OnWritable);
    Keep(sel.reader, active && wantRead, s, sel.serial, TSocketNotifierType::sntRead, OnReadable);
    Keep(sel.urgent, active && wantUrgent, s, sel.serial, TSocketNotifierType::sntException,
         OnUrgent);
}

bool IsConnected(TSocket s) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    return ::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
}

// ---- Look-ups ----

// What a look-up's worker and the event loop's side share; the last one to let go closes the
// descriptor, so a worker finishing after a cancel never writes to a reused number.
struct LookupShared {
    int wakeUp = -1;
    std::mutex lock;
    bool done = false;
    int error = 0;
    THostEnt result;
    ~LookupShared() {
        if (wakeUp >= 0) ::close(wakeUp);
    }
};

struct Lookup {
    TWindowHandle window = nullptr;
    uint32_t message = 0;
    THostEnt* result = nullptr;
    std::shared_ptr<LookupShared> shared;
    std::unique_ptr<TSocketNotifier> notifier;
};

std::map<TAsyncHandle, Lookup>& Lookups() {
    static auto* lookups = new std::map<TAsyncHandle, Lookup>;
    return *lookups;
}

TAsyncHandle nextLookup = 1;

void Resolve(const std::shared_ptr<LookupShared>& shared, const std::string& name) {
    // Through the module's export, so that a stand-in resolver is used here too.
    auto resolver = reinterpret_cast<TGetHostByNameProc>(Export("gethostbyname"));
    const THostEnt* host = nullptr;
    int error = WSASYSNOTREADY;
    if (resolver) {
        SetLastError(0);
        host = resolver(name.c_str());
        error = host ? 0 : LastError();
        if (!host && error == 0) error = WSANO_DATA;
    }
    {
        std::lock_guard guard(shared->lock);
        if (host) shared->result = *host;
        shared->error = error;
        shared->done = true;
    }
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(shared->wakeUp, &one, sizeof one);
}

void LookupFinished(TAsyncHandle handle) {
    auto it = Lookups().find(handle);
    if (it == Lookups().end()) return;
    Lookup& lookup = it->second;
    int error = 0;
    {
        std::lock_guard guard(lookup.shared->lock);
        if (!lookup.shared->done) return;
        error = lookup.shared->error;
        if (error == 0) *lookup.result = std::move(lookup.shared->result);
    }
    TWindowHandle window = lookup.window;
    uint32_t message = lookup.message;
    Lookups().erase(it);  // the running notifier included; it allows that
    Deliver(window, message, handle, MakeSelectReply(0, error));
}

}  // namespace

void ConnectStarted(TSocket s) {
    auto [it, added] = Selections().try_emplace(s);
    Selection& sel = it->second;
    if (added) sel.serial = nextSerial++;
    sel.connecting = true;
    sel.connected = false;
    sel.writeReported = sel.readReported = sel.urgentReported = sel.closeReported = false;
    Apply(s, sel);
}

void SocketClosing(TSocket s) {
    Selections().erase(s);
}

int AsyncSelect(TSocket s, TWindowHandle window, uint32_t message, long events) {
    int type = 0;
    socklen_t length = sizeof type;
    if (s < 0 || ::getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &length) != 0) {
        SetLastError(WSAENOTSOCK);
        return wsSOCKET_ERROR;
    }
    if (events != 0 && !window) {
        SetLastError(WSAEINVAL);
        return wsSOCKET_ERROR;
    }
    if (events != 0) {
        // Selecting makes a socket non-blocking, as the library does.
        int flags = ::fcntl(s, F_GETFL);
        if (flags < 0 || ::fcntl(s, F_SETFL, flags | O_NONBLOCK) != 0) {
            SetLastError(SocketErrorFromErrno(errno));
            return wsSOCKET_ERROR;
        }
    }
    auto [it, added] = Selections().try_emplace(s);
    Selection& sel = it->second;
    if (added) sel.connected = IsConnected(s);
    // A new registration: notifiers of the old one must not report to the new target.
    sel.reader.reset();
    sel.writer.reset();
    sel.urgent.reset();
    sel.serial = nextSerial++;
    sel.window = events != 0 ? window : nullptr;
    sel.message = message;
    sel.events = events;
    sel.writeReported = sel.readReported = sel.urgentReported = sel.closeReported = false;
    Apply(s, sel);
    return 0;
}

TAsyncHandle AsyncGetHostByName(TWindowHandle window, uint32_t message, const char* name,
                                THostEnt* result) {
    if (!window || !name || !result) {
        SetLastError(WSAEFAULT);
        return 0;
    }
    auto shared = std::make_shared<LookupShared>();
    shared->wakeUp = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared->wakeUp < 0) {
        SetLastError(SocketErrorFromErrno(errno));
        return 0;
    }
    TAsyncHandle handle = nextLookup++;
    Lookup lookup;
    lookup.window = window;
    lookup.message = message;
    lookup.result = result;
    lookup.shared = shared;
    lookup.notifier = std::make_unique<TSocketNotifier>(
        shared->wakeUp, TSocketNotifierType::sntRead, [handle](int) { LookupFinished(handle); });
    try {
        std::thread(Resolve, shared, std::string(name)).detach();
    } catch (const std::system_error&) {
        SetLastError(WSAENOBUFS);
        return 0;
    }
    Lookups().emplace(handle, std::move(lookup));
    return handle;
}

int CancelAsyncRequest(TAsyncHandle request) {
    if (Lookups().erase(request) == 0) {
        SetLastError(WSAEINVAL);
        return wsSOCKET_ERROR;
    }
    return 0;
}

}  // namespace sockets_internal

TMessageTarget::~TMessageTarget() {
    using namespace sockets_internal;
    for (auto& [s, sel] : Selections()) {
        if (sel.window != this) continue;
        sel.window = nullptr;
        sel.events = 0;
        Apply(s, sel);
    }
    std::erase_if(Lookups(), [this](const auto& entry) { return entry.second.window == this; });
}
