// What the two halves of the simulator's wsock32.dll share: the sockets
// (winsock.cpp) and the names (winsock_names.cpp), which the export table
// in winsock.cpp lists together.
#pragma once

#include "platform/sim/include/win32_sim.h"

namespace sim::detail {

// Whether WSAStartup has run; otherwise the last error is WSANOTINITIALISED.
bool winsockStarted();
// Sets the WinSock error and gives SOCKET_ERROR.
int winsockFail(int error);

inline USHORT swap16(USHORT v) {
    return static_cast<USHORT>((v >> 8) | (v << 8));
}
inline ULONG swap32(ULONG v) {
    return __builtin_bswap32(v);
}

} // namespace sim::detail

// The entries of winsock_names.cpp.
namespace wsock32 {

HANDLE WINAPI WSAAsyncGetHostByName(HWND window, UINT message, const char* name, char* buffer,
                                    int size);
HANDLE WINAPI WSAAsyncGetHostByAddr(HWND window, UINT message, const char* addr, int length,
                                    int type, char* buffer, int size);
int WINAPI WSACancelAsyncRequest(HANDLE request);
hostent* WINAPI gethostbyname(const char* name);
servent* WINAPI getservbyname(const char* name, const char* proto);
protoent* WINAPI getprotobyname(const char* name);
char* WINAPI inet_ntoa(in_addr in);
ULONG WINAPI inet_addr(const char* text);

} // namespace wsock32
