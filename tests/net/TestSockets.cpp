// The sockets module: loading by name, error numbers, exports, selections and look-ups.
#include <netdb.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "platform/Sockets.h"

namespace {

TEST(SocketModule, IsFoundByNameInAnyCaseAndItsExportsCanBeStoodInFor) {
    TModuleHandle module = LoadModule("WSOCK32.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetModuleProc(module, "WSAAsyncSelect"), nullptr);
    EXPECT_EQ(GetModuleProc(module, "Connect"), nullptr);  // export names keep their case
    EXPECT_EQ(GetModuleProc(nullptr, "connect"), nullptr);
    EXPECT_EQ(LoadModule("ws2_64.dll"), nullptr);
    TProc original = GetModuleProc(module, "gethostbyname");
    {
        TExportStandIn standIn("gethostbyname", AsProc(&resolvers::NotFound));
        EXPECT_EQ(standIn.Previous(), original);
        EXPECT_EQ(GetModuleProc(module, "gethostbyname"), AsProc(&resolvers::NotFound));
    }
    EXPECT_EQ(GetModuleProc(module, "gethostbyname"), original);
    FreeModule(module);
}

TEST(SocketErrors, SystemErrorsMapToTheLibrarysNumbers) {
    const std::pair<int, int> table[] = {
        {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},  {ENETUNREACH, 10051}, {EHOSTUNREACH, 10065},
        {EINPROGRESS, 10036},  {EAGAIN, 10035},     {EWOULDBLOCK, 10035}, {EINTR, 10004},
        {EACCES, 10013},       {ECONNRESET, 10054}, {ENOTCONN, 10057},    {EREMOTE, 10071},
    };
    for (auto [system, library] : table) EXPECT_EQ(SocketErrorFromErrno(system), library) << system;
    EXPECT_EQ(SocketErrorFromErrno(0), 0);
    // No counterpart: the raw number, never 10000 + errno (whose numbering differs).
    EXPECT_EQ(SocketErrorFromErrno(ENOENT), ENOENT);
    EXPECT_EQ(SocketErrorFromErrno(ENOSPC), ENOSPC);
}

TEST(SocketErrors, ResolverCodesMapToTheLibrarysNumbers) {
    EXPECT_EQ(SocketErrorFromResolver(EAI_NONAME, 0), 11001);
    EXPECT_EQ(SocketErrorFromResolver(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(SocketErrorFromResolver(EAI_FAIL, 0), 11003);
    EXPECT_EQ(SocketErrorFromResolver(EAI_NODATA, 0), 11004);
    EXPECT_EQ(SocketErrorFromResolver(EAI_ADDRFAMILY, 0), 11004);
    EXPECT_EQ(SocketErrorFromResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
    EXPECT_EQ(SocketErrorFromResolver(EAI_MEMORY, 0), 10055);
    EXPECT_EQ(SocketErrorFromResolver(0, ECONNREFUSED), 0);
}

TEST(SocketExports, AddressTextsInTheClassicForms) {
    auto inetAddr = Export<TInetAddrProc>("inet_addr");
    uint32_t local = inetAddr("127.0.0.1");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&local), 4),
              std::string("\x7f\0\0\x01", 4));
    EXPECT_EQ(inetAddr("127.1"), local);
    EXPECT_EQ(inetAddr("0x7f.0.0.1"), local);
    for (const char* bad : {"", "example.com", "256.1.1.1", "255.255.255.255"})
        EXPECT_EQ(inetAddr(bad), wsINADDR_NONE) << bad;
    EXPECT_EQ(inetAddr(nullptr), wsINADDR_NONE);
    EXPECT_STREQ(Export<TInetNtoaProc>("inet_ntoa")(TInAddr{local}), "127.0.0.1");
    uint8_t six[16];
    auto inetPton = Export<TInetPtonProc>("inet_pton");
    EXPECT_EQ(inetPton(wsAF_INET6, "::1", six), 1);
    EXPECT_EQ(inetPton(wsAF_INET6, "127.0.0.1", six), 0);
    char text[8];
    EXPECT_EQ(Export<TInetNtopProc>("inet_ntop")(wsAF_INET6, six, text, 2), nullptr);
    EXPECT_EQ(Export<TWSAGetLastErrorProc>("WSAGetLastError")(), WSAEINVAL);
}

TEST(SocketExports, StartupGrantsAtMostVersionTwoTwo) {
    auto startup = Export<TWSAStartupProc>("WSAStartup");
    TWSAData data;
    EXPECT_EQ(startup(0x0303, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0202);
    EXPECT_EQ(startup(0x0100, &data), WSAVERNOTSUPPORTED);  // major version 0
    EXPECT_EQ(startup(0x0101, nullptr), WSAEFAULT);
}

TEST(SocketExports, BadArgumentsFailWithTheLibrarysNumbers) {
    auto lastError = Export<TWSAGetLastErrorProc>("WSAGetLastError");
    auto close = Export<TCloseSocketProc>("closesocket");
    EXPECT_EQ(Export<TSocketProc>("socket")(7, wsSOCK_STREAM, 0), wsINVALID_SOCKET);
    EXPECT_EQ(lastError(), WSAEAFNOSUPPORT);
    TSocket s = Export<TSocketProc>("socket")(wsAF_INET, wsSOCK_STREAM, 0);
    ASSERT_NE(s, wsINVALID_SOCKET);
    auto setOption = Export<TSetSockOptProc>("setsockopt");
    TLinger linger;
    EXPECT_EQ(setOption(s, wsSOL_SOCKET, wsSO_LINGER, &linger, 4), 0);  // the 4-byte record
    EXPECT_EQ(setOption(s, wsSOL_SOCKET, wsSO_LINGER, &linger, 2), wsSOCKET_ERROR);
    EXPECT_EQ(lastError(), WSAEFAULT);
    TSockAddrIn address;
    address.sin_addr.S_addr = Export<TInetAddrProc>("inet_addr")("127.0.0.1");
    auto connect = Export<TConnectProc>("connect");
    EXPECT_EQ(connect(s, &address, sizeof address), wsSOCKET_ERROR);
    EXPECT_EQ(lastError(), WSAEADDRNOTAVAIL);  // port 0
    EXPECT_EQ(connect(s, &address, 8), wsSOCKET_ERROR);
    EXPECT_EQ(lastError(), WSAEFAULT);
    EXPECT_EQ(close(s), 0);
    EXPECT_EQ(close(s), wsSOCKET_ERROR);
    EXPECT_EQ(lastError(), WSAEBADF);
    EXPECT_EQ(Export<TWSAAsyncSelectProc>("WSAAsyncSelect")(s, nullptr, 1, 0), wsSOCKET_ERROR);
    EXPECT_EQ(lastError(), WSAENOTSOCK);
}

TEST(SocketExports, LookUpOfLocalhostAndOfALiteral) {
    auto lookUp = Export<TGetHostByNameProc>("gethostbyname");
    const THostEnt* host = lookUp("localhost");
    ASSERT_NE(host, nullptr);
    ASSERT_FALSE(host->h_addr_list.empty());
    EXPECT_EQ(host->h_addrtype, wsAF_INET);
    EXPECT_EQ(host->h_addr_list[0], std::string("\x7f\0\0\x01", 4));
    host = lookUp("::1");
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->h_addrtype, wsAF_INET6);
    EXPECT_EQ(host->h_length, 16);
    EXPECT_EQ(lookUp(nullptr), nullptr);
    EXPECT_EQ(Export<TWSAGetLastErrorProc>("WSAGetLastError")(), WSAEFAULT);
}

// ---- Asynchronous selections ----

class SocketSelection : public ::testing::Test {
protected:
    void SetUp() override { s_ = socket_(wsAF_INET, wsSOCK_STREAM, 0); }
    void TearDown() override {
        if (s_ != wsINVALID_SOCKET) close_(s_);
    }
    int StartConnect(uint16_t port) {
        TSockAddrIn address;
        address.sin_addr.S_addr = Export<TInetAddrProc>("inet_addr")("127.0.0.1");
        address.sin_port = Export<THtonsProc>("htons")(port);
        int rc = connect_(s_, &address, sizeof address);
        return rc == 0 ? 0 : lastError_();
    }
    static long Event(const TWindowMessage& m) { return long(uint32_t(m.LParam) & 0xFFFF); }
    static int Error(const TWindowMessage& m) { return int(uint32_t(m.LParam) >> 16); }

    TSocketProc socket_ = Export<TSocketProc>("socket");
    TConnectProc connect_ = Export<TConnectProc>("connect");
    TCloseSocketProc close_ = Export<TCloseSocketProc>("closesocket");
    TWSAAsyncSelectProc select_ = Export<TWSAAsyncSelectProc>("WSAAsyncSelect");
    TWSAGetLastErrorProc lastError_ = Export<TWSAGetLastErrorProc>("WSAGetLastError");
    TSocket s_ = wsINVALID_SOCKET;
    TRecordingTarget target_;
};

TEST_F(SocketSelection, ConnectIsReportedOnceThenWriteThenClose) {
    TLoopbackServer server;
    ASSERT_EQ(select_(s_, &target_, 2146, 55), 0);
    int started = StartConnect(server.Port());
    EXPECT_TRUE(started == 0 || started == WSAEWOULDBLOCK) << started;  // never "in progress"
    ASSERT_TRUE(ProcessEventsUntil([&] { return target_.Received.size() >= 2; }));
    EXPECT_EQ(target_.Received[0].Msg, 2146u);
    EXPECT_EQ(target_.Received[0].WParam, uintptr_t(s_));
    EXPECT_EQ(Event(target_.Received[0]), wsFD_CONNECT);
    EXPECT_EQ(Error(target_.Received[0]), 0);
    EXPECT_EQ(Event(target_.Received[1]), wsFD_WRITE);
    int peer = server.Accept();
    ASSERT_GE(peer, 0);
    CloseDescriptor(peer);
    ASSERT_TRUE(ProcessEventsUntil([&] { return target_.Received.size() >= 3; }));
    EXPECT_EQ(Event(target_.Received[2]), wsFD_CLOSE);
    EXPECT_EQ(Error(target_.Received[2]), 0);
    ProcessEventsFor(50);
    EXPECT_EQ(target_.Received.size(), 3u);  // nothing repeats
}

TEST_F(SocketSelection, ResetAndDataArriveAsTheirEvents) {
    TLoopbackServer server;
    ASSERT_EQ(select_(s_, &target_, 2146, wsFD_CONNECT | wsFD_READ | wsFD_CLOSE), 0);
    StartConnect(server.Port());
    int peer = server.Accept();
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return target_.Received.size() == 1; }));
    SendBytes(peer, "x");
    ASSERT_TRUE(ProcessEventsUntil([&] { return target_.Received.size() == 2; }));
    EXPECT_EQ(Event(target_.Received[1]), wsFD_READ);

    TSocket other = socket_(wsAF_INET, wsSOCK_STREAM, 0);
    TSockAddrIn address;
    address.sin_addr.S_addr = Export<TInetAddrProc>("inet_addr")("127.0.0.1");
    address.sin_port = Export<THtonsProc>("htons")(server.Port());
    TRecordingTarget second;
    ASSERT_EQ(select_(other, &second, 7, wsFD_CONNECT | wsFD_CLOSE), 0);
    connect_(other, &address, sizeof address);
    int peer2 = server.Accept();
    ASSERT_TRUE(ProcessEventsUntil([&] { return second.Received.size() == 1; }));
    CloseWithReset(peer2);
    ASSERT_TRUE(ProcessEventsUntil([&] { return second.Received.size() == 2; }));
    EXPECT_EQ(Event(second.Received[1]), wsFD_CLOSE);
    EXPECT_EQ(Error(second.Received[1]), WSAECONNRESET);
    close_(other);
    CloseDescriptor(peer);
}

