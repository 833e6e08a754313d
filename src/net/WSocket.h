// An event-driven TCP/UDP socket over WinSock 1.1 (wsock32.dll, loaded at
// run time). Nothing blocks: lookups, connection, reading, writing and
// closing are asked of WinSock with window-message notification, and their
// outcomes come back as events on the thread that created the socket.
//
// Built in layers: TCustomWSocket (the socket proper), TCustomSocksWSocket
// (SOCKS 4, 4A and 5), TCustomLineWSocket (line mode), TCustomSyncWSocket
// (synchronous waits) and TWSocket.
#pragma once

#include "net/WSockBuf.h"
#include "platform/win32.h"
#include "toolkit/Classes.h"
#include "toolkit/WndProc.h"

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ESocketException : public tk::Exception {
public:
    using tk::Exception::Exception;
};

enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};

// ComponentOptions is a set of these bits.
enum TWSocketOption : unsigned { wsoNoReceiveLoop = 1, wsoTcpNoDelay = 2 };
using TWSocketOptions = unsigned;
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };
enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
enum TSocksAuthState { socksAuthStart, socksAuthSuccess, socksAuthFailure, socksAuthNotRequired };

// Notification messages posted to the socket's own window.
constexpr UINT WM_ASYNCSELECT = WM_USER + 1;             // 1025
constexpr UINT WM_ASYNCGETHOSTBYNAME = WM_USER + 2;      // 1026
constexpr UINT WM_ASYNCGETHOSTBYADDR = WM_USER + 3;      // 1027
constexpr UINT WM_CLOSE_DELAYED = WM_USER + 4;           // 1028
constexpr UINT WM_WSOCKET_RELEASE = WM_USER + 5;         // 1029
constexpr UINT WM_TRIGGER_EXCEPTION = WM_USER + 6;       // 1030
constexpr UINT WM_TRIGGER_DATA_AVAILABLE = WM_USER + 20; // 1044, line layer

using TDataAvailable = std::function<void(tk::TComponent* Sender, WORD Error)>;
using TDataSent = TDataAvailable;
using TSessionClosed = TDataAvailable;
using TSessionAvailable = TDataAvailable;
using TSessionConnected = TDataAvailable;
using TDnsLookupDone = TDataAvailable;
using TSendData = std::function<void(tk::TComponent* Sender, int BytesSent)>;
using TChangeState =
    std::function<void(tk::TComponent* Sender, TSocketState OldState, TSocketState NewState)>;
using TNotifyEvent = std::function<void(tk::TComponent* Sender)>;
using TBgExceptionEvent =
    std::function<void(tk::TComponent* Sender, const std::exception& E, bool& CanClose)>;
using TSocksErrorEvent =
    std::function<void(tk::TComponent* Sender, int Error, const std::string& Msg)>;
using TSocksAuthStateEvent = std::function<void(tk::TComponent* Sender, TSocksAuthState AuthState)>;
using TLineLimitEvent =
    std::function<void(tk::TComponent* Sender, int RcvdLength, bool& ClearData)>;

// The text that goes with a WinSock error number.
std::string WSocketErrorDesc(int error);
// Resolve routines; each raises ESocketException on failure. Ports come back
// in network byte order, addresses as WinSock's 32-bit value.
int WSocketResolveProto(const std::string& proto);
USHORT WSocketResolvePort(const std::string& port, const std::string& proto);
ULONG WSocketResolveHost(const std::string& host);
// Four decimal parts, each at most 255, blanks allowed around the address.
bool WSocketIsDottedIP(const std::string& text);

class TCustomWSocket : public tk::TComponent, public tk::TWindowTarget {
public:
    explicit TCustomWSocket(tk::TComponent* owner);
    ~TCustomWSocket() override;

