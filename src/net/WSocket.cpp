#include "net/WSocket.h"

#include "toolkit/Forms.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace {

constexpr const char* winsockDll = "wsock32.dll";
constexpr const char* socketWindowClass = "XSocketWindowClass";

// Module-wide state: the live socket objects, wsock32.dll and its entry
// points. Sockets are created and destroyed on the program's main thread.
struct Library {
    HMODULE handle = nullptr;
    std::map<std::string, FARPROC> procs;
    std::set<const TCustomWSocket*> sockets;
};

Library& library() {
    static Library instance;
    return instance;
}

FARPROC LookupProc(const char* name) {
    FARPROC proc = GetProcAddress(library().handle, name);
    if (!proc)
        throw ESocketException(std::string("Procedure ") + name + " not found in " + winsockDll +
                               " Error #" + tk::IntToStr(GetLastError()));
    return proc;
}

// Loads wsock32.dll and starts WinSock on first use; then finds the entry.
FARPROC WSocketGetProc(const char* name) {
    Library& lib = library();
    if (!lib.handle) {
        HMODULE handle = LoadLibraryA(winsockDll);
        if (!handle)
            throw ESocketException(std::string("Unable to load ") + winsockDll + " Error #" +
                                   tk::IntToStr(GetLastError()));
        lib.handle = handle;
        int result = 0;
        try {
            using TStartup = int(WINAPI*)(WORD, LPWSADATA);
            auto startup =
                reinterpret_cast<TStartup>(reinterpret_cast<void (*)()>(LookupProc("WSAStartup")));
            WSADATA data;
            result = startup(257, &data);
        } catch (...) {
            // A library that cannot start is not kept: the next call tries anew.
            FreeLibrary(lib.handle);
            lib.handle = nullptr;
            throw;
        }
        if (result != 0) {
            FreeLibrary(lib.handle);
            lib.handle = nullptr;
            throw ESocketException(tk::Format("%s: WSAStartup error #%d", winsockDll, result));
        }
    }
    auto it = lib.procs.find(name);
    if (it != lib.procs.end())
        return it->second;
    FARPROC proc = LookupProc(name);
    lib.procs[name] = proc;
    return proc;
}

void WSocketUnloadLibrary() {
    Library& lib = library();
    if (!lib.handle)
        return;
    try {
        using TCleanup = int(WINAPI*)();
        reinterpret_cast<TCleanup>(reinterpret_cast<void (*)()>(WSocketGetProc("WSACleanup")))();
    } catch (...) {
    }
    FreeLibrary(lib.handle);
    lib.handle = nullptr;
    lib.procs.clear();
}

template <typename F> F Proc(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(WSocketGetProc(name)));
}

} // namespace

// The WinSock entry points, each looked up on its first call.
namespace wsk {

int WSAGetLastError() {
    return Proc<int(WINAPI*)()>("WSAGetLastError")();
}
void WSASetLastError(int e) {
    Proc<void(WINAPI*)(int)>("WSASetLastError")(e);
}
int WSACancelAsyncRequest(HANDLE h) {
    return Proc<int(WINAPI*)(HANDLE)>("WSACancelAsyncRequest")(h);
}
HANDLE WSAAsyncGetHostByName(HWND w, UINT m, const char* name, char* buf, int len) {
    return Proc<HANDLE(WINAPI*)(HWND, UINT, const char*, char*, int)>("WSAAsyncGetHostByName")(
        w, m, name, buf, len);
}
HANDLE WSAAsyncGetHostByAddr(HWND w, UINT m, const char* addr, int len, int type, char* buf,
                             int buflen) {
    return Proc<HANDLE(WINAPI*)(HWND, UINT, const char*, int, int, char*, int)>(
        "WSAAsyncGetHostByAddr")(w, m, addr, len, type, buf, buflen);
}
int WSAAsyncSelect(SOCKET s, HWND w, UINT m, LONG events) {
    return Proc<int(WINAPI*)(SOCKET, HWND, UINT, LONG)>("WSAAsyncSelect")(s, w, m, events);
}
servent* getservbyname(const char* name, const char* proto) {
    return Proc<servent*(WINAPI*)(const char*, const char*)>("getservbyname")(name, proto);
}
protoent* getprotobyname(const char* name) {
    return Proc<protoent*(WINAPI*)(const char*)>("getprotobyname")(name);
}
hostent* gethostbyname(const char* name) {
    return Proc<hostent*(WINAPI*)(const char*)>("gethostbyname")(name);
}
SOCKET socket(int af, int type, int proto) {
    return Proc<SOCKET(WINAPI*)(int, int, int)>("socket")(af, type, proto);
}
int shutdown(SOCKET s, int how) {
    return Proc<int(WINAPI*)(SOCKET, int)>("shutdown")(s, how);
}
int setsockopt(SOCKET s, int level, int name, const char* value, int len) {
    return Proc<int(WINAPI*)(SOCKET, int, int, const char*, int)>("setsockopt")(s, level, name,
                                                                                value, len);
}
int sendto(SOCKET s, const char* data, int len, int flags, const sockaddr* to, int tolen) {
    return Proc<int(WINAPI*)(SOCKET, const char*, int, int, const sockaddr*, int)>("sendto")(
        s, data, len, flags, to, tolen);
}
int send(SOCKET s, const char* data, int len, int flags) {
    return Proc<int(WINAPI*)(SOCKET, const char*, int, int)>("send")(s, data, len, flags);
}
USHORT ntohs(USHORT v) {
    return Proc<USHORT(WINAPI*)(USHORT)>("ntohs")(v);
}
USHORT htons(USHORT v) {
    return Proc<USHORT(WINAPI*)(USHORT)>("htons")(v);
}
int listen(SOCKET s, int backlog) {
    return Proc<int(WINAPI*)(SOCKET, int)>("listen")(s, backlog);
}
int ioctlsocket(SOCKET s, LONG cmd, ULONG* arg) {
    return Proc<int(WINAPI*)(SOCKET, LONG, ULONG*)>("ioctlsocket")(s, cmd, arg);
}
char* inet_ntoa(in_addr a) {
    return Proc<char*(WINAPI*)(in_addr)>("inet_ntoa")(a);
}
ULONG inet_addr(const char* text) {
    return Proc<ULONG(WINAPI*)(const char*)>("inet_addr")(text);
}
int getsockname(SOCKET s, sockaddr* name, int* len) {
    return Proc<int(WINAPI*)(SOCKET, sockaddr*, int*)>("getsockname")(s, name, len);
}
int getpeername(SOCKET s, sockaddr* name, int* len) {
    return Proc<int(WINAPI*)(SOCKET, sockaddr*, int*)>("getpeername")(s, name, len);
}
int connect(SOCKET s, const sockaddr* name, int len) {
    return Proc<int(WINAPI*)(SOCKET, const sockaddr*, int)>("connect")(s, name, len);
}
int closesocket(SOCKET s) {
    return Proc<int(WINAPI*)(SOCKET)>("closesocket")(s);
}
int bind(SOCKET s, const sockaddr* name, int len) {
    return Proc<int(WINAPI*)(SOCKET, const sockaddr*, int)>("bind")(s, name, len);
}
SOCKET accept(SOCKET s, sockaddr* addr, int* len) {
    return Proc<SOCKET(WINAPI*)(SOCKET, sockaddr*, int*)>("accept")(s, addr, len);
}
int recv(SOCKET s, char* buf, int len, int flags) {
    return Proc<int(WINAPI*)(SOCKET, char*, int, int)>("recv")(s, buf, len, flags);
}
int recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen) {
    return Proc<int(WINAPI*)(SOCKET, char*, int, int, sockaddr*, int*)>("recvfrom")(
        s, buf, len, flags, from, fromlen);
}

} // namespace wsk