TEST_F(SocketSelection, EndingOrRetargetingTheSelectionSilencesTheOldTarget) {
    TLoopbackServer server;
    ASSERT_EQ(select_(s_, &target_, 2146, 55), 0);
    ASSERT_EQ(select_(s_, &target_, 2146, 0), 0);
    StartConnect(server.Port());
    ProcessEventsFor(100);
    EXPECT_TRUE(target_.Received.empty());

    TRecordingTarget next;
    {
        TRecordingTarget doomed;
        ASSERT_EQ(select_(s_, &doomed, 2146, 55), 0);
    }  // a freed target is forgotten
    ProcessEventsFor(50);
    ASSERT_EQ(select_(s_, &next, 9, wsFD_WRITE), 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !next.Received.empty(); }));
    EXPECT_EQ(next.Received[0].Msg, 9u);
    EXPECT_EQ(Event(next.Received[0]), wsFD_WRITE);
}

// ---- Asynchronous look-ups ----

class AsyncLookUp : public ::testing::Test {
protected:
    void SetUp() override {
        resolvers::ResetCalls();
        descriptors_ = OpenDescriptorCount();
    }
    // Workers let go of their wake-up descriptors once they finish, cancelled or not.
    void TearDown() override { EXPECT_EQ(DescriptorsSettleAt(descriptors_), descriptors_); }
    int descriptors_ = 0;
    TWSAAsyncGetHostByNameProc lookUp_ =
        Export<TWSAAsyncGetHostByNameProc>("WSAAsyncGetHostByName");
    TWSACancelAsyncRequestProc cancel_ =
        Export<TWSACancelAsyncRequestProc>("WSACancelAsyncRequest");
    TRecordingTarget target_;
    THostEnt result_;
};

