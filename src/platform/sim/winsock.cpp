// The Windows side of the simulator's wsock32.dll: the WinSock 1.1 entry
// points with their Windows types, over the host sockets of winsock_posix.
// The program finds them with GetProcAddress (kernel32_modules.cpp).
#include "platform/sim/state.h"
#include "platform/sim/simulator.h"
#include "platform/sim/winsock_internal.h"
#include "platform/sim/winsock_posix.h"

#include <atomic>
#include <cstring>

using namespace sim::detail;
namespace net = sim::net;

namespace {

std::atomic<int> startups{0};

void poster(const net::Notice& n) {
    PostMessageA(static_cast<HWND>(n.window), n.message, static_cast<WPARAM>(n.socket),
                 WSAMAKESELECTREPLY(n.event, n.error));
}

bool readAddress(const sockaddr* name, int length, std::uint32_t& addr, std::uint16_t& port,
                 int& error) {
    if (!name || length < static_cast<int>(sizeof(sockaddr_in))) {
        error = WSAEFAULT;
        return false;
    }
    sockaddr_in in;
    std::memcpy(&in, name, sizeof in);
    if (in.sin_family != AF_INET) {
        error = WSAEAFNOSUPPORT;
        return false;
    }
    addr = in.sin_addr.s_addr;
    port = in.sin_port;
    return true;
}

bool writeAddress(sockaddr* name, int* length, std::uint32_t addr, std::uint16_t port) {
    if (!name || !length || *length < static_cast<int>(sizeof(sockaddr_in)))
        return false;
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = port;
    in.sin_addr.s_addr = addr;
    std::memcpy(name, &in, sizeof in);
    *length = sizeof in;
    return true;
}

} // namespace

namespace sim::detail {

int winsockFail(int error) {
    SetLastError(static_cast<DWORD>(error));
    return SOCKET_ERROR;
}

bool winsockStarted() {
    if (startups.load() > 0)
        return true;
    SetLastError(WSANOTINITIALISED);
    return false;
}

} // namespace sim::detail

namespace wsock32 {

int WINAPI WSAStartup(WORD version, LPWSADATA data) {
    if (!data)
        return WSAEFAULT;
    if (LOBYTE(version) < 1)
        return WSAVERNOTSUPPORTED;
    std::memset(data, 0, sizeof *data);
    data->wVersion = (LOBYTE(version) > 1 || HIBYTE(version) >= 1) ? 0x0101 : version;
    data->wHighVersion = 0x0101;
    std::strcpy(data->szDescription, "Stashwell simulated WinSock 1.1");
    std::strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = 32767;
    data->iMaxUdpDg = 65467;
    net::setPoster(&poster);
    ++startups;
    return 0;
}

int WINAPI WSACleanup() {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (--startups == 0)
        net::closeAll();
    return 0;
}

void WINAPI WSASetLastError(int error) {
    SetLastError(static_cast<DWORD>(error));
}
int WINAPI WSAGetLastError() {
    return static_cast<int>(GetLastError());
}

int WINAPI WSAAsyncSelect(SOCKET s, HWND window, UINT message, LONG events) {
    // A window that is gone is not refused (as under Wine): its notices go nowhere.
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (int e = net::asyncSelect(s, window, message, static_cast<unsigned>(events)))
        return winsockFail(e);
    return 0;
}

SOCKET WINAPI socket(int family, int type, int protocol) {
    if (!winsockStarted())
        return INVALID_SOCKET;
    if (family != AF_INET) {
        winsockFail(WSAEAFNOSUPPORT);
        return INVALID_SOCKET;
    }
    net::Handle h = 0;
    if (int e = net::open(type, protocol, h)) {
        winsockFail(e);
        return INVALID_SOCKET;
    }
    return h;
}

int WINAPI shutdown(SOCKET s, int how) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (int e = net::shutdown(s, how))
        return winsockFail(e);
    return 0;
}

