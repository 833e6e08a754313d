// The simulator's wsock32.dll, its names: host names looked up (by the host,
// or by the test's replacement), at once or asynchronously with the answer
// posted to a window; services, protocols and dotted addresses.
#include "platform/sim/script.h"
#include "platform/sim/state.h"
#include "platform/sim/winsock_internal.h"
#include "platform/sim/winsock_posix.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

using namespace sim::detail;
namespace net = sim::net;

namespace {

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
};

Lookups& lookups() {
    static Lookups* instance = new Lookups; // lookup threads may outlive main
    return *instance;
}

// The host's lookup, or the one a test put in its place.
int lookupHost(const std::string& name, std::string& canonical, std::vector<std::uint32_t>& addrs) {
    std::function<int(const std::string&, std::vector<std::string>&)> replacement = hostLookup();
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
    if (!winsockStarted())
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
    }
    early = lookupCompletesEarly();
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

} // namespace

namespace wsock32 {

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
    if (!winsockStarted())
        return SOCKET_ERROR;
    std::lock_guard guard(lookups().mutex);
    auto id = reinterpret_cast<std::uintptr_t>(request);
    auto it = lookups().requests.find(id);
    if (it == lookups().requests.end()) {
        auto& done = lookups().completed;
        return winsockFail(std::find(done.begin(), done.end(), id) != done.end() ? WSAEALREADY
                                                                                 : WSAEINVAL);
    }
    it->second.cancelled = true;
    return 0;
}

hostent* WINAPI gethostbyname(const char* name) {
    if (!winsockStarted())
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
    if (!winsockStarted())
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
    if (!winsockStarted())
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

} // namespace wsock32
