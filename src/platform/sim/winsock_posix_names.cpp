// The host side of the simulator's WinSock names: host names and addresses
// resolved by the host's resolver, services and protocols from its tables.
#include "platform/sim/winsock_posix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace sim::net {

int resolve(const std::string& name, std::string& canonical, std::vector<std::uint32_t>& addrs) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (r != 0) {
        switch (r) {
        case EAI_AGAIN:
            return 11002;
        case EAI_FAIL:
            return 11003;
#ifdef EAI_NODATA
        case EAI_NODATA:
            return 11004;
#endif
        default:
            return 11001;
        }
    }
    canonical = list->ai_canonname ? list->ai_canonname : name;
    for (addrinfo* a = list; a; a = a->ai_next) {
        auto addr = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
        bool seen = false;
        for (auto x : addrs)
            seen = seen || x == addr;
        if (!seen)
            addrs.push_back(addr);
    }
    ::freeaddrinfo(list);
    return addrs.empty() ? 11004 : 0;
}

int reverse(std::uint32_t addr, std::string& name) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = addr;
    char host[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&a), sizeof a, host, sizeof host, nullptr, 0,
                      NI_NAMEREQD) != 0)
        return 11001;
    name = host;
    return 0;
}

bool service(const std::string& name, const std::string& proto, std::uint16_t& port,
             std::string& canonical) {
    servent entry{}, *result = nullptr;
    char buffer[1024];
    if (::getservbyname_r(name.c_str(), proto.empty() ? nullptr : proto.c_str(), &entry, buffer,
                          sizeof buffer, &result) != 0 ||
        !result)
        return false;
    port = static_cast<std::uint16_t>(result->s_port);
    canonical = result->s_name;
    return true;
}

bool serviceByPort(std::uint16_t port, const std::string& proto, std::string& name) {
    servent entry{}, *result = nullptr;
    char buffer[1024];
    if (::getservbyport_r(port, proto.empty() ? nullptr : proto.c_str(), &entry, buffer,
                          sizeof buffer, &result) != 0 ||
        !result)
        return false;
    name = result->s_name;
    return true;
}

bool protocol(const std::string& name, int& number, std::string& canonical) {
    protoent entry{}, *result = nullptr;
    char buffer[1024];
    if (::getprotobyname_r(name.c_str(), &entry, buffer, sizeof buffer, &result) != 0 || !result)
        return false;
    number = result->p_proto;
    canonical = result->p_name;
    return true;
}

} // namespace sim::net