int WINAPI setsockopt(SOCKET s, int level, int name, const char* value, int length) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (!value || length <= 0)
        return winsockFail(WSAEFAULT);
    auto number = [&]() -> std::int64_t {
        if (length >= 4) {
            std::int32_t v;
            std::memcpy(&v, value, 4);
            return v;
        }
        return static_cast<unsigned char>(value[0]);
    };
    net::Option option;
    std::int64_t v = 0, extra = 0;
    if (level == SOL_SOCKET) {
        switch (name) {
        case SO_REUSEADDR:
            option = net::Option::ReuseAddr;
            break;
        case SO_KEEPALIVE:
            option = net::Option::KeepAlive;
            break;
        case SO_BROADCAST:
            option = net::Option::Broadcast;
            break;
        case SO_RCVBUF:
            option = net::Option::RcvBuf;
            break;
        case SO_SNDBUF:
            option = net::Option::SndBuf;
            break;
        case SO_LINGER: {
            if (length < static_cast<int>(sizeof(linger)))
                return winsockFail(WSAEFAULT);
            linger l;
            std::memcpy(&l, value, sizeof l);
            option = net::Option::Linger;
            v = l.l_onoff;
            extra = l.l_linger;
            break;
        }
        case static_cast<int>(~SO_LINGER): // SO_DONTLINGER
            option = net::Option::Linger;
            v = number() ? 0 : 1;
            break;
        default:
            return winsockFail(WSAENOPROTOOPT);
        }
        if (option != net::Option::Linger)
            v = number() ? 1 : 0;
        if (option == net::Option::RcvBuf || option == net::Option::SndBuf)
            v = number();
    } else if (level == IPPROTO_TCP && name == TCP_NODELAY) {
        option = net::Option::NoDelay;
        v = number() ? 1 : 0;
    } else if (level == IPPROTO_IP) {
        switch (name) {
        case IP_MULTICAST_TTL:
            option = net::Option::MulticastTtl;
            v = number();
            break;
        case IP_MULTICAST_LOOP:
            option = net::Option::MulticastLoop;
            v = number();
            break;
        case IP_MULTICAST_IF: {
            if (length < 4)
                return winsockFail(WSAEFAULT);
            std::uint32_t a;
            std::memcpy(&a, value, 4);
            option = net::Option::MulticastIf;
            v = a;
            break;
        }
        case IP_ADD_MEMBERSHIP:
        case IP_DROP_MEMBERSHIP: {
            if (length < static_cast<int>(sizeof(ip_mreq)))
                return winsockFail(WSAEFAULT);
            ip_mreq m;
            std::memcpy(&m, value, sizeof m);
            option = name == IP_ADD_MEMBERSHIP ? net::Option::AddMembership
                                               : net::Option::DropMembership;
            v = m.imr_multiaddr.s_addr;
            extra = m.imr_interface.s_addr;
            break;
        }
        default:
            return winsockFail(WSAENOPROTOOPT);
        }
    } else {
        return winsockFail(WSAENOPROTOOPT);
    }
    if (int e = net::setOption(s, option, v, extra))
        return winsockFail(e);
    return 0;
}

int WINAPI getsockopt(SOCKET s, int level, int name, char* value, int* length) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (!value || !length)
        return winsockFail(WSAEFAULT);
    net::Option option;
    if (level == SOL_SOCKET && name == SO_ERROR)
        option = net::Option::Error;
    else if (level == SOL_SOCKET && name == SO_TYPE)
        option = net::Option::Type;
    else if (level == SOL_SOCKET && name == SO_LINGER)
        option = net::Option::Linger;
    else if (level == SOL_SOCKET && name == SO_REUSEADDR)
        option = net::Option::ReuseAddr;
    else if (level == SOL_SOCKET && name == SO_KEEPALIVE)
        option = net::Option::KeepAlive;
    else if (level == SOL_SOCKET && name == SO_RCVBUF)
        option = net::Option::RcvBuf;
    else if (level == SOL_SOCKET && name == SO_SNDBUF)
        option = net::Option::SndBuf;
    else if (level == IPPROTO_TCP && name == TCP_NODELAY)
        option = net::Option::NoDelay;
    else
        return winsockFail(WSAENOPROTOOPT);
    std::int64_t v = 0, extra = 0;
    if (int e = net::getOption(s, option, v, extra))
        return winsockFail(e);
    if (option == net::Option::Linger) {
        if (*length < static_cast<int>(sizeof(linger)))
            return winsockFail(WSAEFAULT);
        linger l{static_cast<USHORT>(v), static_cast<USHORT>(extra)};
        std::memcpy(value, &l, sizeof l);
        *length = sizeof l;
        return 0;
    }
    if (*length < 4)
        return winsockFail(WSAEFAULT);
    std::int32_t out = static_cast<std::int32_t>(v);
    std::memcpy(value, &out, 4);
    *length = 4;
    return 0;
}

int WINAPI sendto(SOCKET s, const char* data, int length, int flags, const sockaddr* to,
                  int toLength) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    (void)flags;
    std::uint32_t addr;
    std::uint16_t port;
    int error = 0;
    if (!readAddress(to, toLength, addr, port, error))
        return winsockFail(error);
    int done = 0;
    if (int e = net::sendTo(s, data, length, addr, port, done))
        return winsockFail(e);
    return done;
}

int WINAPI send(SOCKET s, const char* data, int length, int flags) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (length < 0 || (!data && length > 0))
        return winsockFail(WSAEFAULT);
    int done = 0;
    if (int e = net::send(s, data, length, (flags & MSG_OOB) != 0, done))
        return winsockFail(e);
    return done;
}

USHORT WINAPI ntohs(USHORT v) {
    return swap16(v);
}
USHORT WINAPI htons(USHORT v) {
    return swap16(v);
}
ULONG WINAPI ntohl(ULONG v) {
    return swap32(v);
}
ULONG WINAPI htonl(ULONG v) {
    return swap32(v);
}

int WINAPI listen(SOCKET s, int backlog) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (int e = net::listen(s, backlog))
        return winsockFail(e);
    return 0;
}

