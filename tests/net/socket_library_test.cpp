// The socket's use of wsock32.dll: loading, entry points, unloading, the
// name lookup and the report rules.
#include "http_support.h"

#include <memory>
#include <string>
#include <vector>

using nettest::NetTest;
using nettest::PumpUntil;

namespace {

USHORT htons_(USHORT v) {
    return static_cast<USHORT>((v >> 8) | (v << 8));
}

class SocketLibrary : public NetTest {};

TEST_F(SocketLibrary, LastSocketUnloadsTheLibraryAndTheNextLoadsItAgain) {
    ASSERT_EQ(sim::ModuleReferences("wsock32.dll"), 0);
    {
        TWSocket socket(nullptr);
        EXPECT_EQ(sim::ModuleReferences("wsock32.dll"), 0) << "loaded on first use only";
        socket.DnsLookup("127.0.0.1");
        EXPECT_EQ(sim::ModuleReferences("WSOCK32.DLL"), 1);
        TWSocket second(nullptr);
        second.DnsLookup("127.0.0.2");
        EXPECT_EQ(sim::ModuleReferences("wsock32"), 1) << "one load for all sockets";
    }
    EXPECT_EQ(sim::ModuleReferences("wsock32.dll"), 0);
    TWSocket again(nullptr);
    again.DnsLookup("127.0.0.1");
    EXPECT_EQ(sim::ModuleReferences("wsock32.dll"), 1);
}

TEST_F(SocketLibrary, RefusedLibraryAndMissingEntryPointRaise) {
    sim::RefuseModule("WSock32.dll");
    {
        TWSocket socket(nullptr);
        try {
            socket.DnsLookup("127.0.0.1");
            FAIL() << "no exception";
        } catch (const ESocketException& e) {
            EXPECT_EQ(e.Message(), "Unable to load wsock32.dll Error #126");
        }
    }
    sim::ClearModuleFaults();
    sim::HideExport("wsock32.dll", "inet_addr");
    TWSocket socket(nullptr);
    try {
        socket.DnsLookup("127.0.0.1");
        FAIL() << "no exception";
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.Message(), "Procedure inet_addr not found in wsock32.dll Error #127");
    }
    // Entry points found before are kept; the hidden one is still missing.
    sim::ClearModuleFaults();
    socket.DnsLookup("127.0.0.1");
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");
}

TEST_F(SocketLibrary, DottedAddressIsAnsweredInsideTheCall) {
    TWSocket socket(nullptr);
    std::vector<WORD> done;
    socket.OnDnsLookupDone = [&](tk::TComponent* sender, WORD error) {
        EXPECT_EQ(sender, &socket);
        done.push_back(error);
    };
    socket.DnsLookup("10.1.2.3");
    ASSERT_EQ(done, std::vector<WORD>{0});
    EXPECT_EQ(socket.DnsResult(), "10.1.2.3");
}

TEST_F(SocketLibrary, NameLookupCompletesThroughTheWindow) {
    sim::SetHostLookup([](const std::string& name, std::vector<std::string>& out) {
        if (name != "banner.example")
            return 11001;
        out = {"127.0.0.7", "127.0.0.8"};
        return 0;
    });
    TWSocket socket(nullptr);
    std::vector<WORD> done;
    socket.OnDnsLookupDone = [&](tk::TComponent*, WORD error) {
        done.push_back(error);
    };
    socket.DnsLookup("banner.example");
    EXPECT_TRUE(done.empty()) << "the answer comes through the message loop";
    ASSERT_TRUE(PumpUntil([&] { return !done.empty(); }));
    EXPECT_EQ(done, std::vector<WORD>{0});
    EXPECT_EQ(socket.DnsResult(), "127.0.0.7");
    EXPECT_EQ(socket.DnsResultList(), (std::vector<std::string>{"127.0.0.7", "127.0.0.8"}));

    done.clear();
    socket.DnsLookup("nowhere.example");
    ASSERT_TRUE(PumpUntil([&] { return !done.empty(); }));
    EXPECT_EQ(done, std::vector<WORD>{11001});
    EXPECT_EQ(WSocketErrorDesc(done[0]), "Host not found");
}

TEST_F(SocketLibrary, EarlyCompletionIsDeliveredOnce) {
    sim::SetLookupCompletesEarly(true);
    sim::SetHostLookup([](const std::string&, std::vector<std::string>& out) {
        out = {"127.0.0.9"};
        return 0;
    });
    TWSocket socket(nullptr);
    int done = 0;
    socket.OnDnsLookupDone = [&](tk::TComponent*, WORD error) {
        EXPECT_EQ(error, 0);
        ++done;
    };
    socket.DnsLookup("early.example");
    EXPECT_EQ(done, 1) << "kept in the slot and handled when the start call returned";
    EXPECT_EQ(socket.DnsResult(), "127.0.0.9");
    nettest::Pump();
    EXPECT_EQ(done, 1);
}