namespace {

std::string Trim(const std::string& text) {
    auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

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

std::string DottedOf(ULONG addr) {
    in_addr a{};
    a.s_addr = addr;
    return wsk::inet_ntoa(a);
}

LRESULT CALLBACK XSocketWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* object = reinterpret_cast<TCustomWSocket*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!object || !library().sockets.count(object))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return object->MessageHandler(msg, wParam, lParam);
}

} // namespace

std::string WSocketErrorDesc(int error) {
    switch (error) {
    case 0:
        return "No Error";
    case 10004:
        return "Interrupted system call";
    case 10009:
        return "Bad file number";
    case 10013:
        return "Permission denied";
    case 10014:
        return "Bad address";
    case 10022:
        return "Invalid argument";
    case 10024:
        return "Too many open files";
    case 10035:
        return "Operation would block";
    case 10036:
        return "Operation now in progress";
    case 10037:
        return "Operation already in progress";
    case 10038:
        return "Socket operation on non-socket";
    case 10039:
        return "Destination address required";
    case 10040:
        return "Message too long";
    case 10041:
        return "Protocol wrong type for socket";
    case 10042:
        return "Protocol not available";
    case 10043:
        return "Protocol not supported";
    case 10044:
        return "Socket type not supported";
    case 10045:
        return "Operation not supported on socket";
    case 10046:
        return "Protocol family not supported";
    case 10047:
        return "Address family not supported by protocol family";
    case 10048:
        return "Address already in use";
    case 10049:
        return "Address not available";
    case 10050:
        return "Network is down";
    case 10051:
        return "Network is unreachable";
    case 10052:
        return "Network dropped connection on reset";
    case 10053:
        return "Connection aborted";
    case 10054:
        return "Connection reset by peer";
    case 10055:
        return "No buffer space available";
    case 10056:
        return "Socket is already connected";
    case 10057:
        return "Socket is not connected";
    case 10058:
        return "Can't send after socket shutdown";
    case 10059:
        return "Too many references: can't splice";
    case 10060:
        return "Connection timed out";
    case 10061:
        return "Connection refused";
    case 10062:
        return "Too many levels of symbolic links";
    case 10063:
        return "File name too long";
    case 10064:
        return "Host is down";
    case 10065:
        return "No route to host";
    case 10066:
        return "Directory not empty";
    case 10067:
        return "Too many processes";
    case 10068:
        return "Too many users";
    case 10069:
        return "Disc quota exceeded";
    case 10070:
        return "Stale NFS file handle";
    case 10071:
        return "Too many levels of remote in path";
    case 10091:
        return "Network sub-system is unusable";
    case 10092:
        return "WinSock DLL cannot support this application";
    case 10093:
        return "WinSock not initialized";
    case 11001:
        return "Host not found";
    case 11002:
        return "Non-authoritative host not found";
    case 11003:
        return "Non-recoverable error";
    case 11004:
        return "No Data";
    default:
        return "Not a WinSock error";
    }
}

int WSocketResolveProto(const std::string& proto) {
    if (proto.empty() || proto.size() >= 32)
        throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    std::string text = Trim(proto);
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
    std::string text = Trim(port);
    if (StartsWithDigit(text))
        return wsk::htons(static_cast<USHORT>(LeadingNumber(text)));
    servent* entry = wsk::getservbyname(text.c_str(), Trim(proto).c_str());
    if (!entry)
        throw ESocketException(tk::Format("WSocketResolvePort: Cannot convert port '%s', Error #%d",
                                          port.c_str(), wsk::WSAGetLastError()));
    return static_cast<USHORT>(entry->s_port);
}

bool WSocketIsDottedIP(const std::string& text) {
    std::string t = Trim(text);
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
        std::string t = Trim(host);
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

TCustomWSocket::TCustomWSocket(tk::TComponent* owner) : tk::TComponent(owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA cls{};
    if (!GetClassInfoA(instance, socketWindowClass, &cls)) {
        cls.style = 0;
        cls.lpfnWndProc = &XSocketWindowProc;
        cls.cbWndExtra = sizeof(void*);
        cls.hInstance = instance;
        cls.lpszClassName = socketWindowClass;
        RegisterClassA(&cls);
    }
    windowHandle_ = CreateWindowExA(WS_EX_TOOLWINDOW, socketWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                                    nullptr, nullptr, instance, nullptr);
    if (!windowHandle_) {
        if (library().sockets.empty())
            UnregisterClassA(socketWindowClass, instance);
        throw ESocketException("Cannot create a hidden window for TWSocket");
    }
    // The owning object lives in the window's pointer-sized user data (the
    // 4 extra bytes of a 32-bit build would not hold a 64-bit pointer).
    SetWindowLongPtrA(windowHandle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    threadId_ = GetCurrentThreadId();
    bufSize_ = 1460;
    MultiCastIpTTL = 1;
    AssignDefaultValue();
    library().sockets.insert(this);
}

TCustomWSocket::~TCustomWSocket() {
    destroying_ = true;
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    if (state_ != wsClosed) {
        try {
            Close();
        } catch (...) {
        }
    }
    library().sockets.erase(this);
    if (library().sockets.empty())
        WSocketUnloadLibrary();
    DeleteBufferedData();
    dnsResultList_.clear();
    if (windowHandle_) {
        SetWindowLongPtrA(windowHandle_, GWLP_USERDATA, 0);
        DestroyWindow(windowHandle_);
        windowHandle_ = nullptr;
    }
    if (library().sockets.empty())
        UnregisterClassA(socketWindowClass, GetModuleHandleA(nullptr));
}

void TCustomWSocket::AssignDefaultValue() {
    std::memset(&sin_, 0, sizeof sin_);
    sin_.sin_family = AF_INET;
    portAssigned_ = false;
    addrAssigned_ = false;
    addrResolved_ = false;
    portResolved_ = false;
    localPortResolved_ = false;
    protoResolved_ = false;
    protoStr_ = "tcp";
    protoAssigned_ = true;
    proto_ = IPPROTO_TCP;
    type_ = SOCK_STREAM;
    localPortStr_ = "0";
    localAddr_ = "0.0.0.0";
    LingerOnOff = wsLingerOn;
    LingerTimeout = 0;
    hSocket_ = INVALID_SOCKET;
    selectEvent_ = 0;
    state_ = wsClosed;
    allSent_ = true;
    paused_ = false;
    readCount_ = 0;
    closeInvoked_ = false;
    FlushTimeout = 60;
}

LRESULT TCustomWSocket::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    try {
        handled = HandleSocketMessage(msg, wParam, lParam);
    } catch (const tk::Exception& e) {
        HandleBackGroundException(e);
        handled = true;
    } catch (const std::exception& e) {
        HandleBackGroundException(tk::Exception(e.what()));
        handled = true;
    } catch (...) {
        HandleBackGroundException(tk::Exception("Unknown exception in a socket notification"));
        handled = true;
    }
    return handled ? 0 : DefWindowProcA(windowHandle_, msg, wParam, lParam);
}

bool TCustomWSocket::HandleSocketMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ASYNCSELECT:
        WMASyncSelect(wParam, lParam);
        return true;
    case WM_ASYNCGETHOSTBYNAME:
        WMAsyncGetHostByName(wParam, lParam);
        return true;
    case WM_ASYNCGETHOSTBYADDR:
        WMAsyncGetHostByAddr(wParam, lParam);
        return true;
    case WM_CLOSE_DELAYED:
        Close();
        return true;
    case WM_WSOCKET_RELEASE:
        delete this;
        return true;
    case WM_TRIGGER_EXCEPTION:
        throw ESocketException("Test exception in WSocket");
    default:
        return false;
    }
}

