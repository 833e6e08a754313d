// The Windows side of the simulator's wsock32.dll: the WinSock 1.1 entry
// points with their Windows types, over the host sockets of winsock_posix.
// The program finds them with GetProcAddress (kernel32_modules.cpp).
#include "platform/sim/state.h"
#include "platform/sim/simulator.h"
#include "platform/sim/winsock_posix.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

using namespace sim::detail;
namespace net = sim::net;

namespace {

std::atomic<int> startups{0};

// Asynchronous lookups: a request lives until its answer was written or it
// was cancelled; only then may the program's buffer go.
struct Lookup {
    bool cancelled = false;
};

struct Lookups {
    std::mutex mutex;
    std::map<std::uintptr_t, Lookup> requests;
    std::deque<std::uintptr_t> completed; // the latest answered requests, for cancel's answer
    std::uintptr_t next = 0x4000;
    bool completeEarly = false;
    std::function<int(const std::string&, std::vector<std::string>&)> hostLookup;
};

Lookups& lookups() {
    static Lookups* instance = new Lookups; // lookup threads may outlive main
    return *instance;
}

int fail(int error) {
    SetLastError(static_cast<DWORD>(error));
    return SOCKET_ERROR;
}

bool started() {
    if (startups.load() > 0)
        return true;
    SetLastError(WSANOTINITIALISED);
    return false;
}

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

// The host's lookup, or the one a test put in its place.
int lookupHost(const std::string& name, std::string& canonical, std::vector<std::uint32_t>& addrs) {
    std::function<int(const std::string&, std::vector<std::string>&)> replacement;
    {
        std::lock_guard guard(lookups().mutex);
        replacement = lookups().hostLookup;
    }
    if (!replacement)
        return net::resolve(name, canonical, addrs);
    std::vector<std::string> dotted;
    int error = replacement(name, dotted);
    if (error)
        return error;
    canonical = name;
    for (auto& d : dotted) {
        in_addr a{};
        unsigned b[4];
        if (std::sscanf(d.c_str(), "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]) == 4) {
            a.S_un.S_un_b = {static_cast<UCHAR>(b[0]), static_cast<UCHAR>(b[1]),
                             static_cast<UCHAR>(b[2]), static_cast<UCHAR>(b[3])};
            addrs.push_back(a.s_addr);
        }
    }
    return addrs.empty() ? WSANO_DATA : 0;
}

// Lays a host entry out in a caller's buffer the way WinSock does: the
// structure first, then its lists and strings. Returns the size needed.
std::size_t layHostent(char* buffer, std::size_t size, const std::string& name,
                       const std::vector<std::uint32_t>& addrs) {
    std::size_t ptr = sizeof(char*);
    std::size_t need = sizeof(hostent) + ptr /* aliases */ + (addrs.size() + 1) * ptr +
                       addrs.size() * 4 + name.size() + 1;
    if (!buffer || size < need)
        return need;
    std::memset(buffer, 0, need);
    char* aliases = buffer + sizeof(hostent);
    char* list = aliases + ptr;
    char* bytes = list + (addrs.size() + 1) * ptr;
    char* text = bytes + addrs.size() * 4;
    std::memcpy(text, name.c_str(), name.size() + 1);
    for (std::size_t i = 0; i < addrs.size(); ++i) {
        std::memcpy(bytes + 4 * i, &addrs[i], 4);
        char* p = bytes + 4 * i;
        std::memcpy(list + i * ptr, &p, ptr);
    }
    hostent h{};
    h.h_name = text;
    h.h_aliases = reinterpret_cast<char**>(aliases);
    h.h_addrtype = AF_INET;
    h.h_length = 4;
    h.h_addr_list = reinterpret_cast<char**>(list);
    std::memcpy(buffer, &h, sizeof h);
    return need;
}

struct alignas(8) HostBuffer {
    char bytes[MAXGETHOSTSTRUCT];
};

// Finishes a lookup: writes the answer unless the request was cancelled;
// true when the notice is to be posted.
bool finish(std::uintptr_t id, char* buffer, int size, int error, const std::string& name,
            const std::vector<std::uint32_t>& addrs, LPARAM& reply) {
    std::lock_guard guard(lookups().mutex);
    auto it = lookups().requests.find(id);
    if (it == lookups().requests.end() || it->second.cancelled) {
        lookups().requests.erase(id);
        return false;
    }
    // Answered: forgotten, but a late cancel still hears "already done".
    lookups().requests.erase(it);
    lookups().completed.push_back(id);
    if (lookups().completed.size() > 1024)
        lookups().completed.pop_front();
    std::size_t need = 0;
    if (!error) {
        need = layHostent(buffer, static_cast<std::size_t>(size), name, addrs);
        if (need > static_cast<std::size_t>(size))
            error = WSAENOBUFS;
    }
    reply = WSAMAKEASYNCREPLY(error ? need : 0, error);
    return true;
}

HANDLE startLookup(HWND window, UINT message, char* buffer, int size,
                   std::function<int(std::string&, std::vector<std::uint32_t>&)> work) {
    if (!started())
        return nullptr;
    if (!buffer || size <= 0) {
        SetLastError(WSAEFAULT);
        return nullptr;
    }
    std::uintptr_t id;
    bool early;
    {
        std::lock_guard guard(lookups().mutex);
        id = lookups().next;
        lookups().next += 4;
        lookups().requests[id] = Lookup{};
        early = lookups().completeEarly;
    }
    auto run = [=] {
        std::string name;
        std::vector<std::uint32_t> addrs;
        int error = work(name, addrs);
        LPARAM reply = 0;
        if (finish(id, buffer, size, error, name, addrs, reply))
            return reply;
        return static_cast<LPARAM>(-1);
    };
    if (early) {
        // Some stacks answer inside the start call: the window hears of the
        // request before the program has its handle.
        LPARAM reply = run();
        if (reply != -1)
            SendMessageA(window, message, static_cast<WPARAM>(id), reply);
    } else {
        std::thread([=] {
            LPARAM reply = run();
            if (reply != -1)
                PostMessageA(window, message, static_cast<WPARAM>(id), reply);
        }).detach();
    }
    return reinterpret_cast<HANDLE>(id);
}

const char* fallbackService(const std::string& name, short& port) {
    static const struct {
        const char* name;
        short port;
    } table[] = {{"echo", 7},  {"ftp", 21},   {"telnet", 23}, {"smtp", 25},   {"domain", 53},
                 {"http", 80}, {"pop3", 110}, {"nntp", 119},  {"https", 443}, {"socks", 1080}};
    for (auto& e : table)
        if (lower(name) == e.name) {
            port = e.port;
            return e.name;
        }
    return nullptr;
}

// Storage for the answers that WinSock keeps per thread.
struct alignas(8) PerThread {
    HostBuffer host;
    servent serv{};
    char servName[64]{};
    char servProto[16]{};
    char* servAliases[1]{};
    protoent proto{};
    char protoName[64]{};
    char* protoAliases[1]{};
    char ntoa[16]{};
};
thread_local PerThread perThread;

USHORT swap16(USHORT v) {
    return static_cast<USHORT>((v >> 8) | (v << 8));
}
ULONG swap32(ULONG v) {
    return __builtin_bswap32(v);
}

} // namespace

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
    if (!started())
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

HANDLE WINAPI WSAAsyncGetHostByName(HWND window, UINT message, const char* name, char* buffer,
                                    int size) {
    std::string host = name ? name : "";
    return startLookup(window, message, buffer, size,
                       [host](std::string& canonical, std::vector<std::uint32_t>& addrs) {
                           return lookupHost(host, canonical, addrs);
                       });
}

HANDLE WINAPI WSAAsyncGetHostByAddr(HWND window, UINT message, const char* addr, int length,
                                    int type, char* buffer, int size) {
    if (!addr || length != 4 || type != AF_INET) {
        SetLastError(WSAEINVAL);
        return nullptr;
    }
    std::uint32_t a;
    std::memcpy(&a, addr, 4);
    return startLookup(window, message, buffer, size,
                       [a](std::string& canonical, std::vector<std::uint32_t>& addrs) {
                           int error = net::reverse(a, canonical);
                           if (!error)
                               addrs.push_back(a);
                           return error;
                       });
}

int WINAPI WSACancelAsyncRequest(HANDLE request) {
    if (!started())
        return SOCKET_ERROR;
    std::lock_guard guard(lookups().mutex);
    auto id = reinterpret_cast<std::uintptr_t>(request);
    auto it = lookups().requests.find(id);
    if (it == lookups().requests.end()) {
        auto& done = lookups().completed;
        return fail(std::find(done.begin(), done.end(), id) != done.end() ? WSAEALREADY
                                                                          : WSAEINVAL);
    }
    it->second.cancelled = true;
    return 0;
}

int WINAPI WSAAsyncSelect(SOCKET s, HWND window, UINT message, LONG events) {
    if (!started())
        return SOCKET_ERROR;
    if (events && !IsWindow(window))
        return fail(WSAEINVAL);
    if (int e = net::asyncSelect(s, window, message, static_cast<unsigned>(events)))
        return fail(e);
    return 0;
}

hostent* WINAPI gethostbyname(const char* name) {
    if (!started())
        return nullptr;
    std::string canonical;
    std::vector<std::uint32_t> addrs;
    int error = lookupHost(name ? name : "", canonical, addrs);
    if (error) {
        SetLastError(static_cast<DWORD>(error));
        return nullptr;
    }
    if (layHostent(perThread.host.bytes, sizeof perThread.host.bytes, canonical, addrs) >
        sizeof perThread.host.bytes) {
        SetLastError(WSANO_RECOVERY);
        return nullptr;
    }
    return reinterpret_cast<hostent*>(perThread.host.bytes);
}

servent* WINAPI getservbyname(const char* name, const char* proto) {
    if (!started())
        return nullptr;
    std::string canonical;
    std::uint16_t port = 0;
    std::string p = proto ? proto : "";
    if (!name || !net::service(name, p, port, canonical)) {
        short hostPort = 0;
        const char* known = name ? fallbackService(name, hostPort) : nullptr;
        if (!known) {
            SetLastError(WSANO_DATA);
            return nullptr;
        }
        canonical = known;
        port = swap16(static_cast<USHORT>(hostPort));
    }
    auto& t = perThread;
    std::snprintf(t.servName, sizeof t.servName, "%s", canonical.c_str());
    std::snprintf(t.servProto, sizeof t.servProto, "%s", p.empty() ? "tcp" : p.c_str());
    t.serv = servent{t.servName, t.servAliases, t.servProto, static_cast<short>(port)};
    return &t.serv;
}

protoent* WINAPI getprotobyname(const char* name) {
    if (!started())
        return nullptr;
    int number = 0;
    std::string canonical;
    if (!name || !net::protocol(name, number, canonical)) {
        std::string n = name ? lower(name) : "";
        if (n == "ip")
            number = 0;
        else if (n == "icmp")
            number = 1;
        else if (n == "tcp")
            number = 6;
        else if (n == "udp")
            number = 17;
        else {
            SetLastError(WSANO_DATA);
            return nullptr;
        }
        canonical = n;
    }
    auto& t = perThread;
    std::snprintf(t.protoName, sizeof t.protoName, "%s", canonical.c_str());
    t.proto = protoent{t.protoName, t.protoAliases, static_cast<short>(number)};
    return &t.proto;
}

SOCKET WINAPI socket(int family, int type, int protocol) {
    if (!started())
        return INVALID_SOCKET;
    if (family != AF_INET) {
        fail(WSAEAFNOSUPPORT);
        return INVALID_SOCKET;
    }
    net::Handle h = 0;
    if (int e = net::open(type, protocol, h)) {
        fail(e);
        return INVALID_SOCKET;
    }
    return h;
}

int WINAPI shutdown(SOCKET s, int how) {
    if (!started())
        return SOCKET_ERROR;
    if (int e = net::shutdown(s, how))
        return fail(e);
    return 0;
}

int WINAPI setsockopt(SOCKET s, int level, int name, const char* value, int length) {
    if (!started())
        return SOCKET_ERROR;
    if (!value || length <= 0)
        return fail(WSAEFAULT);
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
                return fail(WSAEFAULT);
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
            return fail(WSAENOPROTOOPT);
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
                return fail(WSAEFAULT);
            std::uint32_t a;
            std::memcpy(&a, value, 4);
            option = net::Option::MulticastIf;
            v = a;
            break;
        }
        case IP_ADD_MEMBERSHIP:
        case IP_DROP_MEMBERSHIP: {
            if (length < static_cast<int>(sizeof(ip_mreq)))
                return fail(WSAEFAULT);
            ip_mreq m;
            std::memcpy(&m, value, sizeof m);
            option = name == IP_ADD_MEMBERSHIP ? net::Option::AddMembership
                                               : net::Option::DropMembership;
            v = m.imr_multiaddr.s_addr;
            extra = m.imr_interface.s_addr;
            break;
        }
        default:
            return fail(WSAENOPROTOOPT);
        }
    } else {
        return fail(WSAENOPROTOOPT);
    }
    if (int e = net::setOption(s, option, v, extra))
        return fail(e);
    return 0;
}

