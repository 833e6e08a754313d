// barehttp: the least that a download of one URL with WinSock 1.1 has to do,
// for the Wine benchmark to time httpget against. Both ways read at most
// 8192 bytes per recv, as the program's client does, and write each piece
// to the file as it comes.
//
//   barehttp block URL FILE   a blocking socket: recv until the end
//   barehttp async URL FILE   a hidden window and WSAAsyncSelect: one recv
//                             per FD_READ, the rest on FD_CLOSE
//
// URL is http://A.B.C.D:PORT/PATH (a dotted address, no name lookup).
// Exit status 0 when the body (what follows the header) went to FILE.
#include <windows.h>
#include <winsock.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr UINT kSocketMessage = WM_USER + 1;

struct Download {
    SOCKET socket = INVALID_SOCKET;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::string header; // until the blank line that ends it
    bool inBody = false;
    bool failed = false;
    bool done = false;
};

bool writeAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// Takes one piece from the wire: the header is kept apart, the body written.
void take(Download& d, const char* data, int size) {
    if (!d.inBody) {
        d.header.append(data, static_cast<std::size_t>(size));
        std::size_t end = d.header.find("\r\n\r\n");
        if (end == std::string::npos)
            return;
        d.inBody = true;
        const std::string rest = d.header.substr(end + 4);
        if (!rest.empty() && !writeAll(d.file, rest.data(), static_cast<DWORD>(rest.size())))
            d.failed = true;
        return;
    }
    if (!writeAll(d.file, data, static_cast<DWORD>(size)))
        d.failed = true;
}

// One recv; false once nothing more comes (end, error or would block).
bool readOnce(Download& d) {
    char buffer[8192];
    int n = recv(d.socket, buffer, sizeof buffer, 0);
    if (n <= 0)
        return false;
    take(d, buffer, n);
    return true;
}

Download* current = nullptr;

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kSocketMessage || !current)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
        if (WSAGETSELECTERROR(lParam)) {
            current->failed = current->done = true;
        }
        break;
    case FD_READ:
        readOnce(*current);
        break;
    case FD_CLOSE:
        while (readOnce(*current)) {
        }
        current->done = true;
        break;
    }
    return 0;
}

bool parseUrl(const std::string& url, sockaddr_in& address, std::string& path) {
    const std::string scheme = "http://";
    if (url.compare(0, scheme.size(), scheme) != 0)
        return false;
    std::size_t colon = url.find(':', scheme.size());
    std::size_t slash = url.find('/', scheme.size());
    if (colon == std::string::npos || slash == std::string::npos || colon > slash)
        return false;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(url.substr(scheme.size(), colon - scheme.size()).c_str());
    address.sin_port = htons(static_cast<u_short>(std::atoi(url.substr(colon + 1).c_str())));
    path = url.substr(slash);
    return address.sin_addr.s_addr != INADDR_NONE;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "block") != 0 && std::strcmp(argv[1], "async") != 0)) {
        std::fputs("usage: barehttp block|async URL FILE\n", stderr);
        return 2;
    }
    const bool async = std::strcmp(argv[1], "async") == 0;
    sockaddr_in address;
    std::string path;
    if (!parseUrl(argv[2], address, path)) {
        std::fputs("barehttp: the URL is not http://A.B.C.D:PORT/PATH\n", stderr);
        return 2;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return 1;
    Download d;
    d.file = CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    d.socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (d.file == INVALID_HANDLE_VALUE || d.socket == INVALID_SOCKET)
        return 1;
    const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
    if (!async) {
        if (connect(d.socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            send(d.socket, request.data(), static_cast<int>(request.size()), 0) !=
                static_cast<int>(request.size()))
            return 1;
        while (readOnce(d)) {
        }
    } else {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BareHttpWindow";
        RegisterClassA(&wc);
        HWND window = CreateWindowA("BareHttpWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                    wc.hInstance, nullptr);
        current = &d;
        if (!window ||
            WSAAsyncSelect(d.socket, window, kSocketMessage, FD_READ | FD_CONNECT | FD_CLOSE) != 0)
            return 1;
        if (connect(d.socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
            WSAGetLastError() != WSAEWOULDBLOCK)
            return 1;
        // The request goes once the connection is there; a small request
        // fits the send buffer at once.
        MSG msg;
        bool sent = false;
        while (!d.done && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            DispatchMessageA(&msg);
            if (!sent && !d.failed) {
                if (send(d.socket, request.data(), static_cast<int>(request.size()), 0) ==
                    static_cast<int>(request.size()))
                    sent = true;
            }
        }
        current = nullptr;
        DestroyWindow(window);
    }
    closesocket(d.socket);
    CloseHandle(d.file);
    WSACleanup();
    if (d.failed || !d.inBody) {
        std::fputs("barehttp: the download failed\n", stderr);
        return 1;
    }
    return 0;
}
