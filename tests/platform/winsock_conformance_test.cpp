// What the asynchronous socket relies on from WinSock 1.1, reached as the
// program reaches it: wsock32.dll loaded at run time. The order and the
// re-enabling of WSAAsyncSelect notifications, WSAAsyncGetHostByName, and
// the WSAGetLastError numbers that the client turns into texts, all against
// a listening socket that the test opens on the loopback interface. The same
// source runs against the simulator and, built for Windows, against Wine.
#include "conformance_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr UINT kSelect = WM_USER + 10;
constexpr UINT kLookup = WM_USER + 11;

// The entries of wsock32.dll that the tests use.
struct WinSock {
    HMODULE module = nullptr;
    int(WINAPI* WSAStartup)(WORD, LPWSADATA) = nullptr;
    int(WINAPI* WSACleanup)() = nullptr;
    int(WINAPI* WSAGetLastError)() = nullptr;
    int(WINAPI* WSAAsyncSelect)(SOCKET, HWND, UINT, LONG) = nullptr;
    HANDLE(WINAPI* WSAAsyncGetHostByName)(HWND, UINT, const char*, char*, int) = nullptr;
    SOCKET(WINAPI* socket)(int, int, int) = nullptr;
    int(WINAPI* bind)(SOCKET, const sockaddr*, int) = nullptr;
    int(WINAPI* listen)(SOCKET, int) = nullptr;
    SOCKET(WINAPI* accept)(SOCKET, sockaddr*, int*) = nullptr;
    int(WINAPI* connect)(SOCKET, const sockaddr*, int) = nullptr;
    int(WINAPI* send)(SOCKET, const char*, int, int) = nullptr;
    int(WINAPI* recv)(SOCKET, char*, int, int) = nullptr;
    int(WINAPI* closesocket)(SOCKET) = nullptr;
    int(WINAPI* getsockname)(SOCKET, sockaddr*, int*) = nullptr;
    int(WINAPI* ioctlsocket)(SOCKET, LONG, ULONG*) = nullptr;
    int(WINAPI* setsockopt)(SOCKET, int, int, const char*, int) = nullptr;

    template <typename F> void Find(F& entry, const char* name) {
        entry = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
        EXPECT_NE(reinterpret_cast<void*>(entry), nullptr) << name;
    }
    bool Load() {
        module = LoadLibraryA("wsock32.dll");
        if (!module)
            return false;
        Find(WSAStartup, "WSAStartup");
        Find(WSACleanup, "WSACleanup");
        Find(WSAGetLastError, "WSAGetLastError");
        Find(WSAAsyncSelect, "WSAAsyncSelect");
        Find(WSAAsyncGetHostByName, "WSAAsyncGetHostByName");
        Find(socket, "socket");
        Find(bind, "bind");
        Find(listen, "listen");
        Find(accept, "accept");
        Find(connect, "connect");
        Find(send, "send");
        Find(recv, "recv");
        Find(closesocket, "closesocket");
        Find(getsockname, "getsockname");
        Find(ioctlsocket, "ioctlsocket");
        Find(setsockopt, "setsockopt");
        WSADATA data;
        return WSAStartup && WSAStartup(0x0101, &data) == 0;
    }
};

struct Notice {
    WPARAM wParam;
    WORD event;
    WORD error;
};
std::vector<Notice> notices;
std::vector<Notice> lookups;

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kSelect)
        notices.push_back({wParam, WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam)});
    else if (msg == kLookup)
        lookups.push_back({wParam, 0, WSAGETASYNCERROR(lParam)});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

sockaddr_in Loopback(USHORT port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = static_cast<USHORT>((port >> 8) | (port << 8));
    a.sin_addr.s_addr = 0x0100007F; // 127.0.0.1 in network order
    return a;
}

std::string Events(SOCKET s) {
    std::string out;
    for (const auto& n : notices) {
        if (n.wParam != s)
            continue;
        if (!out.empty())
            out += ' ';
        switch (n.event) {
        case FD_READ:
            out += "READ";
            break;
        case FD_WRITE:
            out += "WRITE";
            break;
        case FD_CONNECT:
            out += "CONNECT";
            break;
        case FD_CLOSE:
            out += "CLOSE";
            break;
        case FD_ACCEPT:
            out += "ACCEPT";
            break;
        default:
            out += std::to_string(n.event);
        }
        if (n.error)
            out += "(" + std::to_string(n.error) + ")";
    }
    return out;
}

