// wsock32.dll, loaded at run time: WinSock started on first use, its entry
// points looked up on their first call and kept, and the texts of its
// error numbers.
#include "net/WinsockApi.h"

#include "net/WSocket.h"
#include "toolkit/Handles.h"

#include <map>
#include <set>

namespace {

constexpr const char* winsockDll = "wsock32.dll";

// Module-wide state: the live socket objects, wsock32.dll and its entry
// points. Sockets are created and destroyed on the program's main thread.
struct Library {
    tk::TLibrary handle;
    std::map<std::string, FARPROC> procs;
    std::set<const TCustomWSocket*> sockets;
};

Library& library() {
    // Never destroyed: the library stays loaded while sockets live, to the end.
    static Library& instance = *new Library;
    return instance;
}

FARPROC LookupProc(HMODULE module, const char* name) {
    FARPROC proc = GetProcAddress(module, name);
    if (!proc)
        throw ESocketException(std::string("Procedure ") + name + " not found in " + winsockDll +
                               " Error #" + tk::IntToStr(GetLastError()));
    return proc;
}

// Loads wsock32.dll and starts WinSock on first use; then finds the entry.
FARPROC WSocketGetProc(const char* name) {
    Library& lib = library();
    if (!lib.handle) {
        // A library that cannot start is not kept: the next call tries anew.
        tk::TLibrary module(LoadLibraryA(winsockDll));
        if (!module)
            throw ESocketException(std::string("Unable to load ") + winsockDll + " Error #" +
                                   tk::IntToStr(GetLastError()));
        using TStartup = int(WINAPI*)(WORD, LPWSADATA);
        auto startup = reinterpret_cast<TStartup>(
            reinterpret_cast<void (*)()>(LookupProc(module.Get(), "WSAStartup")));
        WSADATA data;
        int result = startup(257, &data);
        if (result != 0)
            throw ESocketException(tk::Format("%s: WSAStartup error #%d", winsockDll, result));
        lib.handle = std::move(module);
    }
    auto it = lib.procs.find(name);
    if (it != lib.procs.end())
        return it->second;
    FARPROC proc = LookupProc(lib.handle.Get(), name);
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
    lib.handle.Reset();
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

namespace wsk {

void AddSocket(const TCustomWSocket* socket) {
    library().sockets.insert(socket);
}

bool RemoveSocket(const TCustomWSocket* socket) {
    library().sockets.erase(socket);
    return library().sockets.empty();
}

bool NoSockets() {
    return library().sockets.empty();
}

void UnloadLibrary() {
    WSocketUnloadLibrary();
}

std::string DottedOf(ULONG addr) {
    in_addr a{};
    a.s_addr = addr;
    return wsk::inet_ntoa(a); // qualified: the SDK declares one too
}

} // namespace wsk

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
