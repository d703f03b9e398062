// The sockets library door: error texts, address helpers and the functions looked up by name.
#include "Mswsock.h"

#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "platform/SysUtils.h"

namespace {

std::string RaisedText(const std::function<void()>& action) {
    try {
        action();
    } catch (const EWinsockError& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

TEST(WinsockErrorText, TextsByCode) {
    EXPECT_EQ(WinsockErrorText(10061), "[10061] Connection refused");
    EXPECT_EQ(WinsockErrorText(11001), "[11001] Host not found");
    EXPECT_EQ(WinsockErrorText(10013), "[10013] Permission denied.");
    EXPECT_EQ(WinsockErrorText(10065), "[10065] No Route to Host");
    EXPECT_EQ(WinsockErrorText(10092), "[10092] WINSOCK DLL Version out of range");
    EXPECT_EQ(WinsockErrorText(11003), "[11003] Non-Recoverable errors: FORMERR, REFUSED, NOTIMP");
}

TEST(WinsockErrorText, EntryZeroIsReachedOnlyThroughTenThousand) {
    EXPECT_EQ(WinsockErrorText(10000), "[0] No Error");
    EXPECT_EQ(WinsockErrorText(0), "Winsock error no 0");
    EXPECT_EQ(WinsockErrorText(10101), "Winsock error no 10101");
    EXPECT_EQ(WinsockErrorText(2), "Winsock error no 2");  // a raw system number
}

TEST(WinsockErrorText, CodesAreTakenAsSixteenBitsButPrintedRaw) {
    EXPECT_EQ(WinsockErrorText(10061 + 65536), "[10061] Connection refused");
    EXPECT_EQ(WinsockErrorText(10101 + 65536), "Winsock error no 75637");
    EXPECT_EQ(WinsockErrorText(-1), "Winsock error no -1");
}

TEST(WinsockErrorText, TheTableHasFiftyTwoSortedEntriesEachNamingItsCode) {
    int count = 0;
    const TWinsockErrorText* table = WinsockErrorTable(count);
    ASSERT_EQ(count, 52);
    std::set<int> codes;
    for (int i = 0; i < count; ++i) {
        codes.insert(table[i].Code);
        if (i > 0) {
            EXPECT_LT(table[i - 1].Code, table[i].Code);
        }
        std::string prefix = FormatMsg("[%d] ", {table[i].Code == 10000 ? 0 : table[i].Code});
        EXPECT_EQ(std::string(table[i].Text).rfind(prefix, 0), 0u) << table[i].Text;
    }
    EXPECT_EQ(codes.size(), 52u);
}

TEST(TmsWinsock, TheProgramsInstanceIsStartedForVersionOneOne) {
    EXPECT_TRUE(Winsock.Loaded());
    EXPECT_EQ(Winsock.Version, 0x0101);
    EXPECT_EQ(Winsock.HighVersion, 0x0202);
    EXPECT_EQ(Winsock.SystemStatus, "Running");
    EXPECT_GT(Winsock.MaxSockets, 0);
}

TEST(TmsWinsock, MissingLibraryOrFunctionRaiseTheirTexts) {
    TmsWinsock own(0x0101);
    EXPECT_EQ(RaisedText([&] { own.GetFunction("nosuch"); }), "Function nosuch not found");
    own.UnloadWinsock();
    EXPECT_FALSE(own.Loaded());
    EXPECT_EQ(RaisedText([&] { own.socket(wsAF_INET, wsSOCK_STREAM, 0); }), "Winsock not loaded");
    own.LoadWinsock();
    EXPECT_TRUE(own.Loaded());
    EXPECT_EQ(own.htons(0x1234), 0x3412);
}

TEST(TmsWinsock, StartRefusedRaisesInvalidVersion) {
    try {
        TmsWinsock refused(0x0000);
        FAIL() << "no exception";
    } catch (const EWinsockError& e) {
        EXPECT_EQ(e.Message, "Invalid winsock version");
    }
}

TEST(TmsWinsock, RaiseWinsockErrorCarriesTheText) {
    EXPECT_EQ(RaisedText([] { Winsock.RaiseWinsockError(10060); }), "[10060] Connection timed out");
}

TEST(TmsWinsock, SelectErrorAndEventAreTheHighAndLowWords) {
    intptr_t lParam = MakeSelectReply(wsFD_CONNECT, WSAECONNREFUSED);
    EXPECT_EQ(TmsWinsock::SelectError(lParam), 10061);
    EXPECT_EQ(TmsWinsock::SelectEvent(lParam), 16);
    EXPECT_EQ(TmsWinsock::SelectError(MakeSelectReply(wsFD_CLOSE, 0)), 0);
}

class Resolve : public ::testing::Test {
protected:
    void SetUp() override { resolvers::ResetCalls(); }
};

TEST_F(Resolve, NumericAddressesComeBackWithoutALookUp) {
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::NotFound));
    EXPECT_EQ(Winsock.Resolve("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(Winsock.Resolve("127.1"), "127.1");
    EXPECT_EQ(Winsock.Resolve("::1"), "::1");
    EXPECT_EQ(Winsock.Resolve("fe80::1"), "fe80::1");
    EXPECT_EQ(resolvers::Calls(), 0);
}

TEST_F(Resolve, LocalhostGivesTheLoopbackAddress) {
    EXPECT_EQ(Winsock.Resolve("localhost"), "127.0.0.1");
}

TEST_F(Resolve, AnUnknownNameRaisesTheResolversText) {
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::NotFound));
    EXPECT_EQ(RaisedText([] { Winsock.Resolve("no-such-host.invalid"); }),
              "[11001] Host not found");
    // The empty name goes to the resolver as well.
    EXPECT_EQ(RaisedText([] { Winsock.Resolve(""); }), "[11001] Host not found");
    EXPECT_EQ(resolvers::Calls(), 2);
    // A NUL byte would cut the name short: never looked up.
    EXPECT_EQ(RaisedText([] { Winsock.Resolve(std::string("127.0.0.1\0evil", 14)); }),
              "[11001] Host not found");
    EXPECT_EQ(resolvers::Calls(), 2);
}

TEST_F(Resolve, TheFirstAddressOfTheLookUpIsReturned) {
    TExportStandIn standIn("gethostbyname", AsProc(&resolvers::Loopback));
    EXPECT_EQ(Winsock.Resolve("anything.example"), "127.0.0.1");
}

TEST(AddressOf, GivesNetworkOrderAndRefusesTheNoAddressValue) {
    uint32_t address = Winsock.AddressOf("10.0.0.1");
    unsigned char bytes[4];
    std::memcpy(bytes, &address, 4);
    EXPECT_EQ(bytes[0], 0x0A);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0x01);
    EXPECT_EQ(RaisedText([] { Winsock.AddressOf("255.255.255.255"); }), "[10022] Invalid argument");
    EXPECT_EQ(RaisedText([] { Winsock.AddressOf("not an address"); }), "[10022] Invalid argument");
    EXPECT_EQ(RaisedText([] { Winsock.AddressOf(""); }), "[10022] Invalid argument");
}