int WINAPI getsockopt(SOCKET s, int level, int name, char* value, int* length) {
    if (!started())
        return SOCKET_ERROR;
    if (!value || !length)
        return fail(WSAEFAULT);
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
        return fail(WSAENOPROTOOPT);
    std::int64_t v = 0, extra = 0;
    if (int e = net::getOption(s, option, v, extra))
        return fail(e);
    if (option == net::Option::Linger) {
        if (*length < static_cast<int>(sizeof(linger)))
            return fail(WSAEFAULT);
        linger l{static_cast<USHORT>(v), static_cast<USHORT>(extra)};
        std::memcpy(value, &l, sizeof l);
        *length = sizeof l;
        return 0;
    }
    if (*length < 4)
        return fail(WSAEFAULT);
    std::int32_t out = static_cast<std::int32_t>(v);
    std::memcpy(value, &out, 4);
    *length = 4;
    return 0;
}

int WINAPI sendto(SOCKET s, const char* data, int length, int flags, const sockaddr* to,
                  int toLength) {
    if (!started())
        return SOCKET_ERROR;
    (void)flags;
    std::uint32_t addr;
    std::uint16_t port;
    int error = 0;
    if (!readAddress(to, toLength, addr, port, error))
        return fail(error);
    int done = 0;
    if (int e = net::sendTo(s, data, length, addr, port, done))
        return fail(e);
    return done;
}

