// An event-driven HTTP/1.0 client over one asynchronous socket: GET, POST and
// HEAD, basic authentication, an HTTP proxy or a SOCKS server. A request runs
// asynchronously (BeginRequest, completion told by OnRequestDone) or
// synchronously (RunRequest, Fetch), pumping messages while it waits.
#pragma once

#include "net/HttpHelpers.h"
#include "net/WSocket.h"
#include "toolkit/Classes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class EHttpException : public tk::Exception {
public:
    EHttpException(const std::string& message, WORD errorCode)
        : tk::Exception(message), ErrorCode(errorCode) {}
    WORD ErrorCode;
};

enum THttpRequest { httpAbort, httpGET, httpPOST, httpHEAD };

enum THttpClientState {
    hsIdle,
    hsStarting,
    hsSessionOpen,
    hsResolving,
    hsResolved,
    hsAwaitingHeader,
    hsReceivingBody
};

// The client's own window messages.
constexpr UINT WM_HTTP_REQUEST_DONE = WM_USER + 1; // 1025
constexpr UINT WM_HTTP_SET_READY = WM_USER + 2;    // 1026
constexpr UINT WM_HTTP_LOGIN = WM_USER + 3;        // 1027, the restart after a redirection

using THttpNotifyEvent = std::function<void(tk::TComponent* Sender)>;
using TDocDataEvent = std::function<void(tk::TComponent* Sender, const char* Buffer, int Len)>;
using THttpRequestDone =
    std::function<void(tk::TComponent* Sender, THttpRequest RqType, WORD Error)>;
using TCookieRcvdEvent =
    std::function<void(tk::TComponent* Sender, const std::string& Data, bool& Accept)>;
using TBeforeHeaderSendEvent = std::function<void(tk::TComponent* Sender, const std::string& Method,
                                                  std::vector<std::string>& Headers)>;
using THttpCommandEvent = std::function<void(tk::TComponent* Sender, std::string& Line)>;
using THttpHeaderDataEvent = THttpNotifyEvent;
using THttpStateEvent = THttpNotifyEvent;
using THttpIdleDataEvent = std::function<void(tk::TComponent* Sender, WORD Error)>;
using THttpSocksErrorEvent = TSocksErrorEvent;
using THttpSessionConnected = std::function<void(tk::TComponent* Sender)>;
using THttpTraceEvent = std::function<void(tk::TComponent* Sender, const std::string& Text)>;

class THttpCli : public tk::TComponent, public tk::TWindowTarget {
public:
    explicit THttpCli(tk::TComponent* owner);
    ~THttpCli() override;

    void Get() { RunRequest(httpGET); }
    void Post() { RunRequest(httpPOST); }
    void Head() { RunRequest(httpHEAD); }
    void GetASync() { BeginRequest(httpGET); }
    void PostASync() { BeginRequest(httpPOST); }
    void HeadASync() { BeginRequest(httpHEAD); }
    // The synchronous GET.
    void Fetch() { RunRequest(httpGET); }
    void RunRequest(THttpRequest kind);
    void BeginRequest(THttpRequest kind);
    // Ends a running request at once; the client goes back to idle.
    void Abort();

    // Published properties.
    std::string URL;
    std::string LocalAddr = "0.0.0.0";
    std::string Proxy;
    std::string ProxyPort = "80";
    std::string Sender;
    std::string Agent = "Mozilla/3.0 (compatible)";
    std::string Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    std::string AcceptLanguage;
    std::string Reference;
    std::string Username;
    std::string Password;
    std::string ProxyUsername;
    std::string ProxyPassword;
    bool NoCache = false;
    double ModifiedSince = 0; // a date-time; 0 = none
    std::string Cookie;
    std::string ContentTypePost = "application/x-www-form-urlencoded";
    std::string ContentRangeBegin;
    std::string ContentRangeEnd;
    const std::string& AcceptRanges() const { return acceptRanges_; }
    bool MultiThreaded() const { return multiThreaded_; }
    void SetMultiThreaded(bool value);
    // SOCKS settings live on the socket.
    std::string SocksServer() const { return socket_->SocksServer(); }
    void SetSocksServer(const std::string& value) { socket_->SetSocksServer(value); }
    std::string SocksLevel() const { return socket_->SocksLevel(); }
    void SetSocksLevel(const std::string& value) { socket_->SetSocksLevel(value); }
    std::string SocksPort() const { return socket_->SocksPort(); }
    void SetSocksPort(const std::string& value) { socket_->SetSocksPort(value); }
    std::string SocksUsercode() const { return socket_->SocksUsercode; }
    void SetSocksUsercode(const std::string& value) { socket_->SocksUsercode = value; }
    std::string SocksPassword() const { return socket_->SocksPassword; }
    void SetSocksPassword(const std::string& value) { socket_->SocksPassword = value; }
    TSocksAuthentication SocksAuthentication() const { return socket_->SocksAuthentication; }
    void SetSocksAuthentication(TSocksAuthentication value) {
        socket_->SocksAuthentication = value;
    }

    // Bounds chosen for users: redirections followed per request, and the
    // longest wait of RunRequest in milliseconds (0: no limit).
    int MaxRedirections = 10;
    DWORD RequestTimeout = 30000;

