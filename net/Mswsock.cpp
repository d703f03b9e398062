// The sockets library reached by name, and its error codes as exceptions with readable texts.
#include "Mswsock.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/SysUtils.h"

namespace {

// The texts of the string table's entries 40000 + code, sorted by code.
constexpr TWinsockErrorText ErrorTexts[] = {
    {10000, "[0] No Error"},
    {10004, "[10004] Interrupted function call"},
    {10009, "[10009] Bad file number"},
    {10013, "[10013] Permission denied."},
    {10014, "[10014] Bad address"},
    {10022, "[10022] Invalid argument"},
    {10024, "[10024] Too many open files"},
    {10035, "[10035] Resource temporarily not available"},
    {10036, "[10036] Operation now in progress"},
    {10037, "[10037] Operation already in progress"},
    {10038, "[10038] Socket operation on non-socket"},
    {10039, "[10039] Destination address required"},
    {10040, "[10040] Message too long"},
    {10041, "[10041] Protocol wrong type for socket"},
    {10042, "[10042] Bad protocol option"},
    {10043, "[10043] Protocol not supported"},
    {10044, "[10044] Socket type not supported"},
    {10045, "[10045] Operation not supported"},
    {10046, "[10046] Protocol family not supported"},
    {10047, "[10047] Address family not supported by protocol family"},
    {10048, "[10048] Address already in use"},
    {10049, "[10049] Cannot assign requested address"},
    {10050, "[10050] Network is down"},
    {10051, "[10051] Network is unreachable"},
    {10052, "[10052] Network dropped connection or reset"},
    {10053, "[10053] Software caused connection abort"},
    {10054, "[10054] Connection reset by peer"},
    {10055, "[10055] No buffer space available"},
    {10056, "[10056] Socket is already connected"},
    {10057, "[10057] Socket is not connected"},
    {10058, "[10058] Can't send after socket shutdown"},
    {10059, "[10059] Too many references, can't splice"},
    {10060, "[10060] Connection timed out"},
    {10061, "[10061] Connection refused"},
    {10062, "[10062] Too many levels of symbolic links"},
    {10063, "[10063] File name too long"},
    {10064, "[10064] Host is down"},
    {10065, "[10065] No Route to Host"},
    {10066, "[10066] Directory not empty"},
    {10067, "[10067] Too many processes"},
    {10068, "[10068] Too many users"},
    {10069, "[10069] Disc Quota Exceeded"},
    {10070, "[10070] Stale NFS file handle"},
    {10071, "[10071] Too many levels of remote in path"},
    {10091, "[10091] Network subsystem is unavailable"},
    {10092, "[10092] WINSOCK DLL Version out of range"},
    {10093, "[10093] Successful WSAStartup() not yet performed"},
    {10094, "[10094] Graceful shutdown in progress"},
    {11001, "[11001] Host not found"},
    {11002, "[11002] Non-Authoritative Host not found"},
    {11003, "[11003] Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"},
    {11004, "[11004] Valid name, no data record of requested type"},
};

std::string Limit255(std::string text) {
    if (text.size() > 255) text.resize(255);
    return text;
}

}  // namespace

TmsWinsock Winsock(0x0101);

std::string WinsockErrorText(int code) {
    int key = code & 0xFFFF;
    auto it = std::lower_bound(std::begin(ErrorTexts), std::end(ErrorTexts), key,
                               [](const TWinsockErrorText& e, int k) { return e.Code < k; });
    if (it != std::end(ErrorTexts) && it->Code == key) return it->Text;
    return "Winsock error no " + IntToStr(code);
}

const TWinsockErrorText* WinsockErrorTable(int& count) {
    count = int(std::size(ErrorTexts));
    return ErrorTexts;
}

TmsWinsock::TmsWinsock(uint16_t version) {
    LoadWinsock();
    if (!Loaded()) return;
    TWSAData data;
    if (WSAStartup(version, &data) != 0) throw EWinsockError("Invalid winsock version");
    Version = data.wVersion;
    HighVersion = data.wHighVersion;
    Description = Limit255(data.szDescription);
    SystemStatus = Limit255(data.szSystemStatus);
    MaxSockets = data.iMaxSockets;
    MaxUdpDg = data.iMaxUdpDg;
}

TmsWinsock::~TmsWinsock() {
    if (Loaded()) WSACleanup();
    UnloadWinsock();
}

void TmsWinsock::LoadWinsock() {
    if (!library_) library_ = LoadModule(SocketLibraryName);
}

void TmsWinsock::UnloadWinsock() {
    if (library_) FreeModule(library_);
    library_ = nullptr;
}

TProc TmsWinsock::GetFunction(const std::string& name) const {
    if (!library_) throw EWinsockError("Winsock not loaded");
    TProc function = GetModuleProc(library_, name);
    if (!function) throw EWinsockError("Function " + name + " not found");
    return function;
}

void TmsWinsock::RaiseWinsockError(int code) const {
    throw EWinsockError(WinsockErrorText(code));
}

void TmsWinsock::RaiseLastError() {
    RaiseWinsockError(WSAGetLastError());
}