int WINAPI send(SOCKET s, const char* data, int length, int flags) {
    if (!started())
        return SOCKET_ERROR;
    if (length < 0 || (!data && length > 0))
        return fail(WSAEFAULT);
    int done = 0;
    if (int e = net::send(s, data, length, (flags & MSG_OOB) != 0, done))
        return fail(e);
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
    if (!started())
        return SOCKET_ERROR;
    if (int e = net::listen(s, backlog))
        return fail(e);
    return 0;
}

int WINAPI ioctlsocket(SOCKET s, LONG command, ULONG* argument) {
    if (!started())
        return SOCKET_ERROR;
    if (!argument)
        return fail(WSAEFAULT);
    if (command == FIONREAD) {
        std::uint32_t count = 0;
        if (int e = net::available(s, count))
            return fail(e);
        *argument = count;
        return 0;
    }
    if (command == FIONBIO) {
        if (int e = net::setNonBlocking(s, *argument != 0))
            return fail(e);
        return 0;
    }
    return fail(WSAEINVAL);
}

char* WINAPI inet_ntoa(in_addr in) {
    auto& b = in.S_un.S_un_b;
    std::snprintf(perThread.ntoa, sizeof perThread.ntoa, "%u.%u.%u.%u", b.s_b1, b.s_b2, b.s_b3,
                  b.s_b4);
    return perThread.ntoa;
}