void TCustomWSocket::HandleBackGroundException(const std::exception& e) {
    bool canClose = true;
    if (OnBgException) {
        try {
            OnBgException(this, e, canClose);
        } catch (...) {
        }
    }
    if (canClose) {
        try {
            Abort();
        } catch (...) {
        }
    }
}

void TCustomWSocket::RaiseException(const std::string& msg) {
    lastErrorText_ = msg;
    if (OnError)
        OnError(this);
    else
        throw ESocketException(msg);
}

void TCustomWSocket::SocketError(const std::string& sockFunc) {
    int error = wsk::WSAGetLastError();
    std::string line = "Error " + tk::IntToStr(error) + " in function " + sockFunc + "\r\n" +
                       WSocketErrorDesc(error);
    if (error == WSAECONNRESET || error == WSAENOTCONN) {
        if (hSocket_ != INVALID_SOCKET)
            wsk::closesocket(hSocket_);
        hSocket_ = INVALID_SOCKET;
        if (state_ != wsClosed) {
            closeInvoked_ = true;
            TriggerSessionClosed(static_cast<WORD>(error));
        }
        ChangeState(wsClosed);
    }
    lastError_ = error;
    RaiseException(line);
}

void TCustomWSocket::ChangeState(TSocketState newState) {
    TSocketState old = state_;
    state_ = newState;
    if (old != newState)
        TriggerChangeState(old, newState);
}

void TCustomWSocket::TriggerChangeState(TSocketState oldState, TSocketState newState) {
    if (OnChangeState)
        OnChangeState(this, oldState, newState);
}

bool TCustomWSocket::TriggerDataAvailable(WORD error) {
    if (!OnDataAvailable)
        return false;
    OnDataAvailable(this, error);
    return true;
}

void TCustomWSocket::TriggerSessionConnected(WORD error) {
    if (OnSessionConnected)
        OnSessionConnected(this, error);
}

void TCustomWSocket::TriggerSessionClosed(WORD error) {
    if (OnSessionClosed)
        OnSessionClosed(this, error);
}

void TCustomWSocket::TriggerDataSent(WORD error) {
    if (OnDataSent)
        OnDataSent(this, error);
}

void TCustomWSocket::TriggerDnsLookupDone(WORD error) {
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, error);
}

void TCustomWSocket::TriggerSessionAvailable(WORD error) {
    if (OnSessionAvailable)
        OnSessionAvailable(this, error);
}

void TCustomWSocket::TriggerSendData(int bytesSent) {
    if (OnSendData)
        OnSendData(this, bytesSent);
}

// --- properties -------------------------------------------------------------

// Settings that only a closed socket may change; otherwise the message is
// reported (and false returned when a handler took the report).
bool TCustomWSocket::ClosedOrRaise(const std::string& message) {
    if (state_ == wsClosed)
        return true;
    RaiseException(message);
    return false;
}

void TCustomWSocket::SetAddr(const std::string& value) {
    if (!ClosedOrRaise("Cannot change Addr if not closed"))
        return;
    addrStr_ = Trim(value);
    addrResolved_ = false;
    addrAssigned_ = !addrStr_.empty();
}

void TCustomWSocket::SetPort(const std::string& value) {
    if (!ClosedOrRaise("Cannot change Port if not closed"))
        return;
    portStr_ = Trim(value);
    portResolved_ = false;
    portAssigned_ = !portStr_.empty();
}

void TCustomWSocket::SetProto(const std::string& value) {
    if (!ClosedOrRaise("Cannot change Proto if not closed"))
        return;
    protoStr_ = Trim(value);
    protoResolved_ = false;
    protoAssigned_ = !protoStr_.empty();
}

void TCustomWSocket::SetLocalAddr(const std::string& value) {
    if (!ClosedOrRaise("Cannot change LocalAddr if not closed"))
        return;
    localAddr_ = value.empty() ? "0.0.0.0" : value;
}

void TCustomWSocket::SetLocalPort(const std::string& value) {
    if (!ClosedOrRaise("Cannot change LocalPort if not closed"))
        return;
    localPortStr_ = value.empty() ? "0" : value;
    localPortResolved_ = false;
}

int TCustomWSocket::RcvdCount() {
    if (hSocket_ == INVALID_SOCKET)
        return 0;
    ULONG count = 0;
    if (wsk::ioctlsocket(hSocket_, FIONREAD, &count) == SOCKET_ERROR) {
        SocketError("ioctlSocket");
        return -1;
    }
    return static_cast<int>(count);
}

// --- lookups ----------------------------------------------------------------

void TCustomWSocket::DnsLookup(const std::string& host) {
    if (host.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDnsLookupDone(WSAEINVAL);
        return;
    }
    if (dnsLookupHandle_) {
        wsk::WSACancelAsyncRequest(dnsLookupHandle_);
        dnsLookupHandle_ = nullptr;
    }
    dnsResult_.clear();
    dnsResultList_.clear();
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
    dnsLookupCheckMsg_ = false;
    HANDLE request = wsk::WSAAsyncGetHostByName(windowHandle_, WM_ASYNCGETHOSTBYNAME, host.c_str(),
                                                dnsLookupBuffer_, sizeof dnsLookupBuffer_);
    if (!request) {
        RaiseException(tk::Format("%s: can't start DNS lookup, error #%d", host.c_str(),
                                  wsk::WSAGetLastError()));
        return;
    }
    dnsLookupHandle_ = request;
    if (dnsLookupCheckMsg_) {
        // The answer came before the request handle was known.
        dnsLookupCheckMsg_ = false;
        WMAsyncGetHostByName(dnsLookupTempMsg_.wParam, dnsLookupTempMsg_.lParam);
    }
}