    // Operations.
    void DnsLookup(const std::string& host);
    void ReverseDnsLookup(const std::string& hostAddr);
    void CancelDnsLookup();
    virtual void Connect();
    virtual void Listen();
    // Takes the pending connection of a listening socket (in OnSessionAvailable).
    SOCKET Accept();
    // Adopts a connected handle (from another socket's Accept).
    void Dup(SOCKET newHSocket);
    void Bind();
    int Send(const void* data, int len);
    int SendStr(const std::string& text);
    int SendTo(const sockaddr_in& dest, int destLen, const void* data, int len);
    virtual int Receive(void* buffer, int len);
    std::string ReceiveStr();
    int ReceiveFrom(void* buffer, int len, sockaddr_in& from, int& fromLen);
    int PeekData(void* buffer, int len);
    void Shutdown(int how);
    virtual void Close();
    // Closes once the message loop turns again.
    void CloseDelayed();
    // Frees the object once the message loop turns again.
    void Release();
    virtual void Abort();
    void Pause();
    void Resume();
    int GetPeerName(sockaddr_in& name, int& nameLen);
    int GetSockName(sockaddr_in& name, int& nameLen);
    std::string GetPeerAddr();
    std::string GetPeerPort();
    std::string GetXAddr(); // local address of the socket
    std::string GetXPort(); // local port of the socket
    void SetLingerOption();
    // The message pump used by waits: dispatches what is queued for the
    // calling thread; a quit message is kept in `Terminated` instead.
    void ProcessMessages();
    bool Terminated() const { return terminated_; }
    // Posts a message that makes the socket raise "Test exception in WSocket".
    void TriggerTestException();

    // Properties.
    const std::string& Addr() const { return addrStr_; }
    void SetAddr(const std::string& value);
    const std::string& Port() const { return portStr_; }
    void SetPort(const std::string& value);
    const std::string& Proto() const { return protoStr_; }
    void SetProto(const std::string& value);
    const std::string& LocalAddr() const { return localAddr_; }
    void SetLocalAddr(const std::string& value);
    const std::string& LocalPort() const { return localPortStr_; }
    void SetLocalPort(const std::string& value);
    const std::string& DnsResult() const { return dnsResult_; }
    const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }
    TSocketState State() const { return state_; }
    long long ReadCount() const { return readCount_; }
    int RcvdCount();
    int LastError() const { return lastError_; }
    // The text of the last failure reported through the report step.
    const std::string& LastErrorText() const { return lastErrorText_; }
    SOCKET HSocket() const { return hSocket_; }
    HWND Handle() const { return windowHandle_; }
    bool AllSent() const { return allSent_; }
    int BufSize() const { return bufSize_; }
    void SetBufSize(int value) { bufSize_ = value > 0 ? value : 1460; }

    bool MultiThreaded = false;
    bool MultiCast = false;
    std::string MultiCastAddrStr;
    int MultiCastIpTTL = 1;
    bool ReuseAddr = false;
    TWSocketOptions ComponentOptions = 0;
    int FlushTimeout = 60;
    TSocketSendFlags SendFlags = wsSendNormal;
    TSocketLingerOnOff LingerOnOff = wsLingerOn;
    int LingerTimeout = 0;

    // Events.
    TDataAvailable OnDataAvailable;
    TDataSent OnDataSent;
    TSendData OnSendData;
    TSessionClosed OnSessionClosed;
    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TSessionConnected OnSocksConnected;
    TChangeState OnChangeState;
    TDnsLookupDone OnDnsLookupDone;
    TNotifyEvent OnError;
    TBgExceptionEvent OnBgException;
    TSocksErrorEvent OnSocksError;
    TSocksAuthStateEvent OnSocksAuthState;
    TLineLimitEvent OnLineLimitExceeded;

    // The socket's own messages; anything else goes to the default handler.
    LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // The messages of the socket's hidden window.
    void WindowMessage(HWND window, tk::TMessage& message) override;

