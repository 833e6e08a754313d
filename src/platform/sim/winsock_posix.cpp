// The host side of the simulator's WinSock. Every simulated socket is a real
// non-blocking POSIX socket; a socket the program left in blocking mode waits
// in poll() inside the call, as a blocking WinSock call would.
//
// One poller thread watches the sockets that have WSAAsyncSelect
// notifications and hands each event to the Windows side, which posts it to
// the window. Events are re-enabled the way WinSock re-enables them: FD_READ
// by a recv, FD_WRITE by a send that would block, FD_ACCEPT by an accept;
// FD_CONNECT and FD_CLOSE come once, FD_CLOSE when the peer's end has come
// and no data is left to read.
//
// A stream socket's data is taken from the host in pieces of up to 64 KiB,
// as WinSock's own buffer holds it, and a recv asking for less is served
// from what was taken: one host call then answers many small reads.
#include "platform/sim/winsock_posix.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sim::net {

namespace {

constexpr unsigned evRead = 0x01, evWrite = 0x02, evAccept = 0x08, evConnect = 0x10, evClose = 0x20;

struct Sock {
    int fd = -1;
    int type = SOCK_STREAM;
    bool nonBlocking = false;
    void* window = nullptr;
    unsigned message = 0;
    unsigned mask = 0;
    unsigned armed = 0;      // events that may be posted now
    bool connecting = false; // FD_CONNECT still owed
    int connectError = 0;    // an error that connect() gave at once, told by FD_CONNECT
    bool connected = false;
    bool listening = false;
    bool closeTold = false;
    bool eof = false;        // the peer's end (or a reset) was seen
    bool shutWrite = false;  // this side shut its sending down
    std::vector<char> ahead; // taken from the host, not yet read by the program
    std::size_t aheadAt = 0; // where the unread part of `ahead` begins
};

constexpr std::size_t kAhead = 65536;

std::size_t buffered(const Sock& s) {
    return s.ahead.size() - s.aheadAt;
}

struct Net {
    std::mutex mutex;
    std::map<Handle, Sock> sockets;
    Handle next = 0x100;
    void (*poster)(const Notice&) = nullptr;
    int wakeFd = -1;
    bool pollerRunning = false;
};

Net& net() {
    static Net* instance = new Net; // the poller thread may outlive main
    return *instance;
}

Sock* find(Handle s) {
    auto it = net().sockets.find(s);
    return it == net().sockets.end() ? nullptr : &it->second;
}

void wakePoller() {
    if (net().wakeFd >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(net().wakeFd, &one, sizeof one);
    }
}

void pollerLoop();

void startPoller() {
    Net& n = net();
    if (n.pollerRunning)
        return;
    n.wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    n.pollerRunning = true;
    std::thread(pollerLoop).detach();
}

int pendingBytes(const Sock& s) {
    int pending = 0;
    ::ioctl(s.fd, FIONREAD, &pending);
    return pending + static_cast<int>(buffered(s));
}

// What the poller should wait for on this socket; 0 for nothing.
short interest(const Sock& s) {
    if (!s.window || !s.mask)
        return 0;
    if (s.connecting)
        return POLLOUT;
    if (s.listening)
        return (s.armed & evAccept) ? POLLIN : 0;
    if (s.type != SOCK_STREAM)
        return static_cast<short>(((s.armed & evRead) ? POLLIN : 0) |
                                  ((s.armed & evWrite) ? POLLOUT : 0));
    if (!s.connected)
        return 0;
    short events = 0;
    // After the end of the stream only data still waiting counts: an empty
    // socket at its end would otherwise be readable for ever.
    if ((s.armed & evRead) && (!s.eof || pendingBytes(s) > 0))
        events |= POLLIN;
    if (s.armed & evWrite)
        events |= POLLOUT;
    // The peer's end matters once the data before it has been read.
    if ((s.mask & evClose) && !s.closeTold && pendingBytes(s) == 0)
        events |= POLLRDHUP;
    return events;
}

// A connected stream socket with FD_READ selected that holds data now
// (caller holds the lock).
bool readableNow(const Sock& s) {
    return s.window && (s.mask & evRead) && s.type == SOCK_STREAM && s.connected && !s.listening &&
           !s.connecting && (buffered(s) > 0 || pendingBytes(s) > 0);
}

// Checks one socket now (caller holds the lock) and collects what to post.
void examine(Handle h, Sock& s, std::vector<Notice>& out) {
    // Data already taken from the host is not seen by poll().
    if ((s.armed & evRead) && buffered(s) > 0 && readableNow(s)) {
        s.armed &= ~evRead;
        out.push_back(Notice{s.window, s.message, h, evRead, 0});
    }
    short want = interest(s);
    if (!want)
        return;
    pollfd p{s.fd, want, 0};
    if (!s.connectError && ::poll(&p, 1, 0) <= 0)
        return;
    auto notice = [&](unsigned event, unsigned error) {
        out.push_back(Notice{s.window, s.message, h, event, error});
    };
    if (s.connecting) {
        int error = s.connectError;
        if (!error) {
            if (!(p.revents & (POLLOUT | POLLERR | POLLHUP)))
                return;
            socklen_t len = sizeof error;
            ::getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &error, &len);
        }
        s.connecting = false;
        s.connectError = 0;
        if (s.mask & evConnect)
            notice(evConnect, error ? static_cast<unsigned>(errorOf(error)) : 0);
        if (!error) {
            s.connected = true;
            s.armed &= ~evWrite;
            if (s.mask & evWrite)
                notice(evWrite, 0);
        }
        return;
    }
    if (s.listening) {
        if (p.revents & POLLIN) {
            s.armed &= ~evAccept;
            notice(evAccept, 0);
        }
        return;
    }
    if (s.type != SOCK_STREAM) {
        if ((p.revents & POLLIN) && (s.armed & evRead)) {
            s.armed &= ~evRead;
            notice(evRead, 0);
        }
        if ((p.revents & POLLOUT) && (s.armed & evWrite)) {
            s.armed &= ~evWrite;
            notice(evWrite, 0);
        }
        return;
    }
    int pending = pendingBytes(s);
    if ((p.revents & (POLLRDHUP | POLLHUP | POLLERR)) || ((p.revents & POLLIN) && pending == 0))
        s.eof = true;
    if ((p.revents & POLLIN) && (s.armed & evRead) && pending > 0) {
        s.armed &= ~evRead;
        notice(evRead, 0);
    }
    if ((p.revents & POLLOUT) && (s.armed & evWrite)) {
        s.armed &= ~evWrite;
        notice(evWrite, 0);
    }
    // WinSock tells the close once the peer's end has come and the data
    // before it has been read (as Wine does; the program drains what may
    // still be there on FD_CLOSE all the same).
    if (s.eof && pending == 0 && (s.mask & evClose) && !s.closeTold) {
        int error = 0;
        socklen_t len = sizeof error;
        ::getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &error, &len);
        s.closeTold = true;
        notice(evClose, error ? static_cast<unsigned>(errorOf(error)) : 0);
    }
}