TEST(SockAddrOf, BuildsEitherFamilyWithThePortInNetworkOrder) {
    TmsSockAddr v4 = Winsock.SockAddrOf("127.0.0.1", 0x1F90);
    EXPECT_EQ(v4.Family, wsAF_INET);
    EXPECT_EQ(v4.Length(), 16);
    EXPECT_EQ(v4.In.sin_port, 0x901F);
    TmsSockAddr v6 = Winsock.SockAddrOf("::1", 80);
    EXPECT_EQ(v6.Family, wsAF_INET6);
    EXPECT_EQ(v6.Length(), 28);
    EXPECT_EQ(v6.In6.sin6_addr[15], 1);
    EXPECT_EQ(v6.Data(), static_cast<const void*>(&v6.In6));
    EXPECT_THROW(Winsock.SockAddrOf("nonsense", 80), EWinsockError);
}

TEST(HostAddressText, RefusesAnEmptyOrMalformedResult) {
    THostEnt empty;
    EXPECT_EQ(RaisedText([&] { Winsock.HostAddressText(empty); }),
              "[11004] Valid name, no data record of requested type");
    THostEnt shortAddress;
    shortAddress.h_addr_list.push_back("ab");
    EXPECT_THROW(Winsock.HostAddressText(shortAddress), EWinsockError);
    THostEnt six;
    six.h_addrtype = wsAF_INET6;
    six.h_length = 16;
    six.h_addr_list.push_back(std::string(15, '\0') + '\x01');
    EXPECT_EQ(Winsock.HostAddressText(six), "::1");
}

}  // namespace