protected:
    // Handles the socket's own messages; false for anything else.
    virtual bool HandleSocketMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void AssignDefaultValue();
    virtual bool TriggerDataAvailable(WORD error);
    virtual void TriggerSessionConnected(WORD error);
    virtual void TriggerSessionClosed(WORD error);
    virtual void TriggerDataSent(WORD error);
    virtual void TriggerDnsLookupDone(WORD error);
    virtual void TriggerSessionAvailable(WORD error);
    virtual void TriggerSendData(int bytesSent);
    virtual void TriggerChangeState(TSocketState oldState, TSocketState newState);
    virtual void HandleBackGroundException(const std::exception& e);
    virtual int DoRecv(void* buffer, int len, int flags);
    void ChangeState(TSocketState newState);
    void ResolveProtoAndPort();
    // What Connect and Listen do first: check that the socket is free and
    // that port and address (and, to connect, the protocol) are assigned,
    // then resolve them (and, to connect, the local port). A failure is
    // reported as "<operation>: <message>" ("connect: ..." for a resolve of
    // Connect); false then.
    bool ReadyToOpen(const char* operation, bool connecting);
    void SocketError(const std::string& sockFunc);
    void RaiseException(const std::string& msg);
    bool ClosedOrRaise(const std::string& message);
    // Sets the address, port or protocol to connect to (blanks trimmed): to
    // be resolved again, assigned when not empty; only while closed.
    void AssignTarget(const char* name, const std::string& value, std::string& field,
                      bool& resolved, bool& assigned);
    void InternalClose(bool shut, WORD error);
    void ASyncReceive(WORD error, TWSocketOptions options);
    void TryToSend();
    void PutDataInSendBuffer(const void* data, int len);
    void DeleteBufferedData();
    // The raw connect towards the current (resolved) address and port.
    void BaseConnect();
    // The address, port and protocol resolved for the next Connect.
    sockaddr_in sin_{};
    bool destroying_ = false;
    bool closeInvoked_ = false;

private:
    void Do_FD_CONNECT(WORD error);
    void Do_FD_READ(WORD error);
    void Do_FD_WRITE(WORD error);
    void Do_FD_ACCEPT(WORD error);
    void Do_FD_CLOSE(WORD error);
    void WMASyncSelect(WPARAM wParam, LPARAM lParam);
    // A lookup's answer (WM_ASYNCGETHOSTBYNAME or WM_ASYNCGETHOSTBYADDR).
    void WMAsyncLookup(UINT msg, WPARAM wParam, LPARAM lParam);
    // The steps that both lookups share: checking the host and dropping what
    // an earlier lookup left; then taking the request, or its failure.
    bool BeginLookup(const std::string& host);
    void LookupStarted(HANDLE request, const std::string& host);
    void FinishClose();

    SOCKET hSocket_ = INVALID_SOCKET;
    std::string addrStr_, portStr_, protoStr_ = "tcp";
    std::string localAddr_ = "0.0.0.0", localPortStr_ = "0";
    bool addrAssigned_ = false, portAssigned_ = false, protoAssigned_ = true;
    bool addrResolved_ = false, portResolved_ = false, localPortResolved_ = false,
         protoResolved_ = false;
    int proto_ = IPPROTO_TCP;
    int type_ = SOCK_STREAM;
    USHORT localPortNum_ = 0;
    HWND windowHandle_ = nullptr;
    DWORD threadId_ = 0;
    LONG selectEvent_ = 0;
    HANDLE dnsLookupHandle_ = nullptr;
    alignas(8) char dnsLookupBuffer_[MAXGETHOSTSTRUCT] = {};
    bool dnsLookupCheckMsg_ = false;
    MSG dnsLookupTempMsg_{};
    std::deque<std::unique_ptr<TBuffer>> bufList_;
    int bufSize_ = 1460;
    bool allSent_ = true;
    bool paused_ = false;
    bool terminated_ = false;
    long long readCount_ = 0;
    int lastError_ = 0;
    std::string lastErrorText_;
    TSocketState state_ = wsClosed;
    std::string dnsResult_;
    std::vector<std::string> dnsResultList_;
};

