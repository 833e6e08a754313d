// The socket's names: protocols, ports and hosts resolved to numbers, DNS
// lookups and reverse lookups answered through window messages, and the
// addresses and ports of both ends of a connection.
#include "net/WSocket.h"
#include "net/WinsockApi.h"

#include <algorithm>
#include <cstring>

using wsk::DottedOf;

namespace {

bool StartsWithDigit(const std::string& text) {
    return !text.empty() && text[0] >= '0' && text[0] <= '9';
}

// Decimal digits from the start, stopping at the first other character.
long long LeadingNumber(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min<long long>(value * 10 + (c - '0'), 0x7fffffff);
    }
    return value;
}

} // namespace

int WSocketResolveProto(const std::string& proto) {
    if (proto.empty() || proto.size() >= 32)
        throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    std::string text = tk::TrimBlanks(proto);
    if (StartsWithDigit(text))
        return static_cast<int>(LeadingNumber(text));
    protoent* entry = wsk::getprotobyname(text.c_str());
    if (!entry)
        throw ESocketException(
            tk::Format("WSocketResolveProto: Cannot convert protocol '%s', Error #%d",
                       proto.c_str(), wsk::WSAGetLastError()));
    return entry->p_proto;
}

USHORT WSocketResolvePort(const std::string& port, const std::string& proto) {
    if (port.empty() || port.size() >= 32)
        throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (proto.empty() || proto.size() >= 32)
        throw ESocketException("WSocketResolvePort: Invalid Proto.");
    std::string text = tk::TrimBlanks(port);
    if (StartsWithDigit(text))
        return wsk::htons(static_cast<USHORT>(LeadingNumber(text)));
    servent* entry = wsk::getservbyname(text.c_str(), tk::TrimBlanks(proto).c_str());
    if (!entry)
        throw ESocketException(tk::Format("WSocketResolvePort: Cannot convert port '%s', Error #%d",
                                          port.c_str(), wsk::WSAGetLastError()));
    return static_cast<USHORT>(entry->s_port);
}

bool WSocketIsDottedIP(const std::string& text) {
    std::string t = tk::TrimBlanks(text);
    int parts = 0, digits = 0;
    for (char c : t) {
        if (c >= '0' && c <= '9') {
            if (++digits > 3)
                return false;
        } else if (c == '.') {
            if (digits == 0 || ++parts > 3)
                return false;
            digits = 0;
        } else {
            return false;
        }
    }
    return parts == 3 && digits > 0;
}

ULONG WSocketResolveHost(const std::string& host) {
    if (host.empty() || host.size() > 256)
        throw ESocketException("WSocketResolveHost: '" + host + "' Invalid Hostname.");
    if (WSocketIsDottedIP(host)) {
        std::string t = tk::TrimBlanks(host);
        ULONG addr = wsk::inet_addr(t.c_str());
        if (addr == INADDR_NONE && t != "255.255.255.255")
            throw ESocketException("WSocketResolveHost: '" + host + "' Invalid IP address.");
        return addr;
    }
    hostent* entry = wsk::gethostbyname(host.c_str());
    if (!entry || !entry->h_addr_list || !entry->h_addr_list[0])
        throw ESocketException(
            tk::Format("WSocketResolveHost: Cannot convert host address '%s', Error #%d",
                       host.c_str(), wsk::WSAGetLastError()));
    ULONG addr;
    std::memcpy(&addr, entry->h_addr_list[0], sizeof addr);
    return addr;
}

// ---------------------------------------------------------------------------
// TCustomWSocket

// --- lookups ----------------------------------------------------------------

bool TCustomWSocket::BeginLookup(const std::string& host) {
    if (host.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDnsLookupDone(WSAEINVAL);
        return false;
    }
    if (dnsLookupHandle_) {
        wsk::WSACancelAsyncRequest(dnsLookupHandle_);
        dnsLookupHandle_ = nullptr;
    }
    dnsResult_.clear();
    dnsResultList_.clear();
    dnsLookupCheckMsg_ = false;
    return true;
}

void TCustomWSocket::LookupStarted(HANDLE request, const std::string& host) {
    if (!request) {
        RaiseException(tk::Format("%s: can't start DNS lookup, error #%d", host.c_str(),
                                  wsk::WSAGetLastError()));
        return;
    }
    dnsLookupHandle_ = request;
    if (dnsLookupCheckMsg_) {
        // The answer came before the request handle was known.
        dnsLookupCheckMsg_ = false;
        WMAsyncLookup(dnsLookupTempMsg_.message, dnsLookupTempMsg_.wParam,
                      dnsLookupTempMsg_.lParam);
    }
}