void TCustomWSocket::ReverseDnsLookup(const std::string& hostAddr) {
    if (hostAddr.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDnsLookupDone(WSAEINVAL);
        return;
    }
    if (dnsLookupHandle_) {
        wsk::WSACancelAsyncRequest(dnsLookupHandle_);
        dnsLookupHandle_ = nullptr;
    }
    dnsResult_.clear();
    dnsResultList_.clear();
    ULONG addr = wsk::inet_addr(hostAddr.c_str());
    if (addr == INADDR_NONE) {
        RaiseException("Reverse DNS lookup: invalid IP address.");
        TriggerDnsLookupDone(WSAEINVAL);
        return;
    }
    dnsLookupCheckMsg_ = false;
    HANDLE request = wsk::WSAAsyncGetHostByAddr(windowHandle_, WM_ASYNCGETHOSTBYADDR,
                                                reinterpret_cast<const char*>(&addr), 4, AF_INET,
                                                dnsLookupBuffer_, sizeof dnsLookupBuffer_);
    if (!request) {
        RaiseException(tk::Format("%s: can't start DNS lookup, error #%d", hostAddr.c_str(),
                                  wsk::WSAGetLastError()));
        return;
    }
    dnsLookupHandle_ = request;
    if (dnsLookupCheckMsg_) {
        dnsLookupCheckMsg_ = false;
        WMAsyncGetHostByAddr(dnsLookupTempMsg_.wParam, dnsLookupTempMsg_.lParam);
    }
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

void TCustomWSocket::WMAsyncGetHostByName(WPARAM wParam, LPARAM lParam) {
    if (!dnsLookupHandle_) {
        dnsLookupCheckMsg_ = true;
        dnsLookupTempMsg_ = MSG{windowHandle_, WM_ASYNCGETHOSTBYNAME, wParam, lParam, 0, {}};
        return;
    }
    if (reinterpret_cast<HANDLE>(wParam) != dnsLookupHandle_)
        return;
    dnsLookupHandle_ = nullptr;
    WORD error = WSAGETASYNCERROR(lParam);
    if (error == 0) {
        hostent entry;
        std::memcpy(&entry, dnsLookupBuffer_, sizeof entry);
        for (char** p = entry.h_addr_list; p && *p; ++p) {
            ULONG addr;
            std::memcpy(&addr, *p, sizeof addr);
            dnsResultList_.push_back(DottedOf(addr));
        }
        if (!dnsResultList_.empty())
            dnsResult_ = dnsResultList_.front();
    }
    TriggerDnsLookupDone(error);
}

void TCustomWSocket::WMAsyncGetHostByAddr(WPARAM wParam, LPARAM lParam) {
    if (!dnsLookupHandle_) {
        dnsLookupCheckMsg_ = true;
        dnsLookupTempMsg_ = MSG{windowHandle_, WM_ASYNCGETHOSTBYADDR, wParam, lParam, 0, {}};
        return;
    }
    if (reinterpret_cast<HANDLE>(wParam) != dnsLookupHandle_)
        return;
    dnsLookupHandle_ = nullptr;
    WORD error = WSAGETASYNCERROR(lParam);
    if (error == 0) {
        hostent entry;
        std::memcpy(&entry, dnsLookupBuffer_, sizeof entry);
        if (entry.h_name)
            dnsResultList_.push_back(entry.h_name);
        for (char** p = entry.h_aliases; p && *p; ++p)
            dnsResultList_.push_back(*p);
        if (!dnsResultList_.empty())
            dnsResult_ = dnsResultList_.front();
    }
    TriggerDnsLookupDone(error);
}

// --- connecting -------------------------------------------------------------

// The protocol (with the socket type it implies) and the remote port, each
// resolved once until it is assigned again.
void TCustomWSocket::ResolveProtoAndPort() {
    if (!protoResolved_) {
        proto_ = WSocketResolveProto(protoStr_);
        type_ = proto_ == IPPROTO_TCP ? SOCK_STREAM : proto_ == IPPROTO_UDP ? SOCK_DGRAM : SOCK_RAW;
        protoResolved_ = true;
    }
    if (!portResolved_) {
        sin_.sin_port = WSocketResolvePort(portStr_, protoStr_);
        portResolved_ = true;
    }
}

void TCustomWSocket::Connect() {
    if (hSocket_ != INVALID_SOCKET && state_ != wsClosed) {
        RaiseException("Connect: Socket already in use");
        return;
    }
    if (!portAssigned_) {
        RaiseException("Connect: No Port Specified");
        return;
    }
    if (!addrAssigned_) {
        RaiseException("Connect: No IP Address Specified");
        return;
    }
    if (!protoAssigned_) {
        RaiseException("Connect: No Protocol Specified");
        return;
    }
    try {
        ResolveProtoAndPort();
        if (!localPortResolved_) {
            localPortNum_ = WSocketResolvePort(localPortStr_, protoStr_);
            localPortResolved_ = true;
        }
        if (!addrResolved_) {
            sin_.sin_addr.s_addr = WSocketResolveHost(addrStr_);
            addrResolved_ = true;
        }
    } catch (const ESocketException& e) {
        RaiseException("connect: " + e.Message());
        return;
    }
    BaseConnect();
}

void TCustomWSocket::BaseConnect() {
    DeleteBufferedData();
    closeInvoked_ = false;
    hSocket_ = wsk::socket(AF_INET, type_, proto_);
    if (hSocket_ == INVALID_SOCKET) {
        SocketError("Connect (socket)");
        return;
    }
    ChangeState(wsOpened);
    if (state_ != wsOpened) {
        wsk::WSASetLastError(WSAEINVAL);
        SocketError("Connect (Invalid operation in OnChangeState)");
        return;
    }
    int on = 1;
    const char* optOn = reinterpret_cast<const char*>(&on);
    bool bindNeeded = localPortNum_ != 0 || localAddr_ != "0.0.0.0";
    if (type_ == SOCK_DGRAM) {
        bindNeeded = true;
        if (MultiCast) {
            int ttl = MultiCastIpTTL;
            if (wsk::setsockopt(hSocket_, IPPROTO_IP, IP_MULTICAST_TTL,
                                reinterpret_cast<const char*>(&ttl), sizeof ttl) == SOCKET_ERROR) {
                SocketError("setsockopt(IP_MULTICAST_TTL)");
                return;
            }
        }
        if (sin_.sin_addr.s_addr == INADDR_BROADCAST &&
            wsk::setsockopt(hSocket_, SOL_SOCKET, SO_BROADCAST, optOn, sizeof on) == SOCKET_ERROR) {
            SocketError("setsockopt(SO_BROADCAST)");
            return;
        }
    } else {
        if (wsk::setsockopt(hSocket_, SOL_SOCKET, SO_REUSEADDR, optOn, sizeof on) == SOCKET_ERROR) {
            SocketError("setsockopt(SO_REUSEADDR)");
            return;
        }
        if ((ComponentOptions & wsoTcpNoDelay) &&
            wsk::setsockopt(hSocket_, IPPROTO_TCP, TCP_NODELAY, optOn, sizeof on) == SOCKET_ERROR) {
            SocketError("setsockopt(IPPROTO_TCP, TCP_NODELAY)");
            return;
        }
        SetLingerOption();
        if (state_ != wsOpened)
            return;
        if (wsk::setsockopt(hSocket_, SOL_SOCKET, SO_KEEPALIVE, optOn, sizeof on) == SOCKET_ERROR) {
            SocketError("setsockopt(SO_KEEPALIVE)");
            return;
        }
    }
    if (bindNeeded) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = localPortNum_;
        try {
            local.sin_addr.s_addr = WSocketResolveHost(localAddr_);
        } catch (const ESocketException& e) {
            RaiseException("connect: " + e.Message());
            return;
        }
        if (wsk::bind(hSocket_, reinterpret_cast<sockaddr*>(&local), sizeof local) ==
            SOCKET_ERROR) {
            RaiseException(tk::Format("winsock.bind failed, error #%d", wsk::WSAGetLastError()));
            return;
        }
        int len = sizeof local;
        if (wsk::getsockname(hSocket_, reinterpret_cast<sockaddr*>(&local), &len) == SOCKET_ERROR) {
            RaiseException(
                tk::Format("winsock.getsockname failed, error #%d", wsk::WSAGetLastError()));
            return;
        }
        localPortNum_ = local.sin_port;
        localPortStr_ = tk::IntToStr(wsk::ntohs(local.sin_port));
    }
    selectEvent_ = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE; // 59
    if (wsk::WSAAsyncSelect(hSocket_, windowHandle_, WM_ASYNCSELECT, selectEvent_) ==
        SOCKET_ERROR) {
        SocketError("WSAAsyncSelect");
        return;
    }
    if (type_ == SOCK_DGRAM) {
        ChangeState(wsConnected);
        TriggerSessionConnected(0);
        return;
    }
    int result = wsk::connect(hSocket_, reinterpret_cast<sockaddr*>(&sin_), sizeof sin_);
    if (result == 0) {
        ChangeState(wsConnecting);
        return;
    }
    int error = wsk::WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
        ChangeState(wsConnecting);
        return;
    }
    lastError_ = error;
    SocketError("Connect");
}

void TCustomWSocket::SetLingerOption() {
    if (LingerOnOff == wsLingerNoSet || hSocket_ == INVALID_SOCKET)
        return;
    linger li{};
    li.l_onoff = LingerOnOff == wsLingerOn ? 1 : 0;
    li.l_linger = static_cast<USHORT>(LingerTimeout);
    if (wsk::setsockopt(hSocket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&li),
                        sizeof li) == SOCKET_ERROR)
        SocketError("setsockopt(SO_LINGER)");
}