class WinsockConformance : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ws.Load());
        static bool registered = [] {
            WNDCLASSA cls{};
            cls.lpfnWndProc = NoticeProc;
            cls.hInstance = GetModuleHandleA(nullptr);
            cls.lpszClassName = "ConformanceSockets";
            return RegisterClassA(&cls) != 0;
        }();
        ASSERT_TRUE(registered);
        window = CreateWindowExA(WS_EX_TOOLWINDOW, "ConformanceSockets", "", WS_POPUP, 0, 0, 0, 0,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        notices.clear();
        lookups.clear();
        // The peer: a blocking listening socket on a free loopback port.
        listener = ws.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ASSERT_NE(listener, INVALID_SOCKET);
        sockaddr_in any = Loopback(0);
        ASSERT_EQ(ws.bind(listener, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
        ASSERT_EQ(ws.listen(listener, 5), 0);
        sockaddr_in bound{};
        int length = sizeof bound;
        ASSERT_EQ(ws.getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &length), 0);
        port = static_cast<USHORT>((bound.sin_port >> 8) | (bound.sin_port << 8));
        ASSERT_NE(port, 0);
    }
    void TearDown() override {
        for (SOCKET s : opened)
            ws.closesocket(s);
        if (listener != INVALID_SOCKET)
            ws.closesocket(listener);
        DestroyWindow(window);
        conformance::Pump();
        if (ws.WSACleanup)
            ws.WSACleanup();
        if (ws.module)
            FreeLibrary(ws.module);
    }
    SOCKET Open() {
        SOCKET s = ws.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        EXPECT_NE(s, INVALID_SOCKET);
        opened.push_back(s);
        return s;
    }
    // Pumps until `done` holds or ten seconds have passed.
    template <typename Done> bool PumpUntil(Done done) {
        for (int i = 0; i < 2000; ++i) {
            conformance::Pump();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // Pumps for a while for notices that must not come.
    void PumpAWhile() {
        for (int i = 0; i < 20; ++i) {
            conformance::Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    bool Has(SOCKET s, WORD event) {
        for (const auto& n : notices)
            if (n.wParam == s && n.event == event)
                return true;
        return false;
    }
    // A client with every notification selected, connected to the listener,
    // and the server's end of the connection (blocking).
    SOCKET Connected(SOCKET& server) {
        SOCKET client = Open();
        EXPECT_EQ(
            ws.WSAAsyncSelect(client, window, kSelect, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE),
            0);
        sockaddr_in to = Loopback(port);
        EXPECT_EQ(ws.connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to), SOCKET_ERROR);
        EXPECT_EQ(ws.WSAGetLastError(), WSAEWOULDBLOCK);
        server = ws.accept(listener, nullptr, nullptr);
        EXPECT_NE(server, INVALID_SOCKET);
        opened.push_back(server);
        EXPECT_TRUE(PumpUntil([&] { return Has(client, FD_WRITE); })) << Events(client);
        return client;
    }
    void SendFrom(SOCKET s, const std::string& bytes) {
        ASSERT_EQ(ws.send(s, bytes.data(), static_cast<int>(bytes.size()), 0),
                  static_cast<int>(bytes.size()));
    }
    std::string Receive(SOCKET s, int most) {
        std::string buffer(static_cast<std::size_t>(most), '\0');
        int n = ws.recv(s, buffer.data(), most, 0);
        if (n < 0)
            return "error " + std::to_string(ws.WSAGetLastError());
        buffer.resize(static_cast<std::size_t>(n));
        return buffer;
    }

    WinSock ws;
    HWND window = nullptr;
    SOCKET listener = INVALID_SOCKET;
    USHORT port = 0;
    std::vector<SOCKET> opened;
};

} // namespace

TEST_F(WinsockConformance, AConnectionIsToldByConnectThenWrite) {
    SOCKET server = INVALID_SOCKET;
    SOCKET client = Connected(server);
    PumpAWhile();
    EXPECT_EQ(Events(client), "CONNECT WRITE");
}

TEST_F(WinsockConformance, ARefusedConnectionIsToldByConnectWithItsError) {
    SOCKET client = Open();
    ASSERT_EQ(
        ws.WSAAsyncSelect(client, window, kSelect, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    // A port that was free a moment ago: the listener's, closed.
    ws.closesocket(listener);
    listener = INVALID_SOCKET;
    sockaddr_in to = Loopback(port);
    ASSERT_EQ(ws.connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_CONNECT); }));
    PumpAWhile();
    EXPECT_EQ(Events(client), "CONNECT(10061)");
}

TEST_F(WinsockConformance, ReadIsToldAgainOnlyAfterRecv) {
    SOCKET server = INVALID_SOCKET;
    SOCKET client = Connected(server);
    notices.clear();
    SendFrom(server, "abc");
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_READ); }));
    // More data, but no recv yet: no second notice.
    SendFrom(server, "def");
    PumpAWhile();
    EXPECT_EQ(Events(client), "READ");
    notices.clear();
    // A recv that leaves data behind brings the notice again.
    EXPECT_EQ(Receive(client, 2), "ab");
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_READ); }));
    ULONG waiting = 0;
    ASSERT_EQ(ws.ioctlsocket(client, FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, 4u);
    notices.clear();
    EXPECT_EQ(Receive(client, 100), "cdef");
    PumpAWhile();
    EXPECT_EQ(Events(client), "");
    // With nothing waiting, recv would block.
    EXPECT_EQ(Receive(client, 100), "error 10035");
}