int WINAPI ioctlsocket(SOCKET s, LONG command, ULONG* argument) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (!argument)
        return winsockFail(WSAEFAULT);
    if (command == FIONREAD) {
        std::uint32_t count = 0;
        if (int e = net::available(s, count))
            return winsockFail(e);
        *argument = count;
        return 0;
    }
    if (command == FIONBIO) {
        if (int e = net::setNonBlocking(s, *argument != 0))
            return winsockFail(e);
        return 0;
    }
    return winsockFail(WSAEINVAL);
}

int WINAPI getsockname(SOCKET s, sockaddr* name, int* length) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    std::uint32_t addr;
    std::uint16_t port;
    if (int e = net::sockName(s, addr, port))
        return winsockFail(e);
    if (!writeAddress(name, length, addr, port))
        return winsockFail(WSAEFAULT);
    return 0;
}

int WINAPI getpeername(SOCKET s, sockaddr* name, int* length) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    std::uint32_t addr;
    std::uint16_t port;
    if (int e = net::peerName(s, addr, port))
        return winsockFail(e);
    if (!writeAddress(name, length, addr, port))
        return winsockFail(WSAEFAULT);
    return 0;
}

int WINAPI connect(SOCKET s, const sockaddr* name, int length) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    std::uint32_t addr;
    std::uint16_t port;
    int error = 0;
    if (!readAddress(name, length, addr, port, error))
        return winsockFail(error);
    if (int e = net::connect(s, addr, port))
        return winsockFail(e);
    return 0;
}

int WINAPI closesocket(SOCKET s) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (int e = net::close(s))
        return winsockFail(e);
    return 0;
}

int WINAPI bind(SOCKET s, const sockaddr* name, int length) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    std::uint32_t addr;
    std::uint16_t port;
    int error = 0;
    if (!readAddress(name, length, addr, port, error))
        return winsockFail(error);
    if (int e = net::bind(s, addr, port))
        return winsockFail(e);
    return 0;
}

SOCKET WINAPI accept(SOCKET s, sockaddr* name, int* length) {
    if (!winsockStarted())
        return INVALID_SOCKET;
    net::Handle out = 0;
    std::uint32_t addr = 0;
    std::uint16_t port = 0;
    if (int e = net::accept(s, out, addr, port)) {
        winsockFail(e);
        return INVALID_SOCKET;
    }
    if (name)
        writeAddress(name, length, addr, port);
    return out;
}

int WINAPI recv(SOCKET s, char* data, int length, int flags) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (length < 0 || (!data && length > 0))
        return winsockFail(WSAEFAULT);
    int done = 0;
    if (int e = net::recv(s, data, length, (flags & MSG_PEEK) != 0, (flags & MSG_OOB) != 0, done))
        return winsockFail(e);
    return done;
}

int WINAPI recvfrom(SOCKET s, char* data, int length, int flags, sockaddr* from, int* fromLength) {
    if (!winsockStarted())
        return SOCKET_ERROR;
    if (length < 0 || (!data && length > 0))
        return winsockFail(WSAEFAULT);
    int done = 0;
    std::uint32_t addr = 0;
    std::uint16_t port = 0;
    if (int e = net::recvFrom(s, data, length, (flags & MSG_PEEK) != 0, done, addr, port))
        return winsockFail(e);
    if (from)
        writeAddress(from, fromLength, addr, port);
    return done;
}

} // namespace wsock32

namespace sim::detail {

#define EXPORT(name)                                                                               \
    { #name, reinterpret_cast < FARPROC>(reinterpret_cast <void (*)()>(&wsock32::name)) }

std::vector<std::pair<const char*, FARPROC>> wsock32Exports() {
    return {EXPORT(WSAStartup),
            EXPORT(WSACleanup),
            EXPORT(WSASetLastError),
            EXPORT(WSAGetLastError),
            EXPORT(WSACancelAsyncRequest),
            EXPORT(WSAAsyncGetHostByName),
            EXPORT(WSAAsyncGetHostByAddr),
            EXPORT(WSAAsyncSelect),
            EXPORT(getservbyname),
            EXPORT(getprotobyname),
            EXPORT(gethostbyname),
            EXPORT(socket),
            EXPORT(shutdown),
            EXPORT(setsockopt),
            EXPORT(getsockopt),
            EXPORT(sendto),
            EXPORT(send),
            EXPORT(ntohs),
            EXPORT(htons),
            EXPORT(ntohl),
            EXPORT(htonl),
            EXPORT(listen),
            EXPORT(ioctlsocket),
            EXPORT(inet_ntoa),
            EXPORT(inet_addr),
            EXPORT(getsockname),
            EXPORT(getpeername),
            EXPORT(connect),
            EXPORT(closesocket),
            EXPORT(bind),
            EXPORT(accept),
            EXPORT(recv),
            EXPORT(recvfrom)};
}

#undef EXPORT

} // namespace sim::detail

namespace sim {

std::size_t OpenSockets() {
    return net::openCount();
}

} // namespace sim
