// The sockets library as loaded at run time: a module found by name, its functions by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---- Modules loaded at run time ----

// A function of a module, as found by name; cast it to its own type before calling.
using TProc = void (*)();
struct TModule;
using TModuleHandle = TModule*;

// The name under which the sockets library is found.
inline constexpr const char* SocketLibraryName = "wsock32.dll";

// Loads a module by name (letter case ignored); nullptr when there is no such module.
// Every load must be matched by a FreeModule.
TModuleHandle LoadModule(std::string_view name);
void FreeModule(TModuleHandle module);
// The function exported under `name` (letter case matters); nullptr when there is none.
TProc GetModuleProc(TModuleHandle module, std::string_view name);
// Puts `replacement` in place of an export and returns the previous function, so a test can
// stand in for the network (a resolver that fails, a connect that never completes).
// nullptr restores nothing: pass back the returned function to undo.
TProc ReplaceModuleProc(TModuleHandle module, std::string_view name, TProc replacement);

// ---- The library's numbers ----

using TSocket = int;  // a descriptor
inline constexpr TSocket wsINVALID_SOCKET = -1;
inline constexpr int wsSOCKET_ERROR = -1;

inline constexpr int wsAF_INET = 2;
inline constexpr int wsAF_INET6 = 23;
inline constexpr int wsSOCK_STREAM = 1;
inline constexpr int wsSOCK_DGRAM = 2;
inline constexpr int wsIPPROTO_TCP = 6;
inline constexpr int wsIPPROTO_UDP = 17;

inline constexpr int wsSOL_SOCKET = 0xFFFF;
inline constexpr int wsSO_REUSEADDR = 0x0004;
inline constexpr int wsSO_KEEPALIVE = 0x0008;
inline constexpr int wsSO_LINGER = 0x0080;
inline constexpr int wsSO_SNDBUF = 0x1001;
inline constexpr int wsSO_RCVBUF = 0x1002;
inline constexpr int wsTCP_NODELAY = 0x0001;

inline constexpr uint32_t wsFIONBIO = 0x8004667E;
inline constexpr uint32_t wsFIONREAD = 0x4004667F;

inline constexpr int wsSD_RECEIVE = 0;
inline constexpr int wsSD_SEND = 1;
inline constexpr int wsSD_BOTH = 2;

inline constexpr uint32_t wsINADDR_NONE = 0xFFFFFFFFu;

// Event bits of an asynchronous selection, and of a notification's low word.
inline constexpr long wsFD_READ = 1;
inline constexpr long wsFD_WRITE = 2;
inline constexpr long wsFD_OOB = 4;
inline constexpr long wsFD_ACCEPT = 8;
inline constexpr long wsFD_CONNECT = 16;
inline constexpr long wsFD_CLOSE = 32;