TEST_F(WinsockConformance, SmallReadsTakeALargeArrivalInOrder) {
    SOCKET server = INVALID_SOCKET;
    SOCKET client = Connected(server);
    std::string sent(60000, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>((i * 2654435761u) >> 13);
    SendFrom(server, sent);
    ULONG waiting = 0;
    ASSERT_TRUE(PumpUntil([&] {
        return ws.ioctlsocket(client, FIONREAD, &waiting) == 0 && waiting == sent.size();
    })) << waiting;
    // A peek shows the next bytes and leaves them there.
    char peek[10];
    ASSERT_EQ(ws.recv(client, peek, sizeof peek, MSG_PEEK), 10);
    EXPECT_EQ(std::string(peek, sizeof peek), sent.substr(0, 10));
    std::string got = Receive(client, 1000);
    EXPECT_EQ(got, sent.substr(0, 1000));
    ASSERT_EQ(ws.ioctlsocket(client, FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, sent.size() - 1000);
    ASSERT_EQ(ws.recv(client, peek, sizeof peek, MSG_PEEK), 10);
    EXPECT_EQ(std::string(peek, sizeof peek), sent.substr(1000, 10));
    // Selecting again while data waits tells the read at once (the notice
    // the recv brought is taken first).
    PumpAWhile();
    notices.clear();
    ASSERT_EQ(
        ws.WSAAsyncSelect(client, window, kSelect, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_READ); })) << Events(client);
    // The rest in small reads, each piece where it was sent.
    while (got.size() < sent.size()) {
        std::string piece = Receive(client, 1000);
        if (piece.empty() || piece.rfind("error ", 0) == 0)
            break;
        got += piece;
    }
    EXPECT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent) << "the pieces do not make up what was sent, in order";
    ASSERT_EQ(ws.ioctlsocket(client, FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, 0u);
}

TEST_F(WinsockConformance, WriteIsToldOnceThereIsRoomAfterASendThatWouldBlock) {
    SOCKET server = INVALID_SOCKET;
    SOCKET client = Connected(server);
    notices.clear();
    // Fill every buffer on the way: the server reads nothing meanwhile.
    std::string chunk(65536, 'x');
    long long sent = 0;
    int error = 0;
    for (int i = 0; i < 20000; ++i) {
        int n = ws.send(client, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (n == SOCKET_ERROR) {
            error = ws.WSAGetLastError();
            break;
        }
        sent += n;
    }
    ASSERT_EQ(error, WSAEWOULDBLOCK);
    ASSERT_GT(sent, 0);
    PumpAWhile();
    EXPECT_EQ(Events(client), "") << "room told before there was any";
    // The server reads everything; room comes, and is told once.
    ULONG on = 1;
    ASSERT_EQ(ws.ioctlsocket(server, FIONBIO, &on), 0);
    long long read = 0;
    std::string buffer(65536, '\0');
    ASSERT_TRUE(PumpUntil([&] {
        for (;;) {
            int n = ws.recv(server, buffer.data(), static_cast<int>(buffer.size()), 0);
            if (n <= 0)
                break;
            read += n;
        }
        return read == sent && Has(client, FD_WRITE);
    })) << read
        << " of " << sent << ", " << Events(client);
    PumpAWhile();
    EXPECT_EQ(Events(client), "WRITE");
}

TEST_F(WinsockConformance, CloseIsToldOnceTheDataLeftIsRead) {
    SOCKET server = INVALID_SOCKET;
    SOCKET client = Connected(server);
    notices.clear();
    SendFrom(server, "bye");
    ASSERT_EQ(ws.closesocket(server), 0);
    opened.pop_back();
    // While data waits unread, only the read is told.
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_READ); })) << Events(client);
    PumpAWhile();
    EXPECT_EQ(Events(client), "READ");
    // Read, the end of the stream is told.
    EXPECT_EQ(Receive(client, 100), "bye");
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_CLOSE); })) << Events(client);
    PumpAWhile();
    EXPECT_EQ(Events(client), "READ CLOSE");
    EXPECT_EQ(Receive(client, 100), "");
}