void TCustomWSocket::Bind() {
    if (hSocket_ == INVALID_SOCKET)
        return;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    try {
        local.sin_port = WSocketResolvePort(localPortStr_, protoStr_);
        local.sin_addr.s_addr = WSocketResolveHost(localAddr_);
    } catch (const ESocketException& e) {
        RaiseException("Bind: " + e.Message());
        return;
    }
    if (wsk::bind(hSocket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == SOCKET_ERROR) {
        SocketError("Bind");
        return;
    }
    ChangeState(wsBound);
}

void TCustomWSocket::Listen() {
    if (hSocket_ != INVALID_SOCKET && state_ != wsClosed) {
        RaiseException("listen: Socket already in use");
        return;
    }
    if (!portAssigned_) {
        RaiseException("listen: No Port Specified");
        return;
    }
    if (!addrAssigned_) {
        RaiseException("listen: No IP Address Specified");
        return;
    }
    try {
        ResolveProtoAndPort();
        if (!addrResolved_) {
            sin_.sin_addr.s_addr = WSocketResolveHost(addrStr_);
            addrResolved_ = true;
        }
    } catch (const ESocketException& e) {
        RaiseException("listen: " + e.Message());
        return;
    }
    closeInvoked_ = false;
    hSocket_ = wsk::socket(AF_INET, type_, proto_);
    if (hSocket_ == INVALID_SOCKET) {
        SocketError("socket");
        return;
    }
    int on = 1;
    if (ReuseAddr &&
        wsk::setsockopt(hSocket_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on),
                        sizeof on) == SOCKET_ERROR) {
        SocketError("setsockopt(SO_REUSEADDR)");
        return;
    }
    if (wsk::bind(hSocket_, reinterpret_cast<sockaddr*>(&sin_), sizeof sin_) == SOCKET_ERROR) {
        SocketError("bind");
        return;
    }
    // Port "0" takes a free port: show the one taken.
    sockaddr_in bound{};
    int len = sizeof bound;
    if (wsk::getsockname(hSocket_, reinterpret_cast<sockaddr*>(&bound), &len) == 0) {
        sin_.sin_port = bound.sin_port;
        portStr_ = tk::IntToStr(wsk::ntohs(bound.sin_port));
    }
    ChangeState(wsBound);
    if (type_ == SOCK_DGRAM) {
        selectEvent_ = FD_READ | FD_WRITE;
        if (wsk::WSAAsyncSelect(hSocket_, windowHandle_, WM_ASYNCSELECT, selectEvent_) ==
            SOCKET_ERROR) {
            SocketError("WSAASyncSelect");
            return;
        }
        ChangeState(wsListening);
        ChangeState(wsConnected);
        TriggerSessionConnected(0);
        return;
    }
    selectEvent_ = FD_ACCEPT | FD_CLOSE;
    if (wsk::WSAAsyncSelect(hSocket_, windowHandle_, WM_ASYNCSELECT, selectEvent_) ==
        SOCKET_ERROR) {
        SocketError("WSAASyncSelect");
        return;
    }
    if (wsk::listen(hSocket_, SOMAXCONN) == SOCKET_ERROR) {
        SocketError("Listen");
        return;
    }
    ChangeState(wsListening);
}

SOCKET TCustomWSocket::Accept() {
    if (state_ != wsListening) {
        wsk::WSASetLastError(WSAEINVAL);
        SocketError("not a listening socket");
        return INVALID_SOCKET;
    }
    sockaddr_in peer{};
    int len = sizeof peer;
    SOCKET s = wsk::accept(hSocket_, reinterpret_cast<sockaddr*>(&peer), &len);
    if (s == INVALID_SOCKET) {
        SocketError("Accept");
        return INVALID_SOCKET;
    }
    return s;
}

void TCustomWSocket::Dup(SOCKET newHSocket) {
    if (newHSocket == INVALID_SOCKET) {
        wsk::WSASetLastError(WSAEINVAL);
        SocketError("Dup");
        return;
    }
    if (hSocket_ != INVALID_SOCKET && state_ != wsClosed) {
        RaiseException("Dup: Socket already in use");
        return;
    }
    hSocket_ = newHSocket;
    closeInvoked_ = false;
    DeleteBufferedData();
    selectEvent_ = FD_READ | FD_WRITE | FD_CLOSE | FD_CONNECT;
    if (wsk::WSAAsyncSelect(hSocket_, windowHandle_, WM_ASYNCSELECT, selectEvent_) ==
        SOCKET_ERROR) {
        SocketError("WSAAsyncSelect");
        return;
    }
    ChangeState(wsConnected);
}

// --- notifications -------------------------------------------------------------

void TCustomWSocket::WMASyncSelect(WPARAM wParam, LPARAM lParam) {
    if (static_cast<SOCKET>(wParam) != hSocket_ || paused_)
        return;
    WORD events = WSAGETSELECTEVENT(lParam);
    WORD error = WSAGETSELECTERROR(lParam);
    // Each step runs only while the connection it was told for is still the
    // current one: a handler may have closed it.
    SOCKET told = static_cast<SOCKET>(wParam);
    if ((events & FD_CONNECT) && told == hSocket_)
        Do_FD_CONNECT(error);
    if ((events & FD_READ) && told == hSocket_)
        Do_FD_READ(error);
    if ((events & FD_WRITE) && told == hSocket_)
        Do_FD_WRITE(error);
    if ((events & FD_ACCEPT) && told == hSocket_)
        Do_FD_ACCEPT(error);
    if ((events & FD_CLOSE) && told == hSocket_)
        Do_FD_CLOSE(error);
}

void TCustomWSocket::Do_FD_CONNECT(WORD error) {
    if (state_ == wsConnected)
        return;
    ChangeState(wsConnected);
    TriggerSessionConnected(error);
    if (error != 0 && state_ != wsClosed)
        Close();
}

void TCustomWSocket::Do_FD_READ(WORD error) {
    if (state_ != wsConnected) {
        ChangeState(wsConnected);
        TriggerSessionConnected(error);
    }
    ASyncReceive(error, ComponentOptions);
}

void TCustomWSocket::Do_FD_WRITE(WORD error) {
    TryToSend();
    if (allSent_)
        TriggerDataSent(error);
}

void TCustomWSocket::Do_FD_ACCEPT(WORD error) {
    TriggerSessionAvailable(error);
}

void TCustomWSocket::Do_FD_CLOSE(WORD error) {
    if (state_ == wsConnecting)
        return;
    // Everything still waiting is delivered before the close is told.
    SOCKET handle = hSocket_;
    ASyncReceive(error, ComponentOptions & ~wsoNoReceiveLoop);
    if (hSocket_ != handle)
        return; // a handler closed this connection (and told of it) meanwhile
    if (!closeInvoked_) {
        closeInvoked_ = true;
        TriggerSessionClosed(error);
    }
    if (state_ != wsClosed)
        Close();
}

void TCustomWSocket::ASyncReceive(WORD error, TWSocketOptions options) {
    for (;;) {
        lastError_ = 0;
        try {
            if (!TriggerDataAvailable(error)) {
                // Nobody reads: throw the data away, or it would come back for ever.
                char discard[1024];
                int n = DoRecv(discard, sizeof discard, 0);
                if (n < 0 && lastError_ == WSAEWOULDBLOCK) {
                    lastError_ = 0;
                    break;
                }
            }
            if ((options & wsoNoReceiveLoop) || lastError_ != 0 || hSocket_ == INVALID_SOCKET)
                break;
            ULONG count = 0;
            if (wsk::ioctlsocket(hSocket_, FIONREAD, &count) == SOCKET_ERROR) {
                lastError_ = wsk::WSAGetLastError();
                break;
            }
            if (count == 0)
                break;
        } catch (...) {
            // A failure while the data is handled ends this round of reading.
            break;
        }
    }
}

// --- sending ----------------------------------------------------------------

void TCustomWSocket::DeleteBufferedData() {
    bufList_.clear();
}

