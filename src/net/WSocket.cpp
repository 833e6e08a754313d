// The socket itself: its hidden window and the notifications WinSock posts
// there, its properties, connecting, listening and accepting, closing.
#include "net/WSocket.h"
#include "net/WinsockApi.h"

#include "toolkit/UtilWindow.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* socketWindowClass = "XSocketWindowClass";

} // namespace

// ---------------------------------------------------------------------------
// TCustomWSocket

TCustomWSocket::TCustomWSocket(tk::TComponent* owner) : tk::TComponent(owner) {
    // The class keeps its 4 extra bytes per window; the socket itself is the
    // window's target, in its pointer-sized user data (the extra bytes of a
    // 32-bit build would not hold a 64-bit pointer).
    windowHandle_ = tk::CreateHiddenWindow(socketWindowClass, *this, sizeof(void*));
    if (!windowHandle_) {
        if (wsk::NoSockets())
            UnregisterClassA(socketWindowClass, GetModuleHandleA(nullptr));
        throw ESocketException("Cannot create a hidden window for TWSocket");
    }
    threadId_ = GetCurrentThreadId();
    bufSize_ = 1460;
    MultiCastIpTTL = 1;
    AssignDefaultValue();
    wsk::AddSocket(this);
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
    if (wsk::RemoveSocket(this))
        wsk::UnloadLibrary();
    DeleteBufferedData();
    dnsResultList_.clear();
    tk::DestroyHiddenWindow(std::exchange(windowHandle_, nullptr));
    if (wsk::NoSockets())
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

void TCustomWSocket::WindowMessage(HWND, tk::TMessage& message) {
    message.Result = MessageHandler(message.Msg, message.WParam, message.LParam);
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
    case WM_ASYNCGETHOSTBYADDR:
        WMAsyncLookup(msg, wParam, lParam);
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

void TCustomWSocket::AssignTarget(const char* name, const std::string& value, std::string& field,
                                  bool& resolved, bool& assigned) {
    if (!ClosedOrRaise(std::string("Cannot change ") + name + " if not closed"))
        return;
    field = tk::TrimBlanks(value);
    resolved = false;
    assigned = !field.empty();
}

void TCustomWSocket::SetAddr(const std::string& value) {
    AssignTarget("Addr", value, addrStr_, addrResolved_, addrAssigned_);
}

void TCustomWSocket::SetPort(const std::string& value) {
    AssignTarget("Port", value, portStr_, portResolved_, portAssigned_);
}

void TCustomWSocket::SetProto(const std::string& value) {
    AssignTarget("Proto", value, protoStr_, protoResolved_, protoAssigned_);
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

bool TCustomWSocket::ReadyToOpen(const char* operation, bool connecting) {
    const char* failure = nullptr;
    if (hSocket_ != INVALID_SOCKET && state_ != wsClosed)
        failure = "Socket already in use";
    else if (!portAssigned_)
        failure = "No Port Specified";
    else if (!addrAssigned_)
        failure = "No IP Address Specified";
    else if (connecting && !protoAssigned_)
        failure = "No Protocol Specified";
    if (failure) {
        RaiseException(std::string(operation) + ": " + failure);
        return false;
    }
    try {
        ResolveProtoAndPort();
        if (connecting && !localPortResolved_) {
            localPortNum_ = WSocketResolvePort(localPortStr_, protoStr_);
            localPortResolved_ = true;
        }
        if (!addrResolved_) {
            sin_.sin_addr.s_addr = WSocketResolveHost(addrStr_);
            addrResolved_ = true;
        }
    } catch (const ESocketException& e) {
        RaiseException(tk::LowerCase(operation) + ": " + e.Message());
        return false;
    }
    return true;
}

void TCustomWSocket::Connect() {
    if (ReadyToOpen("Connect", true))
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
    if (!ReadyToOpen("listen", false))
        return;
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