TEST_F(WinsockConformance, CloseComesAfterEveryPieceOfTheDataLeft) {
    SOCKET server = INVALID_SOCKET;
    SOCKET client = Connected(server);
    notices.clear();
    SendFrom(server, "abcdef");
    ASSERT_EQ(ws.closesocket(server), 0);
    opened.pop_back();
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_READ); })) << Events(client);
    // Part of it: the read is told again, not yet the close.
    EXPECT_EQ(Receive(client, 4), "abcd");
    ASSERT_TRUE(PumpUntil([&] { return Events(client) == "READ READ"; })) << Events(client);
    PumpAWhile();
    EXPECT_EQ(Events(client), "READ READ");
    EXPECT_EQ(Receive(client, 4), "ef");
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_CLOSE); })) << Events(client);
    EXPECT_EQ(Events(client), "READ READ CLOSE");
}

TEST_F(WinsockConformance, AResetIsToldByClose) {
    SOCKET server = INVALID_SOCKET;
    SOCKET client = Connected(server);
    notices.clear();
    linger abort{1, 0};
    ASSERT_EQ(ws.setsockopt(server, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                            sizeof abort),
              0);
    ASSERT_EQ(ws.closesocket(server), 0);
    opened.pop_back();
    ASSERT_TRUE(PumpUntil([&] { return Has(client, FD_CLOSE); })) << Events(client);
    // Windows tells the reset as WSAECONNRESET, and so does the simulator, so
    // that the program's tests see the harder case; Wine tells it as an
    // orderly close.
    EXPECT_EQ(Events(client), conformance::OnWine() ? "CLOSE" : "CLOSE(10054)");
    EXPECT_EQ(Receive(client, 100), "");
}

TEST_F(WinsockConformance, ErrorNumbersTheClientTurnsIntoTexts) {
    // Sending on a socket that is not connected: WSAECONNRESET as Wine says
    // it (Windows says WSAENOTCONN; the client closes the session on either).
    SOCKET lone = Open();
    ASSERT_EQ(ws.WSAAsyncSelect(lone, window, kSelect, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE),
              0);
    EXPECT_EQ(ws.send(lone, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAECONNRESET);
    // A second connect while the first is under way.
    sockaddr_in to = Loopback(port);
    ASSERT_EQ(ws.connect(lone, reinterpret_cast<sockaddr*>(&to), sizeof to), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(PumpUntil([&] { return Has(lone, FD_CONNECT); }));
    EXPECT_EQ(ws.connect(lone, reinterpret_cast<sockaddr*>(&to), sizeof to), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAEISCONN);
    // A port that is taken.
    SOCKET second = Open();
    ASSERT_EQ(ws.bind(second, reinterpret_cast<sockaddr*>(&to), sizeof to), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAEADDRINUSE);
    // A socket that is gone.
    SOCKET gone = ws.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(ws.closesocket(gone), 0);
    EXPECT_EQ(ws.closesocket(gone), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(ws.send(gone, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(ws.WSAGetLastError(), WSAENOTSOCK);
    // Notices for a window that is gone are taken without a word; they go nowhere.
    SOCKET third = Open();
    HWND none = CreateWindowExA(0, "ConformanceSockets", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    DestroyWindow(none);
    EXPECT_EQ(ws.WSAAsyncSelect(third, none, kSelect, FD_READ), 0);
}

TEST_F(WinsockConformance, HostLookupsAnswerByMessage) {
    std::vector<char> buffer(MAXGETHOSTSTRUCT);
    HANDLE request =
        ws.WSAAsyncGetHostByName(window, kLookup, "localhost", buffer.data(), MAXGETHOSTSTRUCT);
    ASSERT_NE(request, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !lookups.empty(); }));
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(reinterpret_cast<HANDLE>(lookups[0].wParam), request);
    EXPECT_EQ(lookups[0].error, 0);
    auto* host = reinterpret_cast<hostent*>(buffer.data());
    EXPECT_EQ(host->h_addrtype, AF_INET);
    EXPECT_EQ(host->h_length, 4);
    ASSERT_NE(host->h_addr_list[0], nullptr);
    unsigned char first[4];
    std::memcpy(first, host->h_addr_list[0], 4);
    EXPECT_EQ(first[0], 127);

    lookups.clear();
    HANDLE failing = ws.WSAAsyncGetHostByName(window, kLookup, "no-such-host.invalid",
                                              buffer.data(), MAXGETHOSTSTRUCT);
    ASSERT_NE(failing, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !lookups.empty(); }));
    EXPECT_EQ(reinterpret_cast<HANDLE>(lookups[0].wParam), failing);
    EXPECT_EQ(lookups[0].error, WSAHOST_NOT_FOUND);
}