void deliver(std::vector<Notice>& notices) {
    auto poster = net().poster;
    if (poster)
        for (auto& n : notices)
            poster(n);
    notices.clear();
}

void pollerLoop() {
    std::vector<pollfd> fds;
    std::vector<Notice> notices;
    for (;;) {
        {
            std::lock_guard guard(net().mutex);
            for (auto& [h, s] : net().sockets)
                examine(h, s, notices);
            fds.clear();
            fds.push_back(pollfd{net().wakeFd, POLLIN, 0});
            for (auto& [h, s] : net().sockets)
                if (short want = interest(s))
                    fds.push_back(pollfd{s.fd, want, 0});
        }
        deliver(notices);
        // Only a wait: what is ready is read again under the lock, since a
        // socket may be closed (and its descriptor reused) meanwhile.
        ::poll(fds.data(), fds.size(), -1);
        std::uint64_t drained;
        while (::read(net().wakeFd, &drained, sizeof drained) > 0) {
        }
    }
}

// Waits until a blocking-mode socket is ready for `events`; the lock is not held.
int waitReady(int fd, short events) {
    pollfd p{fd, events, 0};
    for (;;) {
        int r = ::poll(&p, 1, -1);
        if (r > 0)
            return 0;
        if (r < 0 && errno != EINTR)
            return errorOf(errno);
    }
}

