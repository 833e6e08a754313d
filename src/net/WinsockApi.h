// wsock32.dll as the sockets reach it: loaded, and WinSock started, on the
// first call of any entry point; each entry point looked up on its first call.
// A failure to load or to find an entry raises ESocketException. Sockets are
// created and destroyed on the program's main thread.
#pragma once

#include "platform/win32.h"

#include <string>

class TCustomWSocket;

namespace wsk {

int WSAGetLastError();
void WSASetLastError(int e);
int WSACancelAsyncRequest(HANDLE h);
HANDLE WSAAsyncGetHostByName(HWND w, UINT m, const char* name, char* buf, int len);
HANDLE WSAAsyncGetHostByAddr(HWND w, UINT m, const char* addr, int len, int type, char* buf,
                             int buflen);
int WSAAsyncSelect(SOCKET s, HWND w, UINT m, LONG events);
servent* getservbyname(const char* name, const char* proto);
protoent* getprotobyname(const char* name);
hostent* gethostbyname(const char* name);
SOCKET socket(int af, int type, int proto);
int shutdown(SOCKET s, int how);
int setsockopt(SOCKET s, int level, int name, const char* value, int len);
int sendto(SOCKET s, const char* data, int len, int flags, const sockaddr* to, int tolen);
int send(SOCKET s, const char* data, int len, int flags);
USHORT ntohs(USHORT v);
USHORT htons(USHORT v);
int listen(SOCKET s, int backlog);
int ioctlsocket(SOCKET s, LONG cmd, ULONG* arg);
char* inet_ntoa(in_addr a);
ULONG inet_addr(const char* text);
int getsockname(SOCKET s, sockaddr* name, int* len);
int getpeername(SOCKET s, sockaddr* name, int* len);
int connect(SOCKET s, const sockaddr* name, int len);
int closesocket(SOCKET s);
int bind(SOCKET s, const sockaddr* name, int len);
SOCKET accept(SOCKET s, sockaddr* addr, int* len);
int recv(SOCKET s, char* buf, int len, int flags);
int recvfrom(SOCKET s, char* buf, int len, int flags, sockaddr* from, int* fromlen);

// The live socket objects, which share the library: it is let go (WSACleanup,
// then the module) when the last of them goes.
void AddSocket(const TCustomWSocket* socket);
// True when that was the last socket.
bool RemoveSocket(const TCustomWSocket* socket);
bool NoSockets();
void UnloadLibrary();

// An IPv4 address (WinSock's 32-bit value) as dotted text.
std::string DottedOf(ULONG addr);

} // namespace wsk
