// The sockets module over POSIX sockets and the resolver, and the table of modules by name.
#include "platform/Sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "SocketsInternal.h"
#include "platform/SysUtils.h"

struct TModule {
    std::string name;
    int loads = 0;
    std::map<std::string, TProc, std::less<>> exports;
};

namespace {

using namespace sockets_internal;

thread_local int lastError = 0;

int Fail(int error) {
    SetLastError(error);
    return wsSOCKET_ERROR;
}

int FailErrno() {
    return Fail(SocketErrorFromErrno(errno));
}

int PosixFamily(int af) {
    if (af == wsAF_INET) return AF_INET;
    if (af == wsAF_INET6) return AF_INET6;
    return -1;
}

TSocket Socket(int af, int type, int protocol) {
    int family = PosixFamily(af);
    if (family < 0) return Fail(WSAEAFNOSUPPORT);
    int kind = type == wsSOCK_STREAM ? SOCK_STREAM : type == wsSOCK_DGRAM ? SOCK_DGRAM : -1;
    if (kind < 0) return Fail(WSAESOCKTNOSUPPORT);
    int s = ::socket(family, kind | SOCK_CLOEXEC, protocol);
    return s < 0 ? FailErrno() : s;
}

int Connect(TSocket s, const void* name, int nameLength) {
    if (!name || nameLength < int(sizeof(int16_t))) return Fail(WSAEFAULT);
    int16_t family = 0;
    std::memcpy(&family, name, sizeof family);
    sockaddr_storage address{};
    socklen_t addressLength = 0;
    if (family == wsAF_INET) {
        if (nameLength < int(sizeof(TSockAddrIn))) return Fail(WSAEFAULT);
        TSockAddrIn in;
        std::memcpy(&in, name, sizeof in);
        // Nothing can listen on port 0; say so instead of letting the system pick a meaning.
        if (in.sin_port == 0) return Fail(WSAEADDRNOTAVAIL);
        auto* to = reinterpret_cast<sockaddr_in*>(&address);
        to->sin_family = AF_INET;
        to->sin_port = in.sin_port;
        to->sin_addr.s_addr = in.sin_addr.S_addr;
        addressLength = sizeof *to;
    } else if (family == wsAF_INET6) {
        if (nameLength < int(sizeof(TSockAddrIn6))) return Fail(WSAEFAULT);
        TSockAddrIn6 in6;
        std::memcpy(&in6, name, sizeof in6);
        if (in6.sin6_port == 0) return Fail(WSAEADDRNOTAVAIL);
        auto* to = reinterpret_cast<sockaddr_in6*>(&address);
        to->sin6_family = AF_INET6;
        to->sin6_port = in6.sin6_port;
        to->sin6_flowinfo = in6.sin6_flowinfo;
        std::memcpy(&to->sin6_addr, in6.sin6_addr, sizeof in6.sin6_addr);
        to->sin6_scope_id = in6.sin6_scope_id;
        addressLength = sizeof *to;
    } else {
        return Fail(WSAEAFNOSUPPORT);
    }
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address), addressLength) == 0) {
        ConnectStarted(s);  // a selection still reports the connect, as it would later
        return 0;
    }
    int error = errno;
    if (error == EINPROGRESS) {
        // The library's word for a non-blocking connect under way.
        ConnectStarted(s);
        return Fail(WSAEWOULDBLOCK);
    }
    return Fail(SocketErrorFromErrno(error));
}

int CloseSocket(TSocket s) {
    // The notifiers go before the descriptor, which may be reused at once.
    SocketClosing(s);
    if (::close(s) != 0 && errno != EINTR) return FailErrno();  // EINTR: closed all the same
    return 0;
}

int Shutdown(TSocket s, int how) {
    int posixHow = how == wsSD_RECEIVE ? SHUT_RD
                   : how == wsSD_SEND  ? SHUT_WR
                   : how == wsSD_BOTH  ? SHUT_RDWR
                                       : -1;
    if (posixHow < 0) return Fail(WSAEINVAL);
    return ::shutdown(s, posixHow) == 0 ? 0 : FailErrno();
}

