// The host side of the simulator's WinSock: real POSIX sockets, the poller
// thread that turns their readiness into WSAAsyncSelect notifications, and
// host-name lookups. This header speaks only in plain integers so that it can
// be included both beside the POSIX headers and beside the Windows ones.
//
// Addresses are IPv4 in network byte order, ports in network byte order.
// Every call that can fail returns a WinSock error number (0 = success).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim::net {

using Handle = std::uintptr_t; // the SOCKET value handed to the program

// One window notification that the poller wants posted.
struct Notice {
    void* window = nullptr;
    unsigned message = 0;
    Handle socket = 0;
    unsigned event = 0;
    unsigned error = 0;
};
// The Windows side posts the notices; set once, called without any lock held.
void setPoster(void (*poster)(const Notice&));

int errorOf(int posixErrno);

// Options, translated by the Windows side.
enum class Option {
    ReuseAddr,
    KeepAlive,
    Broadcast,
    Linger,
    NoDelay,
    RcvBuf,
    SndBuf,
    Error,
    Type,
    MulticastTtl,
    MulticastLoop,
    MulticastIf,
    AddMembership,
    DropMembership
};

int open(int type, int protocol, Handle& out);
int close(Handle s);
bool exists(Handle s);
int bind(Handle s, std::uint32_t addr, std::uint16_t port);
int listen(Handle s, int backlog);
int accept(Handle s, Handle& out, std::uint32_t& addr, std::uint16_t& port);
int connect(Handle s, std::uint32_t addr, std::uint16_t port);
int shutdown(Handle s, int how); // 0 receive, 1 send, 2 both
// `done` receives the byte count (0 for an orderly close on receive).
int send(Handle s, const void* data, int len, bool urgent, int& done);
int sendTo(Handle s, const void* data, int len, std::uint32_t addr, std::uint16_t port, int& done);
int recv(Handle s, void* data, int len, bool peek, bool urgent, int& done);
int recvFrom(Handle s, void* data, int len, bool peek, int& done, std::uint32_t& addr,
             std::uint16_t& port);
int available(Handle s, std::uint32_t& count);
int setNonBlocking(Handle s, bool on);
// Two integers cover every option: the value, and the linger timeout or the
// membership's interface.
int setOption(Handle s, Option option, std::int64_t value, std::int64_t extra);
int getOption(Handle s, Option option, std::int64_t& value, std::int64_t& extra);
int sockName(Handle s, std::uint32_t& addr, std::uint16_t& port);
int peerName(Handle s, std::uint32_t& addr, std::uint16_t& port);
// mask 0 cancels the notifications (the socket stays non-blocking).
int asyncSelect(Handle s, void* window, unsigned message, unsigned mask);

// Blocking host-name lookup: the canonical name and every IPv4 address.
int resolve(const std::string& name, std::string& canonical, std::vector<std::uint32_t>& addrs);
int reverse(std::uint32_t addr, std::string& name);
bool service(const std::string& name, const std::string& proto, std::uint16_t& port,
             std::string& canonical);
bool serviceByPort(std::uint16_t port, const std::string& proto, std::string& name);
bool protocol(const std::string& name, int& number, std::string& canonical);

// Forgets every socket (tests' reset).
void closeAll();
std::size_t openCount();

} // namespace sim::net