void toAddr(sockaddr_in& a, std::uint32_t addr, std::uint16_t port) {
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = addr;
    a.sin_port = port;
}

// Runs a call on the socket's descriptor; a blocking-mode socket waits for
// readiness and tries again where the descriptor would block.
template <typename Call, typename Keep>
int run(Handle h, short waitFor, unsigned rearm, Call call, Keep keep) {
    int fd;
    bool blocking;
    {
        std::lock_guard guard(net().mutex);
        Sock* s = find(h);
        if (!s)
            return 10038;
        fd = s->fd;
        blocking = !s->nonBlocking;
    }
    for (;;) {
        int r = call(fd);
        int e = r < 0 ? errno : 0;
        if (r < 0 && e == EINTR)
            continue;
        if (r < 0 && (e == EAGAIN || e == EWOULDBLOCK) && blocking) {
            if (int w = waitReady(fd, waitFor))
                return w;
            continue;
        }
        std::vector<Notice> notices;
        {
            std::lock_guard guard(net().mutex);
            if (Sock* s = find(h)) {
                keep(*s);
                bool wouldBlock = r < 0 && (e == EAGAIN || e == EWOULDBLOCK);
                // recv and accept re-enable their event in any case, send only
                // when it would block.
                unsigned before = s->armed;
                if (rearm != evWrite || wouldBlock)
                    s->armed |= (rearm & s->mask);
                // A read that leaves data behind is told again at once, as
                // WinSock does, without a round through the poller thread.
                if (s->armed != before && (rearm & evRead) && readableNow(*s)) {
                    s->armed &= ~evRead;
                    notices.push_back(Notice{s->window, s->message, h, evRead, 0});
                }
                // The poller only needs to hear of an event that came back: a
                // drain loop's further reads leave it asleep.
                if (s->armed != before)
                    wakePoller();
            }
        }
        deliver(notices);
        return r < 0 ? errorOf(e) : 0;
    }
}

template <typename Call> int run(Handle h, short waitFor, unsigned rearm, Call call) {
    return run(h, waitFor, rearm, call, [](Sock&) {});
}

} // namespace

void setPoster(void (*poster)(const Notice&)) {
    std::lock_guard guard(net().mutex);
    net().poster = poster;
}

int open(int type, int protocol, Handle& out) {
    out = 0;
    int posixType = type == 1 ? SOCK_STREAM : type == 2 ? SOCK_DGRAM : SOCK_RAW;
    int fd = ::socket(AF_INET, posixType | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (fd < 0)
        return errorOf(errno);
    std::lock_guard guard(net().mutex);
    Handle h = net().next;
    net().next += 4;
    Sock s;
    s.fd = fd;
    s.type = posixType;
    net().sockets[h] = s;
    out = h;
    return 0;
}

int close(Handle h) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    ::close(s->fd);
    net().sockets.erase(h);
    wakePoller();
    return 0;
}

bool exists(Handle h) {
    std::lock_guard guard(net().mutex);
    return find(h) != nullptr;
}

int bind(Handle h, std::uint32_t addr, std::uint16_t port) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    sockaddr_in a;
    toAddr(a, addr, port);
    if (::bind(s->fd, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0)
        return errorOf(errno);
    return 0;
}

int listen(Handle h, int backlog) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    if (::listen(s->fd, backlog) < 0)
        return errorOf(errno);
    s->listening = true;
    s->armed |= evAccept;
    wakePoller();
    return 0;
}

int accept(Handle h, Handle& out, std::uint32_t& addr, std::uint16_t& port) {
    out = 0;
    sockaddr_in a{};
    int fd = -1;
    int error = run(h, POLLIN, evAccept, [&](int listener) {
        socklen_t len = sizeof a;
        fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&a), &len,
                       SOCK_NONBLOCK | SOCK_CLOEXEC);
        return fd;
    });
    if (error)
        return error;
    std::lock_guard guard(net().mutex);
    Handle n = net().next;
    net().next += 4;
    Sock s;
    s.fd = fd;
    s.connected = true;
    // The accepted socket has the listener's notifications (as on Windows).
    if (Sock* l = find(h)) {
        s.nonBlocking = l->nonBlocking;
        s.window = l->window;
        s.message = l->message;
        s.mask = l->mask;
        s.armed = l->mask & (evRead | evWrite);
    }
    net().sockets[n] = s;
    out = n;
    addr = a.sin_addr.s_addr;
    port = a.sin_port;
    wakePoller();
    return 0;
}