TEST_F(AsyncLookUp, DeliversTheAddressesThroughTheStandInResolver) {
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::Loopback));
    TAsyncHandle handle = lookUp_(&target_, 77, "anything", &result_);
    ASSERT_NE(handle, 0u);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !target_.Received.empty(); }));
    EXPECT_EQ(target_.Received[0].Msg, 77u);
    EXPECT_EQ(target_.Received[0].WParam, handle);
    EXPECT_EQ(uint32_t(target_.Received[0].LParam) >> 16, 0u);
    ASSERT_EQ(result_.h_addr_list.size(), 1u);
    EXPECT_EQ(result_.h_addr_list[0], std::string("\x7f\0\0\x01", 4));
    EXPECT_EQ(resolvers::Calls(), 1);
    EXPECT_EQ(cancel_(handle), wsSOCKET_ERROR);  // finished requests are gone
}

TEST_F(AsyncLookUp, DeliversTheResolversError) {
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::NotFound));
    TAsyncHandle handle = lookUp_(&target_, 77, "nowhere", &result_);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !target_.Received.empty(); }));
    EXPECT_EQ(target_.Received[0].WParam, handle);
    EXPECT_EQ(int(uint32_t(target_.Received[0].LParam) >> 16), WSAHOST_NOT_FOUND);
    EXPECT_TRUE(result_.h_addr_list.empty());
}

TEST_F(AsyncLookUp, ACancelledOrOrphanedRequestStaysSilent) {
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::Stuck));
    TAsyncHandle handle = lookUp_(&target_, 77, "slow", &result_);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(cancel_(handle), 0);
    {
        TRecordingTarget doomed;
        ASSERT_NE(lookUp_(&doomed, 78, "slow", &result_), 0u);
    }
    resolvers::Release();
    ProcessEventsUntil([] { return resolvers::Calls() == 2; });
    ProcessEventsFor(100);
    EXPECT_TRUE(target_.Received.empty());
    EXPECT_EQ(lookUp_(nullptr, 1, "x", &result_), 0u);
}

}  // namespace