void TCustomWSocket::PutDataInSendBuffer(const void* data, int len) {
    if (len <= 0)
        return;
    auto* bytes = static_cast<const char*>(data);
    if (bufList_.empty())
        bufList_.push_back(std::make_unique<TBuffer>(bufSize_));
    while (len > 0) {
        int n = bufList_.back()->Write(bytes, len);
        bytes += n;
        len -= n;
        if (len > 0)
            bufList_.push_back(std::make_unique<TBuffer>(bufSize_));
    }
}

void TCustomWSocket::TryToSend() {
    if (hSocket_ == INVALID_SOCKET)
        return;
    if (bufList_.empty()) {
        allSent_ = true;
        return;
    }
    while (hSocket_ != INVALID_SOCKET && !bufList_.empty()) {
        TBuffer& block = *bufList_.front();
        int len = 0;
        const char* data = block.Peek(len);
        if (len <= 0) {
            if (bufList_.size() > 1) {
                bufList_.pop_front();
                continue;
            }
            allSent_ = true;
            break;
        }
        int count = wsk::send(hSocket_, data, len, SendFlags == wsSendUrgent ? MSG_OOB : 0);
        if (count == 0)
            break;
        if (count < 0) {
            int error = wsk::WSAGetLastError();
            if (error == WSAEWOULDBLOCK)
                break; // the next FD_WRITE goes on
            if (error == WSAEINVAL || error == WSAENOTSOCK || error == WSAECONNABORTED ||
                error == WSAECONNRESET || error == WSAENOTCONN) {
                closeInvoked_ = true;
                Close();
                TriggerSessionClosed(static_cast<WORD>(error));
            } else {
                SocketError("TryToSend failed");
            }
            return;
        }
        // The bytes leave the queue before anybody hears of them, so that a
        // handler that sends again cannot send them twice.
        block.Remove(count);
        TriggerSendData(count);
        if (count < len)
            break;
    }
}

int TCustomWSocket::Send(const void* data, int len) {
    if (state_ != wsConnected) {
        wsk::WSASetLastError(WSAENOTCONN);
        SocketError("Send");
        return -1;
    }
    allSent_ = false;
    PutDataInSendBuffer(data, len);
    TryToSend();
    if (allSent_ && hSocket_ != INVALID_SOCKET)
        PostMessageA(windowHandle_, WM_ASYNCSELECT, static_cast<WPARAM>(hSocket_),
                     WSAMAKESELECTREPLY(FD_WRITE, 0));
    return len > 0 ? len : 0;
}

int TCustomWSocket::SendStr(const std::string& text) {
    return Send(text.data(), static_cast<int>(text.size()));
}

int TCustomWSocket::SendTo(const sockaddr_in& dest, int destLen, const void* data, int len) {
    int result = wsk::sendto(hSocket_, static_cast<const char*>(data), len,
                             SendFlags == wsSendUrgent ? MSG_OOB : 0,
                             reinterpret_cast<const sockaddr*>(&dest), destLen);
    if (result > 0)
        TriggerSendData(result);
    else if (result < 0)
        lastError_ = wsk::WSAGetLastError();
    return result;
}

// --- receiving --------------------------------------------------------------

int TCustomWSocket::DoRecv(void* buffer, int len, int flags) {
    int result = wsk::recv(hSocket_, static_cast<char*>(buffer), len, flags);
    if (result < 0)
        lastError_ = wsk::WSAGetLastError();
    else
        readCount_ += result;
    return result;
}

int TCustomWSocket::Receive(void* buffer, int len) {
    return DoRecv(buffer, len, 0);
}