// Dotted forms as WinSock reads them: one to four parts, each decimal, octal
// (leading 0) or hexadecimal (0x); the last part fills the remaining bytes.
// Reading stops at a blank.
ULONG WINAPI inet_addr(const char* text) {
    if (!text || !*text)
        return INADDR_NONE;
    unsigned long long parts[4];
    int count = 0;
    const char* p = text;
    for (;;) {
        if (count == 4)
            return INADDR_NONE;
        int base = 10;
        if (*p == '0') {
            base = 8;
            if (p[1] == 'x' || p[1] == 'X') {
                base = 16;
                p += 2;
            }
        }
        unsigned long long v = 0;
        int digits = 0;
        for (;; ++p, ++digits) {
            int d;
            char c = *p;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (base == 16 && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                break;
            if (d >= base)
                return INADDR_NONE;
            v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
            if (v > 0xffffffffull)
                return INADDR_NONE;
        }
        if (digits == 0 && base != 8)
            return INADDR_NONE;
        parts[count++] = v;
        if (*p == '.') {
            ++p;
            continue;
        }
        if (*p && *p != ' ' && *p != '\t')
            return INADDR_NONE;
        break;
    }
    unsigned long long value = 0;
    switch (count) {
    case 1:
        value = parts[0];
        break;
    case 2:
        if (parts[0] > 0xff || parts[1] > 0xffffff)
            return INADDR_NONE;
        value = parts[0] << 24 | parts[1];
        break;
    case 3:
        if (parts[0] > 0xff || parts[1] > 0xff || parts[2] > 0xffff)
            return INADDR_NONE;
        value = parts[0] << 24 | parts[1] << 16 | parts[2];
        break;
    default:
        for (int i = 0; i < 4; ++i)
            if (parts[i] > 0xff)
                return INADDR_NONE;
        value = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
    }
    return swap32(static_cast<ULONG>(value));
}

int WINAPI getsockname(SOCKET s, sockaddr* name, int* length) {
    if (!started())
        return SOCKET_ERROR;
    std::uint32_t addr;
    std::uint16_t port;
    if (int e = net::sockName(s, addr, port))
        return fail(e);
    if (!writeAddress(name, length, addr, port))
        return fail(WSAEFAULT);
    return 0;
}

int WINAPI getpeername(SOCKET s, sockaddr* name, int* length) {
    if (!started())
        return SOCKET_ERROR;
    std::uint32_t addr;
    std::uint16_t port;
    if (int e = net::peerName(s, addr, port))
        return fail(e);
    if (!writeAddress(name, length, addr, port))
        return fail(WSAEFAULT);
    return 0;
}

int WINAPI connect(SOCKET s, const sockaddr* name, int length) {
    if (!started())
        return SOCKET_ERROR;
    std::uint32_t addr;
    std::uint16_t port;
    int error = 0;
    if (!readAddress(name, length, addr, port, error))
        return fail(error);
    if (int e = net::connect(s, addr, port))
        return fail(e);
    return 0;
}

int WINAPI closesocket(SOCKET s) {
    if (!started())
        return SOCKET_ERROR;
    if (int e = net::close(s))
        return fail(e);
    return 0;
}

int WINAPI bind(SOCKET s, const sockaddr* name, int length) {
    if (!started())
        return SOCKET_ERROR;
    std::uint32_t addr;
    std::uint16_t port;
    int error = 0;
    if (!readAddress(name, length, addr, port, error))
        return fail(error);
    if (int e = net::bind(s, addr, port))
        return fail(e);
    return 0;
}

SOCKET WINAPI accept(SOCKET s, sockaddr* name, int* length) {
    if (!started())
        return INVALID_SOCKET;
    net::Handle out = 0;
    std::uint32_t addr = 0;
    std::uint16_t port = 0;
    if (int e = net::accept(s, out, addr, port)) {
        fail(e);
        return INVALID_SOCKET;
    }
    if (name)
        writeAddress(name, length, addr, port);
    return out;
}

int WINAPI recv(SOCKET s, char* data, int length, int flags) {
    if (!started())
        return SOCKET_ERROR;
    if (length < 0 || (!data && length > 0))
        return fail(WSAEFAULT);
    int done = 0;
    if (int e = net::recv(s, data, length, (flags & MSG_PEEK) != 0, (flags & MSG_OOB) != 0, done))
        return fail(e);
    return done;
}

int WINAPI recvfrom(SOCKET s, char* data, int length, int flags, sockaddr* from, int* fromLength) {
    if (!started())
        return SOCKET_ERROR;
    if (length < 0 || (!data && length > 0))
        return fail(WSAEFAULT);
    int done = 0;
    std::uint32_t addr = 0;
    std::uint16_t port = 0;
    if (int e = net::recvFrom(s, data, length, (flags & MSG_PEEK) != 0, done, addr, port))
        return fail(e);
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

void SetLookupCompletesEarly(bool on) {
    std::lock_guard guard(lookups().mutex);
    lookups().completeEarly = on;
}

void SetHostLookup(std::function<int(const std::string&, std::vector<std::string>&)> lookup) {
    std::lock_guard guard(lookups().mutex);
    lookups().hostLookup = std::move(lookup);
}

std::size_t OpenSockets() {
    return net::openCount();
}

} // namespace sim