TEST_F(SocketLibrary, EmptyHostIsReportedAndAnswered) {
    TWSocket socket(nullptr);
    std::vector<std::string> errors;
    std::vector<WORD> done;
    socket.OnError = [&](tk::TComponent*) {
        errors.push_back(socket.LastErrorText());
    };
    socket.OnDnsLookupDone = [&](tk::TComponent*, WORD error) {
        done.push_back(error);
    };
    socket.DnsLookup("");
    EXPECT_EQ(errors, std::vector<std::string>{"DNS lookup: invalid host name."});
    EXPECT_EQ(done, std::vector<WORD>{10022});
}

TEST_F(SocketLibrary, SendWhileNotConnectedIsAReportedError) {
    TWSocket socket(nullptr);
    int closed = 0;
    socket.OnSessionClosed = [&](tk::TComponent*, WORD) {
        ++closed;
    };
    try {
        socket.SendStr("x");
        FAIL() << "no exception";
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.Message(), "Error 10057 in function Send\r\nSocket is not connected");
    }
    EXPECT_EQ(closed, 0) << "already closed: no session-closed event";
    EXPECT_EQ(socket.LastError(), 10057);

    // With an error handler nothing is thrown and Send answers -1.
    int reported = 0;
    socket.OnError = [&](tk::TComponent*) {
        ++reported;
    };
    EXPECT_EQ(socket.SendStr("x"), -1);
    EXPECT_EQ(reported, 1);
}

TEST_F(SocketLibrary, ConnectRefusalsAndResolveErrors) {
    TWSocket socket(nullptr);
    std::vector<std::string> errors;
    socket.OnError = [&](tk::TComponent*) {
        errors.push_back(socket.LastErrorText());
    };
    socket.Connect();
    socket.SetPort("80");
    socket.Connect();
    socket.SetAddr("300.1.2.3");
    socket.Connect();
    socket.SetAddr("127.0.0.1");
    socket.SetPort("no-such-service-name");
    socket.Connect();
    socket.SetPort("");
    socket.Connect();
    ASSERT_EQ(errors.size(), 5u);
    EXPECT_EQ(errors[0], "Connect: No Port Specified");
    EXPECT_EQ(errors[1], "Connect: No IP Address Specified");
    EXPECT_EQ(errors[2], "connect: WSocketResolveHost: '300.1.2.3' Invalid IP address.");
    EXPECT_EQ(errors[3].rfind("connect: WSocketResolvePort: Cannot convert port "
                              "'no-such-service-name', Error #",
                              0),
              0u)
        << errors[3];
    EXPECT_EQ(errors[4], "Connect: No Port Specified");
    EXPECT_EQ(socket.State(), wsClosed);
    EXPECT_EQ(sim::OpenSockets(), 0u);
}

TEST(SocketResolve, PortsProtocolsAndDottedAddresses) {
    TWSocket keepLoaded(nullptr);
    EXPECT_EQ(WSocketResolvePort("  8080x", "tcp"), htons_(8080));
    EXPECT_EQ(WSocketResolvePort("http", "tcp"), htons_(80));
    EXPECT_THROW(WSocketResolvePort("", "tcp"), ESocketException);
    EXPECT_THROW(WSocketResolvePort("80", ""), ESocketException);
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(WSocketResolveProto(" 17"), 17);
    EXPECT_THROW(WSocketResolveProto(std::string(32, 'x')), ESocketException);
    EXPECT_TRUE(WSocketIsDottedIP(" 1.2.3.4 "));
    EXPECT_FALSE(WSocketIsDottedIP("1.2.3"));
    EXPECT_FALSE(WSocketIsDottedIP("1.2.3.4.5"));
    EXPECT_FALSE(WSocketIsDottedIP("host.example"));
    EXPECT_EQ(WSocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
    try {
        WSocketResolveHost(std::string(257, 'a'));
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_NE(e.Message().find("' Invalid Hostname."), std::string::npos);
    }
}

TEST(SocketErrorText, DescriptionsOfKnownAndUnknownNumbers) {
    EXPECT_EQ(WSocketErrorDesc(0), "No Error");
    EXPECT_EQ(WSocketErrorDesc(10035), "Operation would block");
    EXPECT_EQ(WSocketErrorDesc(10054), "Connection reset by peer");
    EXPECT_EQ(WSocketErrorDesc(10061), "Connection refused");
    EXPECT_EQ(WSocketErrorDesc(10093), "WinSock not initialized");
    EXPECT_EQ(WSocketErrorDesc(11004), "No Data");
    EXPECT_EQ(WSocketErrorDesc(10010), "Not a WinSock error");
    EXPECT_EQ(WSocketErrorDesc(-1), "Not a WinSock error");
}

} // namespace