bool TmsWinsock::IsAddress(const std::string& text) {
    if (text.find('\0') != std::string::npos) return false;
    if (inet_addr(text.c_str()) != wsINADDR_NONE) return true;
    uint8_t address6[16];
    return inet_pton(wsAF_INET6, text.c_str(), address6) == 1;
}

std::string TmsWinsock::Resolve(const std::string& host) {
    // A name with a NUL byte would be looked up cut short.
    if (host.find('\0') != std::string::npos) RaiseWinsockError(WSAHOST_NOT_FOUND);
    if (IsAddress(host)) return host;
    const THostEnt* found = gethostbyname(host.c_str());
    if (!found) RaiseLastError();
    return HostAddressText(*found);
}

uint32_t TmsWinsock::AddressOf(const std::string& text) {
    uint32_t address =
        text.find('\0') == std::string::npos ? inet_addr(text.c_str()) : wsINADDR_NONE;
    // The library leaves no error of its own for this, so the text would be meaningless.
    if (address == wsINADDR_NONE) RaiseWinsockError(WSAEINVAL);
    return address;
}

TmsSockAddr TmsWinsock::SockAddrOf(const std::string& text, uint16_t port) {
    TmsSockAddr result;
    uint8_t address6[16];
    if (text.find('\0') == std::string::npos &&
        inet_pton(wsAF_INET6, text.c_str(), address6) == 1) {
        result.Family = wsAF_INET6;
        result.In6.sin6_port = htons(port);
        std::memcpy(result.In6.sin6_addr, address6, sizeof address6);
    } else {
        result.In.sin_addr.S_addr = AddressOf(text);
        result.In.sin_port = htons(port);
    }
    return result;
}

std::string TmsWinsock::HostAddressText(const THostEnt& host) {
    if (host.h_addr_list.empty()) RaiseWinsockError(WSANO_DATA);
    const std::string& first = host.h_addr_list.front();
    if (host.h_addrtype == wsAF_INET6 && first.size() == 16) {
        char text[64];
        if (!inet_ntop(wsAF_INET6, first.data(), text, sizeof text)) RaiseLastError();
        return text;
    }
    if (host.h_addrtype != wsAF_INET || first.size() != 4) RaiseWinsockError(WSANO_DATA);
    TInAddr address;
    std::memcpy(&address.S_addr, first.data(), 4);
    return inet_ntoa(address);
}

TSocket TmsWinsock::socket(int af, int type, int protocol) {
    return Function<TSocketProc>("socket")(af, type, protocol);
}

int TmsWinsock::connect(TSocket s, const void* name, int nameLength) {
    return Function<TConnectProc>("connect")(s, name, nameLength);
}

int TmsWinsock::closesocket(TSocket s) {
    return Function<TCloseSocketProc>("closesocket")(s);
}

int TmsWinsock::shutdown(TSocket s, int how) {
    return Function<TShutdownProc>("shutdown")(s, how);
}

int TmsWinsock::ioctlsocket(TSocket s, uint32_t command, uint32_t* argument) {
    return Function<TIoctlSocketProc>("ioctlsocket")(s, command, argument);
}

int TmsWinsock::setsockopt(TSocket s, int level, int name, const void* value, int length) {
    return Function<TSetSockOptProc>("setsockopt")(s, level, name, value, length);
}

uint16_t TmsWinsock::htons(uint16_t value) {
    return Function<THtonsProc>("htons")(value);
}

uint32_t TmsWinsock::inet_addr(const char* text) {
    return Function<TInetAddrProc>("inet_addr")(text);
}

const char* TmsWinsock::inet_ntoa(TInAddr address) {
    return Function<TInetNtoaProc>("inet_ntoa")(address);
}

int TmsWinsock::inet_pton(int af, const char* text, void* address) {
    return Function<TInetPtonProc>("inet_pton")(af, text, address);
}

const char* TmsWinsock::inet_ntop(int af, const void* address, char* text, size_t size) {
    return Function<TInetNtopProc>("inet_ntop")(af, address, text, size);
}

const THostEnt* TmsWinsock::gethostbyname(const char* name) {
    return Function<TGetHostByNameProc>("gethostbyname")(name);
}

int TmsWinsock::WSAStartup(uint16_t version, TWSAData* data) {
    return Function<TWSAStartupProc>("WSAStartup")(version, data);
}

int TmsWinsock::WSACleanup() {
    return Function<TWSACleanupProc>("WSACleanup")();
}

int TmsWinsock::WSAGetLastError() {
    return Function<TWSAGetLastErrorProc>("WSAGetLastError")();
}

int TmsWinsock::WSAAsyncSelect(TSocket s, TWindowHandle window, uint32_t message, long events) {
    return Function<TWSAAsyncSelectProc>("WSAAsyncSelect")(s, window, message, events);
}

TAsyncHandle TmsWinsock::WSAAsyncGetHostByName(TWindowHandle window, uint32_t message,
                                               const char* name, THostEnt* result) {
    return Function<TWSAAsyncGetHostByNameProc>("WSAAsyncGetHostByName")(window, message, name,
                                                                         result);
}

int TmsWinsock::WSACancelAsyncRequest(TAsyncHandle request) {
    return Function<TWSACancelAsyncRequestProc>("WSACancelAsyncRequest")(request);
}