int connect(Handle h, std::uint32_t addr, std::uint16_t port) {
    sockaddr_in a;
    toAddr(a, addr, port);
    int fd;
    bool blocking;
    {
        std::lock_guard guard(net().mutex);
        Sock* s = find(h);
        if (!s)
            return 10038;
        if (s->connected)
            return 10056;
        if (s->connecting)
            return 10037;
        fd = s->fd;
        blocking = !s->nonBlocking;
    }
    int r = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int e = r < 0 ? errno : 0;
    if (blocking) {
        if (r < 0 && e == EINPROGRESS) {
            if (int w = waitReady(fd, POLLOUT))
                return w;
            socklen_t len = sizeof e;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &e, &len);
        }
        std::lock_guard guard(net().mutex);
        if (Sock* s = find(h); s && !e)
            s->connected = true;
        return errorOf(e);
    }
    // Non-blocking, as after WSAAsyncSelect: WinSock always answers "would
    // block" and tells the outcome, a refusal too, by FD_CONNECT.
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    if (r < 0 && e != EINPROGRESS && e != ECONNREFUSED && e != ENETUNREACH && e != ETIMEDOUT &&
        e != EHOSTUNREACH)
        return errorOf(e);
    s->connecting = true;
    s->connectError = (r < 0 && e != EINPROGRESS) ? e : 0;
    wakePoller();
    return 10035;
}

int shutdown(Handle h, int how) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    int posixHow = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
    if (::shutdown(s->fd, posixHow) < 0)
        return errorOf(errno);
    if (how != 0)
        s->shutWrite = true;
    return 0;
}

int send(Handle h, const void* data, int len, bool urgent, int& done) {
    done = 0;
    ssize_t n = 0;
    int error = run(h, POLLOUT, evWrite, [&](int fd) {
        n = ::send(fd, data, static_cast<std::size_t>(len), MSG_NOSIGNAL | (urgent ? MSG_OOB : 0));
        return static_cast<int>(n < 0 ? -1 : 0);
    });
    if (!error)
        done = static_cast<int>(n);
    if (error == 10058) {
        // A broken pipe is "shut down" only when this side shut it; a peer
        // that went away is a reset, as WinSock reports it.
        std::lock_guard guard(net().mutex);
        Sock* s = find(h);
        if (!s || !s->shutWrite)
            error = 10054;
    }
    return error;
}

int sendTo(Handle h, const void* data, int len, std::uint32_t addr, std::uint16_t port, int& done) {
    done = 0;
    sockaddr_in a;
    toAddr(a, addr, port);
    ssize_t n = 0;
    int error = run(h, POLLOUT, evWrite, [&](int fd) {
        n = ::sendto(fd, data, static_cast<std::size_t>(len), MSG_NOSIGNAL,
                     reinterpret_cast<sockaddr*>(&a), sizeof a);
        return static_cast<int>(n < 0 ? -1 : 0);
    });
    if (!error)
        done = static_cast<int>(n);
    return error;
}

// Serves a recv from the data already taken from the host, when there is
// some; false otherwise (caller holds the lock).
bool fromAhead(Handle h, Sock& s, void* data, int len, bool peek, int& done,
               std::vector<Notice>& notices) {
    if (buffered(s) == 0 || len <= 0)
        return false;
    std::size_t n = std::min(buffered(s), static_cast<std::size_t>(len));
    std::memcpy(data, s.ahead.data() + s.aheadAt, n);
    done = static_cast<int>(n);
    if (peek)
        return true;
    s.aheadAt += n;
    if (buffered(s) == 0) {
        s.ahead.clear();
        s.aheadAt = 0;
    }
    // A recv re-enables the read notice, told again at once while data is left.
    unsigned before = s.armed;
    s.armed |= (evRead & s.mask);
    if (s.armed != before && readableNow(s)) {
        s.armed &= ~evRead;
        notices.push_back(Notice{s.window, s.message, h, evRead, 0});
    }
    if (s.armed != before)
        wakePoller();
    return true;
}