int IoctlSocket(TSocket s, uint32_t command, uint32_t* argument) {
    if (!argument) return Fail(WSAEFAULT);
    if (command == wsFIONBIO) {
        int flags = ::fcntl(s, F_GETFL);
        if (flags < 0) return FailErrno();
        flags = *argument ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
        return ::fcntl(s, F_SETFL, flags) == 0 ? 0 : FailErrno();
    }
    if (command == wsFIONREAD) {
        int pending = 0;
        if (::ioctl(s, FIONREAD, &pending) != 0) return FailErrno();
        *argument = uint32_t(pending);
        return 0;
    }
    return Fail(WSAEINVAL);
}

int SetSockOpt(TSocket s, int level, int name, const void* value, int length) {
    if (!value) return Fail(WSAEFAULT);
    if (level == wsSOL_SOCKET && name == wsSO_LINGER) {
        // Two 16-bit values here; the system's record holds two ints.
        if (length < int(sizeof(TLinger))) return Fail(WSAEFAULT);
        TLinger given;
        std::memcpy(&given, value, sizeof given);
        linger posix{given.l_onoff != 0 ? 1 : 0, int(given.l_linger)};
        return ::setsockopt(s, SOL_SOCKET, SO_LINGER, &posix, sizeof posix) == 0 ? 0 : FailErrno();
    }
    int posixLevel = -1, posixName = -1;
    if (level == wsSOL_SOCKET) {
        posixLevel = SOL_SOCKET;
        posixName = name == wsSO_REUSEADDR   ? SO_REUSEADDR
                    : name == wsSO_KEEPALIVE ? SO_KEEPALIVE
                    : name == wsSO_SNDBUF    ? SO_SNDBUF
                    : name == wsSO_RCVBUF    ? SO_RCVBUF
                                             : -1;
    } else if (level == wsIPPROTO_TCP) {
        posixLevel = IPPROTO_TCP;
        posixName = name == wsTCP_NODELAY ? TCP_NODELAY : -1;
    } else {
        return Fail(WSAEINVAL);
    }
    if (posixName < 0) return Fail(WSAENOPROTOOPT);
    if (length < int(sizeof(int))) return Fail(WSAEFAULT);
    int option = 0;
    std::memcpy(&option, value, sizeof option);
    return ::setsockopt(s, posixLevel, posixName, &option, sizeof option) == 0 ? 0 : FailErrno();
}

uint16_t Htons(uint16_t value) {
    return htons(value);
}

uint32_t InetAddr(const char* text) {
    // The classic forms ("127.1", octal, hexadecimal parts) count; so does 255.255.255.255,
    // which cannot be told from the no-address value.
    in_addr address{};
    if (!text || ::inet_aton(text, &address) == 0) return wsINADDR_NONE;
    return address.s_addr;
}

const char* InetNtoa(TInAddr address) {
    thread_local char text[INET_ADDRSTRLEN];
    in_addr in{address.S_addr};
    return ::inet_ntop(AF_INET, &in, text, sizeof text);
}

int InetPton(int af, const char* text, void* address) {
    int family = PosixFamily(af);
    if (family < 0) return Fail(WSAEAFNOSUPPORT);
    if (!text || !address) return Fail(WSAEFAULT);
    return ::inet_pton(family, text, address);
}

const char* InetNtop(int af, const void* address, char* text, size_t size) {
    int family = PosixFamily(af);
    if (family < 0) {
        SetLastError(WSAEAFNOSUPPORT);
        return nullptr;
    }
    if (!address || !text) {
        SetLastError(WSAEFAULT);
        return nullptr;
    }
    const char* result = ::inet_ntop(family, address, text, socklen_t(size));
    if (!result) SetLastError(errno == ENOSPC ? WSAEINVAL : SocketErrorFromErrno(errno));
    return result;
}

// The first family that the host has wins: IPv4 addresses when there are any, else IPv6.
const THostEnt* GetHostByName(const char* name) {
    if (!name) {
        SetLastError(WSAEFAULT);
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    errno = 0;
    int rc = ::getaddrinfo(name, nullptr, &hints, &list);
    if (rc != 0) {
        SetLastError(SocketErrorFromResolver(rc, errno));
        return nullptr;
    }
    thread_local THostEnt host;
    host = THostEnt{};
    host.h_name = list->ai_canonname ? list->ai_canonname : name;
    std::vector<std::string> v4, v6;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
            v4.emplace_back(reinterpret_cast<const char*>(&in->sin_addr), 4);
        } else if (a->ai_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a->ai_addr);
            v6.emplace_back(reinterpret_cast<const char*>(&in6->sin6_addr), 16);
        }
    }
    ::freeaddrinfo(list);
    if (!v4.empty()) {
        host.h_addr_list = std::move(v4);
    } else {
        host.h_addrtype = wsAF_INET6;
        host.h_length = 16;
        host.h_addr_list = std::move(v6);
    }
    if (host.h_addr_list.empty()) {
        SetLastError(WSANO_DATA);
        return nullptr;
    }
    return &host;
}