// Error numbers, as WSAGetLastError reports them.
enum : int {
    WSABASEERR = 10000,
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEDESTADDRREQ = 10039,
    WSAEMSGSIZE = 10040,
    WSAEPROTOTYPE = 10041,
    WSAENOPROTOOPT = 10042,
    WSAEPROTONOSUPPORT = 10043,
    WSAESOCKTNOSUPPORT = 10044,
    WSAEOPNOTSUPP = 10045,
    WSAEPFNOSUPPORT = 10046,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETOOMANYREFS = 10059,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAELOOP = 10062,
    WSAENAMETOOLONG = 10063,
    WSAEHOSTDOWN = 10064,
    WSAEHOSTUNREACH = 10065,
    WSAENOTEMPTY = 10066,
    WSAEPROCLIM = 10067,
    WSAEUSERS = 10068,
    WSAEDQUOT = 10069,
    WSAESTALE = 10070,
    WSAEREMOTE = 10071,
    WSASYSNOTREADY = 10091,
    WSAVERNOTSUPPORTED = 10092,
    WSANOTINITIALISED = 10093,
    WSAEDISCON = 10094,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

// The library's error number for a system error number. Numbers without a counterpart are
// passed on unchanged (they have no text of their own).
int SocketErrorFromErrno(int errnoValue);
// The library's error number for a name resolver's result code; `errnoValue` is consulted when
// the resolver reports a system error.
int SocketErrorFromResolver(int resolverCode, int errnoValue);

// ---- The library's records ----

struct TInAddr {
    uint32_t S_addr = 0;  // network byte order
};

// An IPv4 address with its port: 16 bytes, family first.
struct TSockAddrIn {
    int16_t sin_family = wsAF_INET;
    uint16_t sin_port = 0;  // network byte order
    TInAddr sin_addr;
    char sin_zero[8] = {};
};
static_assert(sizeof(TSockAddrIn) == 16);

// An IPv6 address with its port: 28 bytes, family first.
struct TSockAddrIn6 {
    int16_t sin6_family = wsAF_INET6;
    uint16_t sin6_port = 0;  // network byte order
    uint32_t sin6_flowinfo = 0;
    uint8_t sin6_addr[16] = {};
    uint32_t sin6_scope_id = 0;
};
static_assert(sizeof(TSockAddrIn6) == 28);

// The linger option as the library takes it: two 16-bit values, 4 bytes.
struct TLinger {
    uint16_t l_onoff = 0;
    uint16_t l_linger = 0;
};
static_assert(sizeof(TLinger) == 4);

// The addresses of a host. Each entry of h_addr_list holds h_length bytes in network order;
// h_addrtype is wsAF_INET, or wsAF_INET6 for a host that has no IPv4 address.
struct THostEnt {
    std::string h_name;
    int16_t h_addrtype = wsAF_INET;
    int16_t h_length = 4;
    std::vector<std::string> h_addr_list;
};

struct TWSAData {
    uint16_t wVersion = 0;
    uint16_t wHighVersion = 0;
    std::string szDescription;
    std::string szSystemStatus;
    uint16_t iMaxSockets = 0;
    uint16_t iMaxUdpDg = 0;
};

// ---- Where asynchronous notifications go ----

struct TWindowMessage {
    uint32_t Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

// The receiver of a selection's or a look-up's notifications, standing in for a hidden window.
// Notifications arrive on the thread that runs the event loop, from inside it. Destroying a
// target cancels every selection and look-up aimed at it.
class TMessageTarget {
public:
    TMessageTarget() = default;
    TMessageTarget(const TMessageTarget&) = delete;
    TMessageTarget& operator=(const TMessageTarget&) = delete;
    virtual ~TMessageTarget();
    virtual void Perform(TWindowMessage& message) = 0;
};
using TWindowHandle = TMessageTarget*;
using TAsyncHandle = uintptr_t;  // 0: none

// A notification's LParam: the event in the low word, the error in the high word.
constexpr intptr_t MakeSelectReply(long event, int error) {
    return intptr_t((uint32_t(uint16_t(error)) << 16) | uint16_t(event));
}

// ---- The exports' types, by export name ----
// Every export reports failure by its result (wsSOCKET_ERROR, wsINVALID_SOCKET, nullptr, 0)
// and leaves the error number for "WSAGetLastError" of the calling thread.

using TSocketProc = TSocket (*)(int af, int type, int protocol);                    // socket
using TConnectProc = int (*)(TSocket s, const void* name, int nameLength);          // connect
using TCloseSocketProc = int (*)(TSocket s);                                        // closesocket
using TShutdownProc = int (*)(TSocket s, int how);                                  // shutdown
using TIoctlSocketProc = int (*)(TSocket s, uint32_t command, uint32_t* argument);  // ioctlsocket
using TSetSockOptProc = int (*)(TSocket s, int level, int name, const void* value, int length);
using THtonsProc = uint16_t (*)(uint16_t value);                         // htons
using TInetAddrProc = uint32_t (*)(const char* text);                    // inet_addr
using TInetNtoaProc = const char* (*)(TInAddr address);                  // inet_ntoa
using TInetPtonProc = int (*)(int af, const char* text, void* address);  // inet_pton
using TInetNtopProc = const char* (*)(int af, const void* address, char* text, size_t size);
using TGetHostByNameProc = const THostEnt* (*)(const char* name);  // gethostbyname
using TWSAStartupProc = int (*)(uint16_t version, TWSAData* data);
using TWSACleanupProc = int (*)();
using TWSAGetLastErrorProc = int (*)();
using TWSASetLastErrorProc = void (*)(int error);
// WSAAsyncSelect: `events` 0 ends the notifications; otherwise the socket becomes non-blocking
// and `window` receives `message` with WParam = the socket and LParam = MakeSelectReply.
using TWSAAsyncSelectProc = int (*)(TSocket s, TWindowHandle window, uint32_t message, long events);
// WSAAsyncGetHostByName: looks the name up (through the module's "gethostbyname") on a worker,
// then fills `result` and sends `message` with WParam = the returned handle and the error in
// LParam's high word. A cancelled request never writes `result`.
using TWSAAsyncGetHostByNameProc = TAsyncHandle (*)(TWindowHandle window, uint32_t message,
                                                    const char* name, THostEnt* result);
using TWSACancelAsyncRequestProc = int (*)(TAsyncHandle request);
