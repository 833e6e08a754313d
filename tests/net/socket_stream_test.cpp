// Connections of the socket against real local peers: connecting, sending
// through the block queue, the close notification, listening and accepting,
// and the handling of failures inside notifications.
#include "http_rawserver.h"
#include "http_support.h"

#include <memory>
#include <string>
#include <vector>

using nettest::NetTest;
using nettest::PumpUntil;

namespace {

class SocketStream : public NetTest {};

void ConnectTo(TWSocket& socket, int port) {
    socket.SetAddr("127.0.0.1");
    socket.SetPort(std::to_string(port));
    socket.SetProto("tcp");
    socket.Connect();
}

TEST_F(SocketStream, CloseDeliversAllDataFirstAndIsToldOnce) {
    // The rest goes out once the socket has taken the first part.
    peer::Signal firstRead;
    peer::Server server([&](peer::Connection& c) {
        c.Send("first part,");
        firstRead.Wait();
        c.Send("second part,");
        c.Send(std::string(20000, 'z'));
        c.Close();
    });
    TWSocket socket(nullptr);
    std::string data;
    std::vector<std::string> log;
    socket.OnSessionConnected = [&](tk::TComponent*, WORD e) {
        log.push_back("connected " + std::to_string(e));
    };
    socket.OnDataAvailable = [&](tk::TComponent*, WORD) {
        char buffer[700];
        int n = socket.Receive(buffer, sizeof buffer);
        if (n > 0)
            data.append(buffer, static_cast<std::size_t>(n));
        firstRead.Raise();
    };
    socket.OnSessionClosed = [&](tk::TComponent*, WORD e) {
        log.push_back("closed " + std::to_string(e) + " after " + std::to_string(data.size()));
    };
    std::vector<TSocketState> states;
    socket.OnChangeState = [&](tk::TComponent*, TSocketState, TSocketState s) {
        states.push_back(s);
    };
    ConnectTo(socket, server.Port());
    EXPECT_EQ(socket.State(), wsConnecting);
    ASSERT_TRUE(PumpUntil([&] { return socket.State() == wsClosed; }));
    std::string expected = "first part,second part," + std::string(20000, 'z');
    EXPECT_EQ(data, expected);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "connected 0");
    EXPECT_EQ(log[1], "closed 0 after " + std::to_string(expected.size()));
    EXPECT_EQ(states, (std::vector<TSocketState>{wsOpened, wsConnecting, wsConnected, wsClosed}));
    EXPECT_EQ(socket.ReadCount(), 0) << "fields are reset after a close";
    socket.Close();
    EXPECT_EQ(log.size(), 2u) << "the close is told once per connection";
}

TEST_F(SocketStream, LargeSendGoesOutInBlocksAndDataSentFollows) {
    std::string payload;
    for (int i = 0; i < 200000; ++i)
        payload += static_cast<char>('a' + i % 26);
    peer::Server server([&](peer::Connection& c) {
        c.ReadExactly(payload.size());
        c.Send("ok");
        c.WaitForClose(5000);
    });
    TWSocket socket(nullptr);
    int sentEvents = 0;
    long long sentBytes = 0;
    std::string reply;
    socket.OnSendData = [&](tk::TComponent*, int n) {
        sentBytes += n;
    };
    socket.OnDataSent = [&](tk::TComponent*, WORD) {
        ++sentEvents;
    };
    socket.OnDataAvailable = [&](tk::TComponent*, WORD) {
        reply += socket.ReceiveStr();
    };
    socket.OnSessionConnected = [&](tk::TComponent*, WORD) {
        EXPECT_EQ(socket.Send(payload.data(), static_cast<int>(payload.size())),
                  static_cast<int>(payload.size()));
    };
    ConnectTo(socket, server.Port());
    ASSERT_TRUE(PumpUntil([&] { return reply == "ok"; }));
    EXPECT_EQ(sentBytes, static_cast<long long>(payload.size()));
    EXPECT_TRUE(socket.AllSent());
    EXPECT_GE(sentEvents, 1);
    socket.Close();
    ASSERT_EQ(server.Requests().size(), 1u);
    // The server recorded every byte in order.
    PumpUntil([&] { return server.Requests()[0].size() == payload.size(); }, 3000);
    EXPECT_EQ(server.Requests()[0], payload);
}

TEST_F(SocketStream, RefusedConnectionIsToldByTheConnectEvent) {
    TWSocket socket(nullptr);
    std::vector<WORD> connected;
    socket.OnSessionConnected = [&](tk::TComponent*, WORD e) {
        connected.push_back(e);
    };
    ConnectTo(socket, peer::ClosedPort());
    ASSERT_TRUE(PumpUntil([&] { return socket.State() == wsClosed; }));
    EXPECT_EQ(connected, std::vector<WORD>{10061});
}