int recv(Handle h, void* data, int len, bool peek, bool urgent, int& done) {
    done = 0;
    ssize_t n = 0;
    bool stream = false;
    if (!urgent) {
        std::vector<Notice> notices;
        {
            std::lock_guard guard(net().mutex);
            Sock* s = find(h);
            if (!s)
                return 10038;
            stream = s->type == SOCK_STREAM && !s->listening;
            if (stream && fromAhead(h, *s, data, len, peek, done, notices)) {
                deliver(notices);
                return 0;
            }
        }
    }
    if (stream && !peek && len > 0 && static_cast<std::size_t>(len) < kAhead) {
        // Takes what the host holds, up to a whole piece; what the program
        // did not ask for stays for its next recv.
        thread_local std::vector<char> piece(kAhead);
        int error = run(
            h, POLLIN, evRead,
            [&](int fd) {
                n = ::recv(fd, piece.data(), piece.size(), 0);
                return static_cast<int>(n < 0 ? -1 : 0);
            },
            [&](Sock& s) {
                if (n <= 0)
                    return;
                std::size_t mine =
                    std::min(static_cast<std::size_t>(n), static_cast<std::size_t>(len));
                std::memcpy(data, piece.data(), mine);
                s.ahead.assign(piece.data() + mine, piece.data() + n);
                s.aheadAt = 0;
                n = static_cast<ssize_t>(mine);
            });
        if (!error)
            done = static_cast<int>(n);
        return error;
    }
    int error = run(h, POLLIN, evRead, [&](int fd) {
        n = ::recv(fd, data, static_cast<std::size_t>(len),
                   (peek ? MSG_PEEK : 0) | (urgent ? MSG_OOB : 0));
        return static_cast<int>(n < 0 ? -1 : 0);
    });
    if (!error)
        done = static_cast<int>(n);
    return error;
}

int recvFrom(Handle h, void* data, int len, bool peek, int& done, std::uint32_t& addr,
             std::uint16_t& port) {
    done = 0;
    sockaddr_in a{};
    ssize_t n = 0;
    int error = run(h, POLLIN, evRead, [&](int fd) {
        socklen_t alen = sizeof a;
        n = ::recvfrom(fd, data, static_cast<std::size_t>(len), peek ? MSG_PEEK : 0,
                       reinterpret_cast<sockaddr*>(&a), &alen);
        return static_cast<int>(n < 0 ? -1 : 0);
    });
    if (!error) {
        done = static_cast<int>(n);
        addr = a.sin_addr.s_addr;
        port = a.sin_port;
    }
    return error;
}

int available(Handle h, std::uint32_t& count) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    int n = 0;
    if (::ioctl(s->fd, FIONREAD, &n) < 0)
        return errorOf(errno);
    count = static_cast<std::uint32_t>(n) + static_cast<std::uint32_t>(buffered(*s));
    return 0;
}

int setNonBlocking(Handle h, bool on) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    if (!on && s->mask)
        return 10022; // WinSock refuses blocking mode while notifications are selected
    s->nonBlocking = on;
    return 0;
}

int setOption(Handle h, Option option, std::int64_t value, std::int64_t extra) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    int level = SOL_SOCKET, name = 0;
    int v = static_cast<int>(value);
    const void* data = &v;
    socklen_t len = sizeof v;
    struct linger l {};
    ip_mreq m{};
    unsigned char byte = static_cast<unsigned char>(value);
    switch (option) {
    case Option::ReuseAddr:
        name = SO_REUSEADDR;
        break;
    case Option::KeepAlive:
        name = SO_KEEPALIVE;
        break;
    case Option::Broadcast:
        name = SO_BROADCAST;
        break;
    case Option::RcvBuf:
        name = SO_RCVBUF;
        break;
    case Option::SndBuf:
        name = SO_SNDBUF;
        break;
    case Option::Linger:
        name = SO_LINGER;
        l.l_onoff = v ? 1 : 0;
        l.l_linger = static_cast<int>(extra);
        data = &l;
        len = sizeof l;
        break;
    case Option::NoDelay:
        level = IPPROTO_TCP;
        name = TCP_NODELAY;
        break;
    case Option::MulticastTtl:
        level = IPPROTO_IP;
        name = IP_MULTICAST_TTL;
        data = &byte;
        len = 1;
        break;
    case Option::MulticastLoop:
        level = IPPROTO_IP;
        name = IP_MULTICAST_LOOP;
        data = &byte;
        len = 1;
        break;
    case Option::MulticastIf: {
        level = IPPROTO_IP;
        name = IP_MULTICAST_IF;
        static thread_local in_addr a;
        a.s_addr = static_cast<std::uint32_t>(value);
        data = &a;
        len = sizeof a;
        break;
    }
    case Option::AddMembership:
    case Option::DropMembership:
        level = IPPROTO_IP;
        name = option == Option::AddMembership ? IP_ADD_MEMBERSHIP : IP_DROP_MEMBERSHIP;
        m.imr_multiaddr.s_addr = static_cast<std::uint32_t>(value);
        m.imr_interface.s_addr = static_cast<std::uint32_t>(extra);
        data = &m;
        len = sizeof m;
        break;
    default:
        return 10042;
    }
    if (::setsockopt(s->fd, level, name, data, len) < 0)
        return errorOf(errno);
    return 0;
}