// SOCKS 4, 4A and 5 negotiation, used when SocksServer is set.
class TCustomSocksWSocket : public TCustomWSocket {
public:
    explicit TCustomSocksWSocket(tk::TComponent* owner);

    void Connect() override;
    void Listen() override;

    const std::string& SocksServer() const { return socksServer_; }
    void SetSocksServer(const std::string& value);
    const std::string& SocksPort() const { return socksPort_; }
    void SetSocksPort(const std::string& value);
    const std::string& SocksLevel() const { return socksLevel_; }
    void SetSocksLevel(const std::string& value);
    std::string SocksUsercode;
    std::string SocksPassword;
    TSocksAuthentication SocksAuthentication = socksNoAuthentication;

protected:
    void AssignDefaultValue() override;
    void TriggerSessionConnected(WORD error) override;
    bool TriggerDataAvailable(WORD error) override;
    void TriggerSessionClosed(WORD error) override;
    void TriggerSocksConnected(WORD error);
    void TriggerSocksError(int error, const std::string& msg);
    void TriggerSocksAuthState(TSocksAuthState state);

private:
    enum class Step { None, Auth, UserPass, Request, Done };
    void SocksSend(const std::string& bytes);
    void SocksRequest();
    void SocksFail(int error, const std::string& msg);
    void SocksDataAvailable();

    std::string socksServer_, socksPort_, socksLevel_ = "5";
    std::string destHost_, destPort_;
    ULONG destAddr_ = 0;
    USHORT destPortNum_ = 0;
    bool useSocks_ = false;
    Step step_ = Step::None;
    std::string socksReply_;
};

// Line mode: received data is collected and OnDataAvailable is raised once
// per complete line ending in LineEnd; Receive then gives that line.
class TCustomLineWSocket : public TCustomSocksWSocket {
public:
    explicit TCustomLineWSocket(tk::TComponent* owner);

    int Receive(void* buffer, int len) override;
    bool LineMode() const { return lineMode_; }
    void SetLineMode(bool value);
    int LineLimit = 65536;
    std::string LineEnd = "\r\n";
    bool LineEcho = false;
    bool LineEdit = false;
    // Bytes collected and not yet delivered.
    int RcvdBufferedCount() const { return static_cast<int>(rcvdBuf_.size()); }

protected:
    bool HandleSocketMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool TriggerDataAvailable(WORD error) override;
    void TriggerSessionClosed(WORD error) override;
    void AssignDefaultValue() override;
    const std::string& rcvdBuf() const { return rcvdBuf_; }
    void TakeBuffered(std::size_t count) { rcvdBuf_.erase(0, count); }
    bool holdLines_ = false; // collect lines without delivering them (ReadLine)

private:
    // Raises OnDataAvailable for each complete line (or for raw buffered
    // bytes once line mode is off).
    void DeliverBuffered(WORD error);

    bool lineMode_ = false;
    std::string rcvdBuf_;
    int lineLength_ = 0;        // bytes of the line being delivered
    bool lineReceived_ = false; // a line is on offer to Receive
};

// Waits, pumping messages, for a condition: used to read line by line
// synchronously.
class TCustomSyncWSocket : public TCustomLineWSocket {
public:
    explicit TCustomSyncWSocket(tk::TComponent* owner);

    // Pumps messages until `done` is true, the socket closes or `timeoutMs`
    // passes (0: no limit). True when `done` became true.
    bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);
    // Reads one line (without its end) in line mode; false on a timeout or
    // when the connection ended first.
    bool ReadLine(DWORD timeoutMs, std::string& line);
};

class TWSocket : public TCustomSyncWSocket {
public:
    explicit TWSocket(tk::TComponent* owner) : TCustomSyncWSocket(owner) {}
};
