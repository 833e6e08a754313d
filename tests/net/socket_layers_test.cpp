// The layers above the socket proper: SOCKS 4, 4A and 5 negotiation against
// a small local SOCKS server, line mode, the synchronous line reader, and
// the send-queue block.
#include "http_rawserver.h"
#include "http_support.h"

#include <string>
#include <vector>

using nettest::NetTest;
using nettest::PumpUntil;

namespace {

class SocketLayers : public NetTest {};

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// Connects through the SOCKS server; returns what the application received.
std::string ConnectThroughSocks(TWSocket& socket, int socksPort, const std::string& level,
                                const std::string& host, std::vector<std::string>& log) {
    socket.SetSocksServer("127.0.0.1");
    socket.SetSocksPort(std::to_string(socksPort));
    socket.SetSocksLevel(level);
    socket.SetAddr(host);
    socket.SetPort("4660");
    std::string data;
    socket.OnSocksConnected = [&](tk::TComponent*, WORD e) {
        log.push_back("socks " + std::to_string(e));
    };
    socket.OnSessionConnected = [&](tk::TComponent*, WORD e) {
        log.push_back("connected " + std::to_string(e));
    };
    socket.OnSocksError = [&](tk::TComponent*, int e, const std::string& msg) {
        log.push_back("socks error " + std::to_string(e) + " " + msg);
    };
    socket.OnDataAvailable = [&](tk::TComponent*, WORD) {
        data += socket.ReceiveStr();
    };
    socket.OnSessionClosed = [&](tk::TComponent*, WORD) {
        log.push_back("closed");
    };
    socket.Connect();
    PumpUntil([&] { return socket.State() == wsClosed; });
    return data;
}

TEST_F(SocketLayers, Socks4SendsTheAddressAndUserCode) {
    peer::Server server([](peer::Connection& c) {
        c.ReadExactly(8 + 5); // header, address, "alice" ...
        c.ReadExactly(1);     // ... and its terminating zero
        c.Send(Bytes({0, 90, 0, 0, 0, 0, 0, 0}) + "welcome");
        c.Close();
    });
    TWSocket socket(nullptr);
    socket.SocksUsercode = "alice";
    std::vector<std::string> log;
    std::string data = ConnectThroughSocks(socket, server.Port(), "4", "127.0.0.42", log);
    EXPECT_EQ(data, "welcome");
    EXPECT_EQ(log, (std::vector<std::string>{"socks 0", "connected 0", "closed"}));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              Bytes({4, 1, 0x12, 0x34, 127, 0, 0, 42}) + "alice" + Bytes({0}));
}

TEST_F(SocketLayers, Socks4ASendsTheNameAndARefusalIsAnError) {
    peer::Server server([](peer::Connection& c) {
        c.ReadFor(100);
        c.Send(Bytes({0, 91, 0, 0, 0, 0, 0, 0}));
        c.WaitForClose(3000);
    });
    TWSocket socket(nullptr);
    std::vector<std::string> log;
    ConnectThroughSocks(socket, server.Port(), "4A", "far.example", log);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              Bytes({4, 1, 0x12, 0x34, 0, 0, 0, 1, 0}) + "far.example" + Bytes({0}));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "socks error 20016 Request rejected or failed");
    EXPECT_EQ(log.back(), "closed");
    for (auto& entry : log)
        EXPECT_NE(entry, "connected 0");
}

TEST_F(SocketLayers, Socks5WithUserCodeAuthentication) {
    peer::Server server([](peer::Connection& c) {
        std::string greeting = c.ReadExactly(4); // 5, 2 methods: none, user/password
        c.Send(Bytes({5, 2}));
        std::string auth = c.ReadExactly(2 + 3 + 1 + 6);
        c.Send(Bytes({1, 0}));
        std::string request = c.ReadExactly(4 + 1 + 12 + 2);
        c.Send(Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x12, 0x34}) + "data after");
        c.Close();
    });
    TWSocket socket(nullptr);
    socket.SocksAuthentication = socksAuthenticateUsercode;
    socket.SocksUsercode = "bob";
    socket.SocksPassword = "secret";
    std::vector<TSocksAuthState> auth;
    socket.OnSocksAuthState = [&](tk::TComponent*, TSocksAuthState s) {
        auth.push_back(s);
    };
    std::vector<std::string> log;
    std::string data = ConnectThroughSocks(socket, server.Port(), "5", "name.example", log);
    EXPECT_EQ(data, "data after");
    EXPECT_EQ(log, (std::vector<std::string>{"socks 0", "connected 0", "closed"}));
    EXPECT_EQ(auth, (std::vector<TSocksAuthState>{socksAuthStart, socksAuthSuccess}));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], Bytes({5, 2, 0, 2}) + Bytes({1, 3}) + "bob" + Bytes({6}) +
                                        "secret" + Bytes({5, 1, 0, 3, 12}) + "name.example" +
                                        Bytes({0x12, 0x34}));
}

