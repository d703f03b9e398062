// Loopback servers, stand-in exports and event helpers for the tests; loopback traffic only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Sockets.h"

// A listening TCP socket on the loopback address, on a port the system picks.
class TLoopbackServer {
public:
    explicit TLoopbackServer(bool ipv6 = false, int backlog = 16);
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    bool Ok() const { return fd_ >= 0; }
    uint16_t Port() const { return port_; }
    // Accepts one pending connection, waiting up to `milliseconds`; -1 when none came.
    int Accept(int milliseconds = 2000);
    // Fills the accept queue (the server must have been made with backlog 0), so that the
    // next connect stays under way; false when the system would not hold one back.
    bool FillBacklog();

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    bool ipv6_ = false;
    std::vector<int> fillers_;
};

// A loopback port where nothing listens.
uint16_t ClosedLoopbackPort();
bool Ipv6LoopbackAvailable();
// The number of descriptors the process has open.
int OpenDescriptorCount();
// Waits (processing events) until the count is back to `expected`; returns the last count.
int DescriptorsSettleAt(int expected);
// Closes a descriptor so that the peer sees a reset rather than an orderly close.
void CloseWithReset(int fd);
void CloseDescriptor(int fd);
// Sends a few bytes on a descriptor.
void SendBytes(int fd, const std::string& bytes);

// Processes events, sleeping between them, until `done` or `milliseconds` have passed.
bool ProcessEventsUntil(const std::function<bool()>& done, int milliseconds = 3000);
void ProcessEventsFor(int milliseconds);
// Runs `action` from the event loop, soon (a queued call).
void Queue(std::function<void()> action);

// Puts a stand-in in place of one export of the sockets module for the life of the object.
class TExportStandIn {
public:
    TExportStandIn(const char* name, TProc replacement);
    ~TExportStandIn();
    TExportStandIn(const TExportStandIn&) = delete;
    TExportStandIn& operator=(const TExportStandIn&) = delete;
    TProc Previous() const { return previous_; }

private:
    TModuleHandle module_;
    std::string name_;
    TProc previous_;
};

template <class F>
TProc AsProc(F* function) {
    return reinterpret_cast<TProc>(function);
}

// A sockets module export, typed.
template <class F>
F Export(const char* name) {
    TModuleHandle module = LoadModule(SocketLibraryName);
    TProc proc = GetModuleProc(module, name);
    FreeModule(module);
    return reinterpret_cast<F>(proc);
}

// Stand-in resolvers. Calls are counted, from whichever thread they come.
namespace resolvers {
int Calls();
void ResetCalls();
// Fails with "host not found".
const THostEnt* NotFound(const char* name);
// Answers 127.0.0.1 for every name.
const THostEnt* Loopback(const char* name);
// Blocks until Release(), then fails with "try again".
const THostEnt* Stuck(const char* name);
void Release();
}  // namespace resolvers

// Records what a message target receives.
class TRecordingTarget : public TMessageTarget {
public:
    void Perform(TWindowMessage& message) override;
    std::vector<TWindowMessage> Received;
    std::function<void(TWindowMessage&)> OnMessage;
};