int WSAStartup(uint16_t version, TWSAData* data) {
    constexpr uint16_t highest = 0x0202;
    // Low byte major, high byte minor.
    auto order = [](uint16_t v) { return ((v & 0xFF) << 8) | (v >> 8); };
    if (!data) return WSAEFAULT;
    if ((version & 0xFF) == 0) return WSAVERNOTSUPPORTED;
    data->wVersion = order(version) > order(highest) ? highest : version;
    data->wHighVersion = highest;
    data->szDescription = "POSIX sockets";
    data->szSystemStatus = "Running";
    data->iMaxSockets = 32767;
    data->iMaxUdpDg = 65467;
    return 0;
}

int WSACleanup() {
    return 0;
}
int WSAGetLastError() {
    return LastError();
}
void WSASetLastError(int error) {
    SetLastError(error);
}

template <class F>
TProc AsProc(F* function) {
    return reinterpret_cast<TProc>(function);
}

TModule* SocketModule() {
    // Never destroyed: components freed late at exit may still close their sockets.
    static TModule* module = [] {
        auto* m = new TModule;
        m->name = SocketLibraryName;
        m->exports = {
            {"socket", AsProc(&Socket)},
            {"connect", AsProc(&Connect)},
            {"closesocket", AsProc(&CloseSocket)},
            {"shutdown", AsProc(&Shutdown)},
            {"ioctlsocket", AsProc(&IoctlSocket)},
            {"setsockopt", AsProc(&SetSockOpt)},
            {"htons", AsProc(&Htons)},
            {"inet_addr", AsProc(&InetAddr)},
            {"inet_ntoa", AsProc(&InetNtoa)},
            {"inet_pton", AsProc(&InetPton)},
            {"inet_ntop", AsProc(&InetNtop)},
            {"gethostbyname", AsProc(&GetHostByName)},
            {"WSAStartup", AsProc(&WSAStartup)},
            {"WSACleanup", AsProc(&WSACleanup)},
            {"WSAGetLastError", AsProc(&WSAGetLastError)},
            {"WSASetLastError", AsProc(&WSASetLastError)},
            {"WSAAsyncSelect", AsProc(&AsyncSelect)},
            {"WSAAsyncGetHostByName", AsProc(&AsyncGetHostByName)},
            {"WSACancelAsyncRequest", AsProc(&CancelAsyncRequest)},
        };
        return m;
    }();
    return module;
}

// Look-ups run on worker threads while a test may replace an export.
std::mutex& ModuleLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

}  // namespace

namespace sockets_internal {

void SetLastError(int error) {
    lastError = error;
}
int LastError() {
    return lastError;
}
TProc Export(std::string_view name) {
    return GetModuleProc(SocketModule(), name);
}

}  // namespace sockets_internal

TModuleHandle LoadModule(std::string_view name) {
    TModule* module = SocketModule();
    if (!SameText(name, module->name)) return nullptr;
    std::lock_guard lock(ModuleLock());
    ++module->loads;
    return module;
}

void FreeModule(TModuleHandle module) {
    if (!module) return;
    std::lock_guard lock(ModuleLock());
    if (module->loads > 0) --module->loads;
}

TProc GetModuleProc(TModuleHandle module, std::string_view name) {
    if (!module) return nullptr;
    std::lock_guard lock(ModuleLock());
    auto it = module->exports.find(name);
    return it == module->exports.end() ? nullptr : it->second;
}

TProc ReplaceModuleProc(TModuleHandle module, std::string_view name, TProc replacement) {
    if (!module) return nullptr;
    std::lock_guard lock(ModuleLock());
    auto it = module->exports.find(name);
    TProc previous = it == module->exports.end() ? nullptr : it->second;
    if (replacement)
        module->exports[std::string(name)] = replacement;
    else if (it != module->exports.end())
        module->exports.erase(it);
    return previous;
}