TEST_F(SocketLayers, SocksSettingsAreCheckedAndKeptAcrossConnections) {
    TWSocket socket(nullptr);
    try {
        socket.SetSocksLevel("6");
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.Message(), "Invalid socks level. Must be 4, 4A or 5.");
    }
    socket.SetSocksServer("127.0.0.1");
    try {
        socket.Listen();
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.Message(), "Listening is not supported thru socks server");
    }
    socket.SetProto("udp");
    socket.SetAddr("127.0.0.1");
    socket.SetPort("9");
    try {
        socket.Connect();
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.Message(), "tcp is the only protocol supported thru socks server");
    }
    socket.Close();
    EXPECT_EQ(socket.SocksServer(), "127.0.0.1") << "a close keeps the way out";
}

TEST_F(SocketLayers, LineModeDeliversOneLinePerEvent) {
    // Each piece goes out once the socket has dealt with the one before:
    // the two whole lines, then the 300 bytes without a line end.
    peer::Signal twoLines, limitMet;
    peer::Server server([&](peer::Connection& c) {
        c.Send("one\r\ntwo\r\nthr");
        twoLines.Wait();
        c.Send("ee\r\n" + std::string(300, 'x'));
        limitMet.Wait();
        c.Send("tail");
        c.Close();
    });
    TWSocket socket(nullptr);
    socket.SetLineMode(true);
    socket.LineLimit = 200;
    std::vector<std::string> lines;
    std::vector<int> limits;
    socket.OnDataAvailable = [&](tk::TComponent*, WORD) {
        char buffer[100];
        int n = socket.Receive(buffer, sizeof buffer);
        lines.emplace_back(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
        if (lines.size() == 2)
            twoLines.Raise();
    };
    socket.OnLineLimitExceeded = [&](tk::TComponent*, int length, bool& clear) {
        limits.push_back(length);
        clear = true;
        limitMet.Raise();
    };
    socket.SetAddr("127.0.0.1");
    socket.SetPort(std::to_string(server.Port()));
    socket.Connect();
    ASSERT_TRUE(PumpUntil([&] { return socket.State() == wsClosed; }));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "one\r\n");
    EXPECT_EQ(lines[1], "two\r\n");
    EXPECT_EQ(lines[2], "three\r\n");
    EXPECT_EQ(lines.back(), "tail") << "the last line without its end still arrives";
    ASSERT_EQ(limits.size(), 1u);
    EXPECT_EQ(limits[0], 300);
}

TEST_F(SocketLayers, SyncReadLineWaitsForEachLine) {
    peer::Server server([](peer::Connection& c) {
        c.Send("220 ready\r\n");
        std::string command = c.ReadFor(200);
        c.Send("250 " + command.substr(0, command.find('\r')) + "\r\n251 more\r\n");
        c.WaitForClose(3000);
    });
    TWSocket socket(nullptr);
    socket.SetAddr("127.0.0.1");
    socket.SetPort(std::to_string(server.Port()));
    socket.Connect();
    std::string line;
    ASSERT_TRUE(socket.ReadLine(0, line));
    EXPECT_EQ(line, "220 ready");
    socket.SendStr("HELO x\r\n");
    ASSERT_TRUE(socket.ReadLine(0, line));
    EXPECT_EQ(line, "250 HELO x");
    ASSERT_TRUE(socket.ReadLine(0, line));
    EXPECT_EQ(line, "251 more");
    socket.Close();
    EXPECT_FALSE(socket.LineMode()) << "the reader restores the mode it found";
}

TEST(SendBlock, WritesWhatFitsAndStartsOverWhenRead) {
    TBuffer block(0);
    EXPECT_EQ(block.BufSize(), 1514);
    TBuffer small(8);
    EXPECT_EQ(small.Write("0123456789", 10), 8);
    EXPECT_EQ(small.Write("x", 1), 0);
    int len = 0;
    const char* data = small.Peek(len);
    EXPECT_EQ(std::string(data, static_cast<std::size_t>(len)), "01234567");
    small.Remove(3);
    data = small.Peek(len);
    EXPECT_EQ(std::string(data, static_cast<std::size_t>(len)), "34567");
    small.SetBufSize(16);
    data = small.Peek(len);
    EXPECT_EQ(std::string(data, static_cast<std::size_t>(len)), "34567")
        << "resizing keeps the data";
    small.Remove(5);
    EXPECT_EQ(small.WrCount(), 0);
    EXPECT_EQ(small.RdCount(), 0);
    EXPECT_EQ(small.Write("abc", 3), 3);
}

} // namespace