TEST_F(SocketStream, PortCannotChangeWhileConnectedAndSendOnConnectingCloses) {
    peer::Server server([](peer::Connection& c) { c.WaitForClose(5000); });
    TWSocket socket(nullptr);
    ConnectTo(socket, server.Port());
    std::vector<WORD> closed;
    socket.OnSessionClosed = [&](tk::TComponent*, WORD e) {
        closed.push_back(e);
    };
    // Not connected yet: a send is refused and, as every 10057, closes.
    std::string report;
    socket.OnError = [&](tk::TComponent*) {
        report = socket.LastErrorText();
    };
    EXPECT_EQ(socket.State(), wsConnecting);
    EXPECT_EQ(socket.SendStr("early"), -1);
    EXPECT_EQ(report, "Error 10057 in function Send\r\nSocket is not connected");
    EXPECT_EQ(closed, std::vector<WORD>{10057});
    EXPECT_EQ(socket.State(), wsClosed);

    socket.OnError = nullptr;
    ConnectTo(socket, server.Port());
    ASSERT_TRUE(PumpUntil([&] { return socket.State() == wsConnected; }));
    std::string port = socket.Port();
    try {
        socket.SetPort("81");
        FAIL() << "no exception";
    } catch (const ESocketException& e) {
        EXPECT_EQ(e.Message(), "Cannot change Port if not closed");
    }
    EXPECT_EQ(socket.Port(), port);
    socket.Close();
}

TEST_F(SocketStream, ListeningSocketAcceptsAndTheCopyTalks) {
    TWSocket listener(nullptr);
    listener.SetAddr("127.0.0.1");
    listener.SetPort("0");
    std::unique_ptr<TWSocket> accepted;
    std::string heard;
    listener.OnSessionAvailable = [&](tk::TComponent*, WORD) {
        accepted = std::make_unique<TWSocket>(nullptr);
        accepted->OnDataAvailable = [&](tk::TComponent*, WORD) {
            heard += accepted->ReceiveStr();
            if (heard == "ping")
                accepted->SendStr("pong");
        };
        accepted->Dup(listener.Accept());
    };
    listener.Listen();
    ASSERT_EQ(listener.State(), wsListening);
    ASSERT_NE(listener.Port(), "0");

    TWSocket client(nullptr);
    std::string answer;
    client.OnSessionConnected = [&](tk::TComponent*, WORD) {
        client.SendStr("ping");
    };
    client.OnDataAvailable = [&](tk::TComponent*, WORD) {
        answer += client.ReceiveStr();
    };
    client.SetAddr("127.0.0.1");
    client.SetPort(listener.Port());
    client.Connect();
    ASSERT_TRUE(PumpUntil([&] { return answer == "pong"; }));
    EXPECT_EQ(accepted->GetPeerPort(), client.GetXPort());
    client.Close();
    ASSERT_TRUE(PumpUntil([&] { return accepted->State() == wsClosed; }));
}

TEST_F(SocketStream, FailureInAHandlerAbortsTheConnection) {
    peer::Server server([](peer::Connection& c) {
        c.Send("hello");
        c.WaitForClose(5000);
    });
    TWSocket socket(nullptr);
    std::string seen;
    socket.OnBgException = [&](tk::TComponent*, const std::exception& e, bool& canClose) {
        seen = e.what();
        EXPECT_TRUE(canClose);
    };
    socket.OnSessionConnected = [&](tk::TComponent*, WORD) {
        throw tk::Exception("handler failed");
    };
    ConnectTo(socket, server.Port());
    ASSERT_TRUE(PumpUntil([&] { return socket.State() == wsClosed; }));
    EXPECT_EQ(seen, "handler failed");

    // A failure inside the receive loop only ends that round of reading.
    peer::Signal aRead;
    peer::Server server2([&](peer::Connection& c) {
        c.Send("a");
        aRead.Wait();
        c.Send("b");
        c.Close();
    });
    std::string got;
    int failures = 0;
    seen.clear();
    socket.OnSessionConnected = nullptr;
    socket.OnDataAvailable = [&](tk::TComponent*, WORD) {
        got += socket.ReceiveStr();
        aRead.Raise();
        if (got == "a") {
            ++failures;
            throw tk::Exception("bad data");
        }
    };
    ConnectTo(socket, server2.Port());
    ASSERT_TRUE(PumpUntil([&] { return socket.State() == wsClosed; }));
    EXPECT_EQ(got, "ab");
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(seen, "") << "not a background exception";
}

TEST_F(SocketStream, TestMessageRaisesInTheBackground) {
    TWSocket socket(nullptr);
    std::string seen;
    socket.OnBgException = [&](tk::TComponent*, const std::exception& e, bool& canClose) {
        seen = e.what();
        canClose = false;
    };
    socket.TriggerTestException();
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, "Test exception in WSocket");
}

} // namespace