    // Public state.
    tk::TStream* ReceiveStream = nullptr;
    tk::TStream* PostStream = nullptr;
    int ResponseCode() const { return statusCode_; }
    const std::string& ResponseReason() const { return reasonPhrase_; }
    long long BodyLength() const { return contentLength_; }
    const std::string& BodyType() const { return contentType_; }
    const std::string& SuggestedFileName() const { return docName_; }
    const std::string& RedirectURL() const { return location_; }
    const std::vector<std::string>& ResponseHeaderLines() const { return rcvdHeader_; }
    const std::vector<std::string>& AuthChallenges() const { return authChallenges_; }
    WORD DoneError() const { return requestDoneError_; }
    long long BodyByteCount() const { return rcvdCount_; }
    long long PostedByteCount() const { return sentCount_; }
    THttpClientState State() const { return state_; }
    TWSocket& CtrlSocket() { return *socket_; }
    HWND Handle() const { return windowHandle_; }

    // Events.
    THttpSessionConnected OnSessionConnected;
    THttpHeaderDataEvent OnHeaderData;
    THttpCommandEvent OnCommand;
    THttpNotifyEvent OnHeaderBegin;
    THttpNotifyEvent OnHeaderEnd;
    THttpNotifyEvent OnRequestHeaderBegin;
    THttpNotifyEvent OnRequestHeaderEnd;
    THttpNotifyEvent OnDocBegin;
    TDocDataEvent OnDocData;
    THttpNotifyEvent OnDocEnd;
    THttpNotifyEvent OnSendBegin;
    TDocDataEvent OnSendData;
    THttpNotifyEvent OnSendEnd;
    THttpStateEvent OnStateChange;
    THttpRequestDone OnRequestDone;
    THttpNotifyEvent OnLocationChange;
    TCookieRcvdEvent OnCookie;
    THttpSessionConnected OnSocksConnected;
    THttpSocksErrorEvent OnSocksError;
    THttpNotifyEvent OnSocketError;
    TBeforeHeaderSendEvent OnBeforeHeaderSend;
    THttpTraceEvent OnTrace;               // kept, never raised
    TSocksAuthStateEvent OnSocksAuthState; // kept, never raised
    THttpIdleDataEvent OnIdleData;
    // The last header line received (for OnHeaderData).
    const std::string& LastResponse() const { return lastResponse_; }

private:
    using LineHandler = void (THttpCli::*)();

    // The messages of the client's hidden window.
    void WindowMessage(HWND window, tk::TMessage& message) override;
    void WndMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void BindSocketEvents();
    void StateChange(THttpClientState newState);
    void SetReady();
    void Login();
    void SendRequest(const std::string& method, const std::string& version);
    void SendCommand(const std::string& line);
    void PumpOnce();
    void Timeout();
    void AbortSocketQuietly();
    void EndWithFailure(WORD error, const std::string& reason);

    // Socket events.
    void SocketDNSLookupDone(WORD error);
    void SocketSessionConnected(WORD error);
    void SocketSessionClosed(WORD error);
    void SocketDataAvailable(WORD error);
    void SocketDataSent(WORD error);
    void SocketErrorTransfer();
    void SocketBgException(bool& canClose);
    void LocationSessionClosed(WORD error);

    // Line handlers.
    void GetHeaderLineNext();
    void GetBodyLineNext();
    void ProcessBodyBlock(const char* data, int len);
    void NewTargetFromLocation(const std::string& value);

    HWND windowHandle_ = nullptr;
    TWSocket* socket_ = nullptr;
    THttpClientState state_ = hsIdle;
    THttpRequest requestType_ = httpAbort;
    std::string targetHost_, hostName_, targetPort_ = "80", targetPath_, protocol_;
    std::string dnsResult_;
    char receiveBuffer_[8193] = {};
    int receiveLen_ = 0;
    char sendBuffer_[8193] = {};
    tk::TMemoryStream reqStream_;
    bool headerFlag_ = false;
    bool locationFlag_ = false;
    int headerLineCount_ = 0;
    int bodyLineCount_ = 0;
    bool connected_ = false;
    bool sendingPost_ = false;
    LineHandler next_ = nullptr;
    std::string lastResponse_;
    std::string lineEnding_; // the end of the line being handled ("\r\n" or "\n")

    int statusCode_ = 0;
    std::string reasonPhrase_;
    long long contentLength_ = -1;
    std::string contentType_;
    std::string docName_;
    std::string location_;
    std::vector<std::string> rcvdHeader_;
    std::vector<std::string> authChallenges_;
    WORD requestDoneError_ = 0;
    long long rcvdCount_ = 0;
    long long sentCount_ = 0;
    std::string acceptRanges_;
    bool multiThreaded_ = false;
    int redirections_ = 0;
    // Each request has its own number: a deferred "set idle" of an earlier
    // request never ends a later one.
    std::uint32_t requestSerial_ = 0;
    bool readyPending_ = false;
    bool socketError_ = false;    // the socket reported a failure through its error hook
    bool lookupAnswered_ = false; // the lookup of this connection has been answered
    bool docEndRaised_ = false;
};