void TCustomWSocket::DnsLookup(const std::string& host) {
    if (!BeginLookup(host))
        return;
    ULONG addr = wsk::inet_addr(host.c_str());
    if (addr != INADDR_NONE) {
        // A dotted address needs no lookup: answered inside this call.
        dnsResult_ = DottedOf(addr);
        dnsResultList_.push_back(dnsResult_);
        TriggerDnsLookupDone(0);
        return;
    }
    if (!windowHandle_) {
        RaiseException("DnsLookup: Window not assigned");
        return;
    }
    LookupStarted(wsk::WSAAsyncGetHostByName(windowHandle_, WM_ASYNCGETHOSTBYNAME, host.c_str(),
                                             dnsLookupBuffer_, sizeof dnsLookupBuffer_),
                  host);
}

void TCustomWSocket::ReverseDnsLookup(const std::string& hostAddr) {
    if (!BeginLookup(hostAddr))
        return;
    ULONG addr = wsk::inet_addr(hostAddr.c_str());
    if (addr == INADDR_NONE) {
        RaiseException("Reverse DNS lookup: invalid IP address.");
        TriggerDnsLookupDone(WSAEINVAL);
        return;
    }
    LookupStarted(wsk::WSAAsyncGetHostByAddr(windowHandle_, WM_ASYNCGETHOSTBYADDR,
                                             reinterpret_cast<const char*>(&addr), 4, AF_INET,
                                             dnsLookupBuffer_, sizeof dnsLookupBuffer_),
                  hostAddr);
}

void TCustomWSocket::CancelDnsLookup() {
    if (!dnsLookupHandle_)
        return;
    if (wsk::WSACancelAsyncRequest(dnsLookupHandle_) != 0) {
        dnsLookupHandle_ = nullptr;
        SocketError("WSACancelAsyncRequest");
        return;
    }
    dnsLookupHandle_ = nullptr;
    if (!destroying_)
        TriggerDnsLookupDone(WSAEINTR);
}

void TCustomWSocket::WMAsyncLookup(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!dnsLookupHandle_) {
        dnsLookupCheckMsg_ = true;
        dnsLookupTempMsg_ = MSG{windowHandle_, msg, wParam, lParam, 0, {}};
        return;
    }
    if (reinterpret_cast<HANDLE>(wParam) != dnsLookupHandle_)
        return;
    dnsLookupHandle_ = nullptr;
    WORD error = WSAGETASYNCERROR(lParam);
    if (error == 0) {
        hostent entry;
        std::memcpy(&entry, dnsLookupBuffer_, sizeof entry);
        if (msg == WM_ASYNCGETHOSTBYNAME) {
            // The host's addresses.
            for (char** p = entry.h_addr_list; p && *p; ++p) {
                ULONG addr;
                std::memcpy(&addr, *p, sizeof addr);
                dnsResultList_.push_back(DottedOf(addr));
            }
        } else {
            // The address's name, then its aliases.
            if (entry.h_name)
                dnsResultList_.push_back(entry.h_name);
            for (char** p = entry.h_aliases; p && *p; ++p)
                dnsResultList_.push_back(*p);
        }
        if (!dnsResultList_.empty())
            dnsResult_ = dnsResultList_.front();
    }
    TriggerDnsLookupDone(error);
}

// --- names ------------------------------------------------------------------

int TCustomWSocket::GetPeerName(sockaddr_in& name, int& nameLen) {
    if (state_ != wsConnected) {
        lastError_ = WSAENOTCONN;
        return SOCKET_ERROR;
    }
    int result = wsk::getpeername(hSocket_, reinterpret_cast<sockaddr*>(&name), &nameLen);
    if (result != 0)
        lastError_ = wsk::WSAGetLastError();
    return result;
}

int TCustomWSocket::GetSockName(sockaddr_in& name, int& nameLen) {
    int result = wsk::getsockname(hSocket_, reinterpret_cast<sockaddr*>(&name), &nameLen);
    if (result != 0)
        lastError_ = wsk::WSAGetLastError();
    return result;
}

std::string TCustomWSocket::GetPeerAddr() {
    sockaddr_in name{};
    int len = sizeof name;
    if (GetPeerName(name, len) != 0)
        return "error";
    return DottedOf(name.sin_addr.s_addr);
}

std::string TCustomWSocket::GetPeerPort() {
    sockaddr_in name{};
    int len = sizeof name;
    if (GetPeerName(name, len) != 0)
        return "error";
    return tk::IntToStr(wsk::ntohs(name.sin_port));
}

std::string TCustomWSocket::GetXAddr() {
    sockaddr_in name{};
    int len = sizeof name;
    if (hSocket_ == INVALID_SOCKET || GetSockName(name, len) != 0)
        return "error";
    return DottedOf(name.sin_addr.s_addr);
}

std::string TCustomWSocket::GetXPort() {
    sockaddr_in name{};
    int len = sizeof name;
    if (hSocket_ == INVALID_SOCKET || GetSockName(name, len) != 0)
        return "error";
    return tk::IntToStr(wsk::ntohs(name.sin_port));
}