int getOption(Handle h, Option option, std::int64_t& value, std::int64_t& extra) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    value = extra = 0;
    int v = 0;
    socklen_t len = sizeof v;
    switch (option) {
    case Option::Error:
        ::getsockopt(s->fd, SOL_SOCKET, SO_ERROR, &v, &len);
        value = errorOf(v);
        return 0;
    case Option::Type:
        value = s->type == SOCK_STREAM ? 1 : s->type == SOCK_DGRAM ? 2 : 3;
        return 0;
    case Option::Linger: {
        struct linger l {};
        socklen_t ll = sizeof l;
        if (::getsockopt(s->fd, SOL_SOCKET, SO_LINGER, &l, &ll) < 0)
            return errorOf(errno);
        value = l.l_onoff;
        extra = l.l_linger;
        return 0;
    }
    case Option::ReuseAddr:
    case Option::KeepAlive:
    case Option::Broadcast:
    case Option::RcvBuf:
    case Option::SndBuf:
    case Option::NoDelay: {
        int level = option == Option::NoDelay ? IPPROTO_TCP : SOL_SOCKET;
        int name = option == Option::ReuseAddr   ? SO_REUSEADDR
                   : option == Option::KeepAlive ? SO_KEEPALIVE
                   : option == Option::Broadcast ? SO_BROADCAST
                   : option == Option::RcvBuf    ? SO_RCVBUF
                   : option == Option::SndBuf    ? SO_SNDBUF
                                                 : TCP_NODELAY;
        if (::getsockopt(s->fd, level, name, &v, &len) < 0)
            return errorOf(errno);
        value = v;
        return 0;
    }
    default:
        return 10042;
    }
}

int sockName(Handle h, std::uint32_t& addr, std::uint16_t& port) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (::getsockname(s->fd, reinterpret_cast<sockaddr*>(&a), &len) < 0)
        return errorOf(errno);
    addr = a.sin_addr.s_addr;
    port = a.sin_port;
    return 0;
}

int peerName(Handle h, std::uint32_t& addr, std::uint16_t& port) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (::getpeername(s->fd, reinterpret_cast<sockaddr*>(&a), &len) < 0)
        return errorOf(errno);
    addr = a.sin_addr.s_addr;
    port = a.sin_port;
    return 0;
}

int asyncSelect(Handle h, void* window, unsigned message, unsigned mask) {
    std::lock_guard guard(net().mutex);
    Sock* s = find(h);
    if (!s)
        return 10038;
    s->nonBlocking = true;
    s->window = mask ? window : nullptr;
    s->message = message;
    s->mask = mask;
    // A new selection re-enables every event; the ones whose condition
    // already holds are posted at once (FD_WRITE on a connected socket, ...).
    s->armed = mask;
    if (mask)
        startPoller();
    wakePoller();
    return 0;
}

void closeAll() {
    std::lock_guard guard(net().mutex);
    for (auto& [h, s] : net().sockets)
        ::close(s.fd);
    net().sockets.clear();
    wakePoller();
}

std::size_t openCount() {
    std::lock_guard guard(net().mutex);
    return net().sockets.size();
}

} // namespace sim::net