std::string TCustomWSocket::ReceiveStr() {
    int count = RcvdCount();
    if (count <= 0)
        return "";
    std::string text(static_cast<std::size_t>(count), '\0');
    int n = Receive(text.data(), count);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

int TCustomWSocket::ReceiveFrom(void* buffer, int len, sockaddr_in& from, int& fromLen) {
    int result = wsk::recvfrom(hSocket_, static_cast<char*>(buffer), len, 0,
                               reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (result < 0)
        lastError_ = wsk::WSAGetLastError();
    else
        readCount_ += result;
    return result;
}

int TCustomWSocket::PeekData(void* buffer, int len) {
    return wsk::recv(hSocket_, static_cast<char*>(buffer), len, MSG_PEEK);
}

// --- closing ----------------------------------------------------------------

void TCustomWSocket::Shutdown(int how) {
    if (hSocket_ != INVALID_SOCKET)
        wsk::shutdown(hSocket_, how);
}

void TCustomWSocket::Close() {
    InternalClose(true, 0);
}

void TCustomWSocket::CloseDelayed() {
    PostMessageA(windowHandle_, WM_CLOSE_DELAYED, 0, 0);
}

void TCustomWSocket::Release() {
    PostMessageA(windowHandle_, WM_WSOCKET_RELEASE, 0, 0);
}

void TCustomWSocket::TriggerTestException() {
    PostMessageA(windowHandle_, WM_TRIGGER_EXCEPTION, 0, 0);
}

void TCustomWSocket::InternalClose(bool shut, WORD error) {
    if (hSocket_ == INVALID_SOCKET) {
        if (state_ != wsClosed) {
            ChangeState(wsClosed);
            AssignDefaultValue();
        }
        return;
    }
    if (state_ == wsClosed)
        return;
    if (shut)
        wsk::shutdown(hSocket_, 1); // the sending direction (SD_SEND of later WinSock)
    for (;;) {
        if (wsk::closesocket(hSocket_) == 0)
            break;
        lastError_ = wsk::WSAGetLastError();
        if (lastError_ != WSAEWOULDBLOCK) {
            hSocket_ = INVALID_SOCKET;
            if (lastError_ != WSANOTINITIALISED)
                SocketError("Disconnect (closesocket)");
            return;
        }
        ProcessMessages();
    }
    hSocket_ = INVALID_SOCKET;
    FinishClose();
    (void)error;
}

void TCustomWSocket::FinishClose() {
    ChangeState(wsClosed);
    if (!destroying_ && !closeInvoked_) {
        closeInvoked_ = true;
        TriggerSessionClosed(0);
    }
    try {
        AssignDefaultValue();
    } catch (...) {
    }
}

void TCustomWSocket::Abort() {
    CancelDnsLookup();
    DeleteBufferedData();
    if (state_ == wsConnected && proto_ == IPPROTO_TCP) {
        LingerOnOff = wsLingerOff;
        SetLingerOption();
    }
    InternalClose(false, 0);
}

void TCustomWSocket::Pause() {
    paused_ = true;
    if (hSocket_ != INVALID_SOCKET)
        wsk::WSAAsyncSelect(hSocket_, windowHandle_, 0, 0);
}

void TCustomWSocket::Resume() {
    paused_ = false;
    if (hSocket_ != INVALID_SOCKET &&
        wsk::WSAAsyncSelect(hSocket_, windowHandle_, WM_ASYNCSELECT, selectEvent_) == SOCKET_ERROR)
        SocketError("WSAASyncSelect");
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

void TCustomWSocket::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// ---------------------------------------------------------------------------
// TCustomSocksWSocket

namespace {

// SOCKS failures, told by OnSocksError.
constexpr int socksProtocolError = 20001;
constexpr int socksVersionError = 20002;
constexpr int socksAuthMethodError = 20003;
constexpr int socksGeneralFailure = 20004;
constexpr int socksConnectionNotAllowed = 20005;
constexpr int socksNetworkUnreachable = 20006;
constexpr int socksHostUnreachable = 20007;
constexpr int socksConnectionRefused = 20008;
constexpr int socksTtlExpired = 20009;
constexpr int socksUnknownCommand = 20010;
constexpr int socksUnknownAddressType = 20011;
constexpr int socksUnassignedError = 20012;
constexpr int socksAuthenticationFailed = 20015;
constexpr int socksRejectedOrFailed = 20016;

bool ValidSocksLevel(const std::string& level) {
    return level == "4" || level == "4A" || level == "4a" || level == "5";
}

} // namespace

TCustomSocksWSocket::TCustomSocksWSocket(tk::TComponent* owner) : TCustomWSocket(owner) {
    socksLevel_ = "5";
    socksServer_.clear();
    socksPort_.clear();
}

void TCustomSocksWSocket::AssignDefaultValue() {
    TCustomWSocket::AssignDefaultValue();
    // The SOCKS server, port and level stay as set: a connection made after
    // a close (a redirection, a second request) must go the same way.
    useSocks_ = false;
    step_ = Step::None;
    socksReply_.clear();
}

void TCustomSocksWSocket::SetSocksServer(const std::string& value) {
    if (!ClosedOrRaise("Can't change socks server if not closed"))
        return;
    socksServer_ = Trim(value);
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value) {
    if (!ClosedOrRaise("Can't change socks port if not closed"))
        return;
    socksPort_ = Trim(value);
}

void TCustomSocksWSocket::SetSocksLevel(const std::string& value) {
    if (!ClosedOrRaise("Can't change socks level if not closed"))
        return;
    if (!ValidSocksLevel(value)) {
        RaiseException("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    socksLevel_ = value == "4a" ? "4A" : value;
}

void TCustomSocksWSocket::Listen() {
    if (!socksServer_.empty()) {
        RaiseException("Listening is not supported thru socks server");
        return;
    }
    TCustomWSocket::Listen();
}

void TCustomSocksWSocket::Connect() {
    if (socksServer_.empty()) {
        TCustomWSocket::Connect();
        return;
    }
    std::string proto = tk::LowerCase(Trim(Proto()));
    if (proto != "tcp" && proto != "6") {
        RaiseException("tcp is the only protocol supported thru socks server");
        return;
    }
    if (Port().empty() || Addr().empty()) {
        TCustomWSocket::Connect(); // the usual refusals
        return;
    }
    destHost_ = Addr();
    destPort_ = Port();
    try {
        destPortNum_ = WSocketResolvePort(destPort_, "tcp");
        destAddr_ = 0;
        // SOCKS 4 carries only an address; 4A and 5 may pass the name on.
        if (socksLevel_ == "4" || WSocketIsDottedIP(destHost_))
            destAddr_ = WSocketResolveHost(destHost_);
    } catch (const ESocketException& e) {
        RaiseException("connect: " + e.Message());
        return;
    }
    SetAddr(socksServer_);
    SetPort(socksPort_.empty() ? "1080" : socksPort_);
    useSocks_ = true;
    step_ = Step::None;
    socksReply_.clear();
    TCustomWSocket::Connect();
    if (State() == wsClosed)
        useSocks_ = false;
}

void TCustomSocksWSocket::SocksSend(const std::string& bytes) {
    Send(bytes.data(), static_cast<int>(bytes.size()));
}

void TCustomSocksWSocket::TriggerSessionConnected(WORD error) {
    if (!useSocks_ || step_ == Step::Done) {
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    if (error) {
        useSocks_ = false;
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    socksReply_.clear();
    if (socksLevel_ == "5") {
        step_ = Step::Auth;
        if (SocksAuthentication == socksAuthenticateUsercode)
            SocksSend(std::string("\x05\x02\x00\x02", 4));
        else
            SocksSend(std::string("\x05\x01\x00", 3));
    } else {
        SocksRequest();
    }
}

void TCustomSocksWSocket::SocksRequest() {
    step_ = Step::Request;
    socksReply_.clear();
    std::string port(reinterpret_cast<const char*>(&destPortNum_), 2); // network order
    if (socksLevel_ == "5") {
        std::string request("\x05\x01\x00", 3);
        if (destAddr_ != 0 || WSocketIsDottedIP(destHost_)) {
            request += '\x01';
            request.append(reinterpret_cast<const char*>(&destAddr_), 4);
        } else {
            request += '\x03';
            request += static_cast<char>(std::min<std::size_t>(destHost_.size(), 255));
            request += destHost_.substr(0, 255);
        }
        request += port;
        SocksSend(request);
        return;
    }
    std::string request("\x04\x01", 2);
    request += port;
    bool byName = socksLevel_ == "4A" && destAddr_ == 0;
    if (byName)
        request.append("\x00\x00\x00\x01", 4); // 0.0.0.x: the name follows
    else
        request.append(reinterpret_cast<const char*>(&destAddr_), 4);
    request += SocksUsercode;
    request += '\0';
    if (byName) {
        request += destHost_;
        request += '\0';
    }
    SocksSend(request);
}

void TCustomSocksWSocket::SocksFail(int error, const std::string& msg) {
    step_ = Step::None;
    useSocks_ = false;
    TriggerSocksError(error, msg);
    InternalClose(true, static_cast<WORD>(error));
}

bool TCustomSocksWSocket::TriggerDataAvailable(WORD error) {
    if (!useSocks_ || step_ == Step::Done || step_ == Step::None)
        return TCustomWSocket::TriggerDataAvailable(error);
    SocksDataAvailable();
    return true;
}

void TCustomSocksWSocket::SocksDataAvailable() {
    // Reads only what the negotiation needs: what follows belongs to the
    // application.
    auto need = [&](std::size_t total) {
        while (socksReply_.size() < total) {
            char buffer[300];
            int want =
                static_cast<int>(std::min<std::size_t>(total - socksReply_.size(), sizeof buffer));
            int n = DoRecv(buffer, want, 0);
            if (n <= 0)
                return false;
            socksReply_.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    };
    auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(socksReply_[i]);
    };

    switch (step_) {
    case Step::Auth:
        if (!need(2))
            return;
        if (byte(0) != 5) {
            SocksFail(socksVersionError, "Socks version error");
            return;
        }
        if (byte(1) == 0x00) {
            TriggerSocksAuthState(socksAuthNotRequired);
            SocksRequest();
        } else if (byte(1) == 0x02 && SocksAuthentication == socksAuthenticateUsercode) {
            step_ = Step::UserPass;
            socksReply_.clear();
            TriggerSocksAuthState(socksAuthStart);
            std::string user = SocksUsercode.substr(0, 255), pass = SocksPassword.substr(0, 255);
            std::string request("\x01", 1);
            request += static_cast<char>(user.size());
            request += user;
            request += static_cast<char>(pass.size());
            request += pass;
            SocksSend(request);
        } else {
            SocksFail(socksAuthMethodError, "Authentication method not acceptable");
        }
        return;
    case Step::UserPass:
        if (!need(2))
            return;
        if (byte(1) != 0) {
            TriggerSocksAuthState(socksAuthFailure);
            SocksFail(socksAuthenticationFailed, "Authentication failed");
            return;
        }
        TriggerSocksAuthState(socksAuthSuccess);
        SocksRequest();
        return;
    case Step::Request:
        if (socksLevel_ == "5") {
            if (!need(5))
                return;
            if (byte(0) != 5) {
                SocksFail(socksVersionError, "Socks version error");
                return;
            }
            if (byte(1) != 0) {
                static const std::pair<int, const char*> reasons[] = {
                    {socksGeneralFailure, "General SOCKS server failure"},
                    {socksConnectionNotAllowed, "Connection not allowed by ruleset"},
                    {socksNetworkUnreachable, "Network unreachable"},
                    {socksHostUnreachable, "Host unreachable"},
                    {socksConnectionRefused, "Connection refused"},
                    {socksTtlExpired, "TTL expired"},
                    {socksUnknownCommand, "Command not supported"},
                    {socksUnknownAddressType, "Address type not supported"}};
                int code = byte(1);
                if (code >= 1 && code <= 8)
                    SocksFail(reasons[code - 1].first, reasons[code - 1].second);
                else
                    SocksFail(socksUnassignedError, "Unassigned error code");
                return;
            }
            std::size_t total;
            switch (byte(3)) {
            case 1:
                total = 4 + 4 + 2;
                break;
            case 3:
                total = 4 + 1 + byte(4) + 2;
                break;
            case 4:
                total = 4 + 16 + 2;
                break;
            default:
                SocksFail(socksUnknownAddressType, "Address type not supported");
                return;
            }
            if (!need(total))
                return;
        } else {
            if (!need(8))
                return;
            if (byte(0) != 0) {
                SocksFail(socksProtocolError, "Socks protocol error");
                return;
            }
            if (byte(1) != 90) {
                SocksFail(socksRejectedOrFailed, "Request rejected or failed");
                return;
            }
        }
        step_ = Step::Done;
        socksReply_.clear();
        TriggerSocksConnected(0);
        TCustomWSocket::TriggerSessionConnected(0);
        return;
    default:
        return;
    }
}

void TCustomSocksWSocket::TriggerSessionClosed(WORD error) {
    if (useSocks_ && step_ != Step::Done && step_ != Step::None) {
        if (step_ == Step::UserPass)
            TriggerSocksAuthState(socksAuthFailure);
        step_ = Step::None;
        TriggerSocksError(socksProtocolError, "Connection closed during SOCKS negotiation");
    }
    TCustomWSocket::TriggerSessionClosed(error);
}

void TCustomSocksWSocket::TriggerSocksConnected(WORD error) {
    if (OnSocksConnected)
        OnSocksConnected(this, error);
}

void TCustomSocksWSocket::TriggerSocksError(int error, const std::string& msg) {
    if (OnSocksError)
        OnSocksError(this, error, msg);
}

void TCustomSocksWSocket::TriggerSocksAuthState(TSocksAuthState state) {
    if (OnSocksAuthState)
        OnSocksAuthState(this, state);
}

// ---------------------------------------------------------------------------
// TCustomLineWSocket

TCustomLineWSocket::TCustomLineWSocket(tk::TComponent* owner) : TCustomSocksWSocket(owner) {
    LineEnd = "\r\n";
    lineMode_ = false;
    LineLimit = 65536;
}

void TCustomLineWSocket::AssignDefaultValue() {
    TCustomSocksWSocket::AssignDefaultValue();
    rcvdBuf_.clear();
    lineLength_ = 0;
    lineReceived_ = false;
}

void TCustomLineWSocket::SetLineMode(bool value) {
    if (value == lineMode_)
        return;
    lineMode_ = value;
    if (!rcvdBuf_.empty())
        PostMessageA(Handle(), WM_TRIGGER_DATA_AVAILABLE, 0, 0);
}

bool TCustomLineWSocket::HandleSocketMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TRIGGER_DATA_AVAILABLE) {
        DeliverBuffered(0);
        return true;
    }
    return TCustomSocksWSocket::HandleSocketMessage(msg, wParam, lParam);
}

int TCustomLineWSocket::Receive(void* buffer, int len) {
    if (lineReceived_) {
        int n = std::max(0, std::min(len, lineLength_));
        std::memcpy(buffer, rcvdBuf_.data(), static_cast<std::size_t>(n));
        rcvdBuf_.erase(0, static_cast<std::size_t>(n));
        lineLength_ -= n;
        if (lineLength_ == 0)
            lineReceived_ = false;
        return n;
    }
    if (!lineMode_ && !rcvdBuf_.empty()) {
        int n = std::max(0, std::min<int>(len, static_cast<int>(rcvdBuf_.size())));
        std::memcpy(buffer, rcvdBuf_.data(), static_cast<std::size_t>(n));
        rcvdBuf_.erase(0, static_cast<std::size_t>(n));
        return n;
    }
    if (lineMode_)
        return 0; // lines are handed out by OnDataAvailable only
    return TCustomSocksWSocket::Receive(buffer, len);
}

bool TCustomLineWSocket::TriggerDataAvailable(WORD error) {
    if (!lineMode_ || State() != wsConnected || (HSocket() == INVALID_SOCKET))
        return TCustomSocksWSocket::TriggerDataAvailable(error);
    char buffer[4096];
    int n = DoRecv(buffer, sizeof buffer, 0);
    if (n > 0) {
        rcvdBuf_.append(buffer, static_cast<std::size_t>(n));
        if (!holdLines_)
            DeliverBuffered(error);
    }
    return true;
}

void TCustomLineWSocket::DeliverBuffered(WORD error) {
    if (holdLines_)
        return; // a synchronous reader takes the lines itself
    while (!rcvdBuf_.empty()) {
        if (!lineMode_) {
            // Line mode was switched off: what was collected goes out raw.
            lineReceived_ = false;
            TCustomSocksWSocket::TriggerDataAvailable(error);
            return;
        }
        std::size_t end = LineEnd.empty() ? std::string::npos : rcvdBuf_.find(LineEnd);
        if (end == std::string::npos) {
            if (static_cast<int>(rcvdBuf_.size()) > LineLimit) {
                bool clearData = true;
                if (OnLineLimitExceeded)
                    OnLineLimitExceeded(this, static_cast<int>(rcvdBuf_.size()), clearData);
                if (clearData)
                    rcvdBuf_.clear();
            }
            return;
        }
        lineLength_ = static_cast<int>(end + LineEnd.size());
        lineReceived_ = true;
        TCustomSocksWSocket::TriggerDataAvailable(error);
        if (lineReceived_) {
            // Not taken by the handler: the line is dropped.
            rcvdBuf_.erase(0, static_cast<std::size_t>(lineLength_));
            lineReceived_ = false;
            lineLength_ = 0;
        }
    }
}

void TCustomLineWSocket::TriggerSessionClosed(WORD error) {
    // A last line without its end is still a line.
    if (lineMode_ && !holdLines_ && !rcvdBuf_.empty()) {
        lineLength_ = static_cast<int>(rcvdBuf_.size());
        lineReceived_ = true;
        TCustomSocksWSocket::TriggerDataAvailable(error);
        rcvdBuf_.clear();
        lineReceived_ = false;
        lineLength_ = 0;
    }
    TCustomSocksWSocket::TriggerSessionClosed(error);
}

// ---------------------------------------------------------------------------
// TCustomSyncWSocket

TCustomSyncWSocket::TCustomSyncWSocket(tk::TComponent* owner) : TCustomLineWSocket(owner) {}

bool TCustomSyncWSocket::WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        ProcessMessages();
        if (done())
            return true;
        if (Terminated() || State() == wsClosed)
            return done();
        DWORD elapsed = GetTickCount() - start;
        if (timeoutMs && elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs ? timeoutMs - elapsed : INFINITE,
                                  QS_ALLINPUT);
    }
}

bool TCustomSyncWSocket::ReadLine(DWORD timeoutMs, std::string& line) {
    bool wasLineMode = LineMode();
    holdLines_ = true;
    SetLineMode(true);
    auto complete = [&] {
        return !LineEnd.empty() && rcvdBuf().find(LineEnd) != std::string::npos;
    };
    bool ok = WaitUntil(complete, timeoutMs) || complete();
    holdLines_ = false;
    if (ok) {
        std::size_t end = rcvdBuf().find(LineEnd);
        line = rcvdBuf().substr(0, end);
        TakeBuffered(end + LineEnd.size());
    }
    if (!wasLineMode)
        SetLineMode(false);
    else if (RcvdBufferedCount() > 0)
        PostMessageA(Handle(), WM_TRIGGER_DATA_AVAILABLE, 0, 0);
    return ok;
}
