// The one door to the sockets library: its functions by name, and its errors as exceptions.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Classes.h"
#include "platform/Exceptions.h"
#include "platform/Sockets.h"

// A failing sockets call, a missing library or a missing function.
LORVANE_EXCEPTION(EWinsockError, Exception);
// A connect that waited longer than its time-out: "Operation timed out".
LORVANE_EXCEPTION(EmsTimedOutError, Exception);

// One entry of the error-text table: the code and its text "[code] description".
struct TWinsockErrorText {
    int Code;
    const char* Text;
};

// The error text of a sockets error code (taken as 16 bits), or "Winsock error no " + code when
// the table has none.
std::string WinsockErrorText(int code);
// The whole table, for those who list it.
const TWinsockErrorText* WinsockErrorTable(int& count);

// An address of either family with its port, ready for connect.
struct TmsSockAddr {
    int Family = wsAF_INET;
    TSockAddrIn In;
    TSockAddrIn6 In6;
    const void* Data() const { return Family == wsAF_INET6 ? static_cast<const void*>(&In6) : &In; }
    int Length() const { return Family == wsAF_INET6 ? int(sizeof In6) : int(sizeof In); }
};

// Each socket function is looked up by name at the moment of the call and returns the library's
// result unchanged; the caller checks it.
// (Code that uses this class must not see the system's socket headers: some of their names are
// macros.)
class TmsWinsock : public TObject {
public:
    // Loads the library and starts it with `version`; a refused start raises
    // "Invalid winsock version". A library that cannot be loaded is no error here.
    explicit TmsWinsock(uint16_t version);
    ~TmsWinsock() override;
    TmsWinsock(const TmsWinsock&) = delete;
    TmsWinsock& operator=(const TmsWinsock&) = delete;

    void LoadWinsock();
    void UnloadWinsock();
    bool Loaded() const { return library_ != nullptr; }
    // Raises "Winsock not loaded" or "Function <name> not found".
    TProc GetFunction(const std::string& name) const;

    [[noreturn]] void RaiseWinsockError(int code) const;
    // The error that the last failing call of this thread left.
    [[noreturn]] void RaiseLastError();

    // Whether the text is a numeric address: IPv4 in any classic form ("127.1" too), or IPv6.
    bool IsAddress(const std::string& text);
    // A numeric address comes back unchanged; a name is looked up and its first address
    // returned as text.
    std::string Resolve(const std::string& host);
    // The IPv4 address in network order; the no-address value 255.255.255.255 raises.
    uint32_t AddressOf(const std::string& text);
    // A numeric address of either family with a port (host order), for connect.
    TmsSockAddr SockAddrOf(const std::string& text, uint16_t port);
    // The text of the first address of a look-up's result.
    std::string HostAddressText(const THostEnt& host);

    static uint16_t SelectError(intptr_t lParam) { return uint16_t(uint32_t(lParam) >> 16); }
    static uint16_t SelectEvent(intptr_t lParam) { return uint16_t(uint32_t(lParam) & 0xFFFF); }

    TSocket socket(int af, int type, int protocol);
    int connect(TSocket s, const void* name, int nameLength);
    int closesocket(TSocket s);
    int shutdown(TSocket s, int how);
    int ioctlsocket(TSocket s, uint32_t command, uint32_t* argument);
    int setsockopt(TSocket s, int level, int name, const void* value, int length);
    uint16_t htons(uint16_t value);
    uint32_t inet_addr(const char* text);
    const char* inet_ntoa(TInAddr address);
    int inet_pton(int af, const char* text, void* address);
    const char* inet_ntop(int af, const void* address, char* text, size_t size);
    const THostEnt* gethostbyname(const char* name);
    int WSAStartup(uint16_t version, TWSAData* data);
    int WSACleanup();
    int WSAGetLastError();
    int WSAAsyncSelect(TSocket s, TWindowHandle window, uint32_t message, long events);
    TAsyncHandle WSAAsyncGetHostByName(TWindowHandle window, uint32_t message, const char* name,
                                       THostEnt* result);
    int WSACancelAsyncRequest(TAsyncHandle request);

    uint16_t Version = 0;
    uint16_t HighVersion = 0;
    std::string Description;   // at most 255 bytes
    std::string SystemStatus;  // at most 255 bytes
    uint16_t MaxSockets = 0;
    uint16_t MaxUdpDg = 0;

private:
    template <class F>
    F Function(const char* name) const {
        return reinterpret_cast<F>(GetFunction(name));
    }
    TModuleHandle library_ = nullptr;
};

// The program's one instance, started for version 1.1 when the program starts.
extern TmsWinsock Winsock;
