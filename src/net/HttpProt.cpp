#include "net/HttpProt.h"

#include "toolkit/Application.h"
#include "toolkit/UtilWindow.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace {

constexpr const char* httpWindowClass = "XHttpCliWindowClass";
// The live clients share one window class, which goes with the last of
// them; clients may live on more than one thread.
std::atomic<int> liveClients{0};

} // namespace

// ---------------------------------------------------------------------------
// THttpCli

THttpCli::THttpCli(tk::TComponent* owner) : tk::TComponent(owner) {
    windowHandle_ = tk::CreateHiddenWindow(httpWindowClass, *this);
    if (!windowHandle_)
        throw EHttpException("Cannot create a hidden window for THttpCli", 0);
    ++liveClients;
    try {
        socket_ = new TWSocket(this);
    } catch (...) {
        tk::DestroyHiddenWindow(windowHandle_);
        --liveClients;
        throw;
    }
    ProxyPort = "80";
    ContentTypePost = "application/x-www-form-urlencoded";
    Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    Agent = "Mozilla/3.0 (compatible)";
    authChallenges_.clear();
    BindSocketEvents();
    // One recv per read notice. WinSock posts the next notice after every
    // recv that leaves data behind, so a loop over the waiting bytes would
    // only add an FIONREAD per block and, for each block it took ahead, a
    // notice answered by a recv of nothing; under Wine each of those is a
    // round through the wine server. The close notice still takes what is
    // left before the end is told.
    socket_->ComponentOptions = wsoNoReceiveLoop;
    rcvdHeader_.clear();
    state_ = hsIdle;
    LocalAddr = "0.0.0.0";
}

THttpCli::~THttpCli() {
    // The socket must not call back into a client that is going away.
    socket_->OnSessionClosed = nullptr;
    socket_->OnDataAvailable = nullptr;
    socket_->OnSessionConnected = nullptr;
    socket_->OnDataSent = nullptr;
    socket_->OnDnsLookupDone = nullptr;
    socket_->OnSocksError = nullptr;
    socket_->OnSocksConnected = nullptr;
    socket_->OnError = nullptr;
    socket_->OnBgException = nullptr;
    delete socket_;
    socket_ = nullptr;
    tk::DestroyHiddenWindow(windowHandle_);
    if (--liveClients == 0)
        UnregisterClassA(httpWindowClass, GetModuleHandleA(nullptr));
}

void THttpCli::BindSocketEvents() {
    socket_->OnSessionClosed = [this](tk::TComponent*, WORD e) {
        SocketSessionClosed(e);
    };
    socket_->OnDataAvailable = [this](tk::TComponent*, WORD e) {
        SocketDataAvailable(e);
    };
    socket_->OnSessionConnected = [this](tk::TComponent*, WORD e) {
        SocketSessionConnected(e);
    };
    socket_->OnDataSent = [this](tk::TComponent*, WORD e) {
        SocketDataSent(e);
    };
    socket_->OnDnsLookupDone = [this](tk::TComponent*, WORD e) {
        SocketDNSLookupDone(e);
    };
    socket_->OnSocksError = [this](tk::TComponent*, int error, const std::string& msg) {
        requestDoneError_ = static_cast<WORD>(error);
        statusCode_ = 404;
        reasonPhrase_ = msg;
        if (OnSocksError)
            OnSocksError(this, error, msg);
    };
    socket_->OnSocksConnected = [this](tk::TComponent*, WORD e) {
        if (OnSocksConnected && e == 0)
            OnSocksConnected(this);
    };
    socket_->OnError = [this](tk::TComponent*) {
        SocketErrorTransfer();
    };
    socket_->OnBgException = [this](tk::TComponent*, const std::exception&, bool& canClose) {
        SocketBgException(canClose);
    };
}

void THttpCli::SetMultiThreaded(bool value) {
    multiThreaded_ = value;
    socket_->MultiThreaded = value;
}

void THttpCli::WindowMessage(HWND window, tk::TMessage& message) {
    if (message.Msg != WM_HTTP_REQUEST_DONE && message.Msg != WM_HTTP_SET_READY &&
        message.Msg != WM_HTTP_LOGIN) {
        message.Result = DefWindowProcA(window, message.Msg, message.WParam, message.LParam);
        return;
    }
    try {
        WndMessage(message.Msg, message.WParam, message.LParam);
    } catch (const std::exception& e) {
        // Handlers of OnRequestDone and OnStateChange run here: their
        // failures go to the application, never through the window procedure.
        tk::ReportException(this, e);
    } catch (...) {
    }
}

void THttpCli::WndMessage(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_HTTP_REQUEST_DONE:
        if (OnRequestDone)
            OnRequestDone(this, requestType_, requestDoneError_);
        break;
    case WM_HTTP_SET_READY:
        if (static_cast<std::uint32_t>(wParam) != requestSerial_)
            break; // an earlier request's
        readyPending_ = false;
        StateChange(hsIdle);
        break;
    case WM_HTTP_LOGIN:
        if (static_cast<std::uint32_t>(wParam) == requestSerial_ && state_ != hsIdle &&
            !readyPending_)
            Login();
        break;
    }
}

void THttpCli::StateChange(THttpClientState newState) {
    if (state_ == newState)
        return;
    state_ = newState;
    if (OnStateChange)
        OnStateChange(this);
    if (newState == hsIdle)
        PostMessageA(windowHandle_, WM_HTTP_REQUEST_DONE, 0, 0);
}

void THttpCli::SetReady() {
    if (readyPending_)
        return;
    readyPending_ = true;
    PostMessageA(windowHandle_, WM_HTTP_SET_READY, static_cast<WPARAM>(requestSerial_), 0);
}

void THttpCli::AbortSocketQuietly() {
    socket_->OnSessionClosed = nullptr;
    socket_->OnDnsLookupDone = nullptr;
    socket_->OnDataAvailable = nullptr;
    socket_->OnSessionConnected = nullptr;
    socket_->OnError = nullptr;
    try {
        socket_->Abort();
    } catch (...) {
    }
    BindSocketEvents();
}

void THttpCli::EndWithFailure(WORD error, const std::string& reason) {
    requestDoneError_ = error;
    statusCode_ = 404;
    reasonPhrase_ = reason;
    AbortSocketQuietly();
    SocketSessionClosed(error);
}

void THttpCli::Abort() {
    if (state_ == hsIdle)
        return;
    AbortSocketQuietly();
    connected_ = false;
    headerFlag_ = false;
    locationFlag_ = false;
    SetReady();
}

// --- starting ----------------------------------------------------------------

void THttpCli::BeginRequest(THttpRequest kind) {
    if (state_ != hsIdle)
        throw EHttpException("HTTP component is busy", 1);
    if (kind == httpPOST && !PostStream)
        throw EHttpException("HTTP component has nothing to post", 2);
    ++requestSerial_;
    readyPending_ = false;
    redirections_ = 0;
    // A connection that an earlier request left open is let go first.
    if (socket_->State() != wsClosed)
        AbortSocketQuietly();
    socket_->OnSessionClosed = [this](tk::TComponent*, WORD e) {
        SocketSessionClosed(e);
    };
    StateChange(hsStarting);
    requestType_ = kind;

    rcvdHeader_.clear();
    requestDoneError_ = 0;
    docName_.clear();
    statusCode_ = 0;
    reasonPhrase_.clear();
    rcvdCount_ = 0;
    sentCount_ = 0;
    headerLineCount_ = 0;
    bodyLineCount_ = 0;
    contentLength_ = -1;
    contentType_.clear();
    sendingPost_ = false;
    headerFlag_ = false;
    locationFlag_ = false;
    receiveLen_ = 0;
    location_ = URL;

    std::string proto, user, pass, host, port, path;
    ParseURL(URL, proto, user, pass, host, port, path);
    hostName_ = host;
    if (!user.empty()) {
        Username = user;
        Password = pass;
    }
    if (Proxy.empty()) {
        targetPath_ = path;
        targetHost_ = host;
        targetPort_ = port.empty() ? "80" : port;
    } else {
        targetPath_ = (proto.empty() ? "http" : proto) + "://" + host +
                      (port.empty() ? "" : ":" + port) + (path.empty() ? "/" : path);
        std::string pproto, puser, ppass, phost, pport, ppath;
        ParseURL(Proxy, pproto, puser, ppass, phost, pport, ppath);
        targetHost_ = phost.empty() ? Proxy : phost;
        targetPort_ = pport.empty() ? ProxyPort : pport;
    }
    protocol_ = proto.empty() ? "http" : proto;
    if (targetPath_.empty())
        targetPath_ = "/";
    docName_ = SuggestedFileNameOf(path);
    Login();
}

void THttpCli::Login() {
    dnsResult_.clear();
    receiveLen_ = 0;
    StateChange(hsResolving);
    bool failed = false;
    std::string why;
    socketError_ = false;
    lookupAnswered_ = false;
    try {
        socket_->SetLocalAddr(LocalAddr);
        socket_->DnsLookup(targetHost_);
    } catch (const std::exception& e) {
        failed = true;
        why = e.what();
    }
    if (failed) {
        statusCode_ = 404;
        reasonPhrase_ = why;
        connected_ = false;
        StateChange(hsIdle);
        return;
    }
    if (socketError_ && !lookupAnswered_) {
        // The lookup could not even start, and nothing will answer it.
        connected_ = false;
        EndWithFailure(static_cast<WORD>(socket_->LastError()),
                       socket_->LastErrorText().empty() ? "can't resolve hostname to IP address"
                                                        : socket_->LastErrorText());
    }
}

void THttpCli::SocketDNSLookupDone(WORD error) {
    lookupAnswered_ = true;
    if (error) {
        requestDoneError_ = error;
        statusCode_ = 404;
        reasonPhrase_ = "can't resolve hostname to IP address";
        SocketSessionClosed(error);
        return;
    }
    dnsResult_ = socket_->DnsResult();
    StateChange(hsResolved);
    socketError_ = false;
    bool raised = false;
    try {
        socket_->SetAddr(dnsResult_);
        socket_->SetLocalAddr(LocalAddr);
        socket_->SetPort(targetPort_);
        socket_->SetProto("tcp");
        socket_->Connect();
    } catch (const std::exception&) {
        raised = true;
    }
    // A failure told through the error hook leaves no connect notification
    // to come: the request ends here, as when the call raises.
    if (raised || (socketError_ && socket_->State() != wsConnecting && state_ == hsResolved)) {
        int last = socket_->LastError();
        std::string reason = last ? "can't connect: " + WSocketErrorDesc(last) + " (Error #" +
                                        tk::IntToStr(last) + ")"
                                  : "can't connect: " + socket_->LastErrorText();
        connected_ = false;
        EndWithFailure(static_cast<WORD>(last), reason);
    }
}

void THttpCli::SocketErrorTransfer() {
    socketError_ = true;
    if (OnSocketError)
        OnSocketError(this);
}

void THttpCli::SocketBgException(bool& canClose) {
    // A handler failed inside a notification: the socket aborts the
    // connection, and the request must still come to its end.
    canClose = true;
    connected_ = false;
    headerFlag_ = false;
    locationFlag_ = false;
    if (state_ != hsIdle)
        SetReady();
}

void THttpCli::SocketSessionConnected(WORD error) {
    if (error) {
        requestDoneError_ = error;
        statusCode_ = 404;
        reasonPhrase_ = WSocketErrorDesc(error) + " (Error #" + tk::IntToStr(error) + ")";
        SocketSessionClosed(error);
        return;
    }
    connected_ = true;
    StateChange(hsSessionOpen);
    if (OnSessionConnected)
        OnSessionConnected(this);
    next_ = &THttpCli::GetHeaderLineNext;
    StateChange(hsAwaitingHeader);
    try {
        const char* method = requestType_ == httpPOST   ? "POST"
                             : requestType_ == httpHEAD ? "HEAD"
                                                        : "GET";
        SendRequest(method, "1.0");
        if (requestType_ == httpPOST) {
            if (OnSendBegin)
                OnSendBegin(this);
            sendingPost_ = true;
            SocketDataSent(0);
        }
    } catch (...) {
        connected_ = false;
        socket_->Close();
    }
}

// --- the request -------------------------------------------------------------

void THttpCli::SendCommand(const std::string& line) {
    std::string text = line;
    if (OnCommand)
        OnCommand(this, text);
    if (!text.empty())
        reqStream_.WriteBuffer(text.data(), text.size());
    reqStream_.WriteBuffer("\r\n", 2);
}

void THttpCli::SendRequest(const std::string& method, const std::string& version) {
    reqStream_.Clear();
    if (OnRequestHeaderBegin)
        OnRequestHeaderBegin(this);
    std::vector<std::string> headers;
    headers.push_back(method + " " + targetPath_ + " HTTP/" + version);
    if (!Sender.empty())
        headers.push_back("From: " + Sender);
    if (!Accept.empty())
        headers.push_back("Accept: " + Accept);
    if (!Reference.empty())
        headers.push_back("Referer: " + Reference);
    if (!AcceptLanguage.empty())
        headers.push_back("Accept-Language: " + AcceptLanguage);
    if (requestType_ == httpPOST && !ContentTypePost.empty())
        headers.push_back("Content-Type: " + ContentTypePost);
    if (!Agent.empty())
        headers.push_back("User-Agent: " + Agent);
    headers.push_back("Host: " + hostName_);
    if (NoCache)
        headers.push_back("Pragma: no-cache");
    if (requestType_ == httpPOST)
        headers.push_back("Content-Length: " + tk::IntToStr(PostStream ? PostStream->Size() : 0));
    if (ModifiedSince != 0)
        headers.push_back("If-Modified-Since: " + RFC1123Date(ModifiedSince) + " GMT");
    if (!Username.empty())
        headers.push_back("Authorization: Basic " + EncodeStr64(Username + ":" + Password));
    if (!Proxy.empty() && !ProxyUsername.empty())
        headers.push_back("Proxy-Authorization: Basic " +
                          EncodeStr64(ProxyUsername + ":" + ProxyPassword));
    if (!Cookie.empty())
        headers.push_back("Cookie: " + Cookie);
    if (!ContentRangeBegin.empty() || !ContentRangeEnd.empty()) {
        headers.push_back("Range: bytes=" + ContentRangeBegin + "-" + ContentRangeEnd);
        ContentRangeBegin.clear();
        ContentRangeEnd.clear();
    }
    acceptRanges_.clear();
    if (OnBeforeHeaderSend)
        OnBeforeHeaderSend(this, method, headers);
    for (const auto& line : headers)
        SendCommand(line);
    if (OnRequestHeaderEnd)
        OnRequestHeaderEnd(this);
    SendCommand("");
    socket_->Send(reqStream_.Memory(), static_cast<int>(reqStream_.Size()));
    reqStream_.Clear();
}

void THttpCli::SocketDataSent(WORD) {
    if (!sendingPost_)
        return;
    std::size_t n = PostStream ? PostStream->Read(sendBuffer_, sizeof sendBuffer_) : 0;
    if (n > 0) {
        sentCount_ += static_cast<long long>(n);
        if (OnSendData)
            OnSendData(this, sendBuffer_, static_cast<int>(n));
        socket_->Send(sendBuffer_, static_cast<int>(n));
    } else {
        sendingPost_ = false;
        if (OnSendEnd)
            OnSendEnd(this);
    }
}

// --- receiving ---------------------------------------------------------------

void THttpCli::SocketDataAvailable(WORD error) {
    int room = 8192 - receiveLen_;
    if (room <= 0) {
        // A line that fills the buffer cannot be kept. What arrives is read
        // and dropped all the same: WinSock tells of more data only after a
        // recv, and of the server's close only once nothing is left unread,
        // so data left waiting here would hold the request until its timeout.
        char dropped[8192];
        socket_->Receive(dropped, sizeof dropped);
        throw EHttpException("HTTP line too long", 4);
    }
    int n = socket_->Receive(receiveBuffer_ + receiveLen_, room);
    if (requestType_ == httpAbort || n <= 0)
        return;
    receiveLen_ += n;
    receiveBuffer_[receiveLen_] = '\0';

    if (state_ == hsReceivingBody) {
        int len = receiveLen_;
        receiveLen_ = 0;
        if (next_)
            ProcessBodyBlock(receiveBuffer_, len);
        else
            SetReady();
        return;
    }
    while (receiveLen_ > 0) {
        auto* lf = static_cast<char*>(
            std::memchr(receiveBuffer_, '\n', static_cast<std::size_t>(receiveLen_)));
        if (!lf)
            break;
        int lineLen = static_cast<int>(lf - receiveBuffer_);
        int end = lineLen;
        if (end > 0 && receiveBuffer_[end - 1] == '\r')
            --end;
        lastResponse_.assign(receiveBuffer_, static_cast<std::size_t>(end));
        lineEnding_.assign(receiveBuffer_ + end, static_cast<std::size_t>(lineLen + 1 - end));
        receiveLen_ -= lineLen + 1;
        std::memmove(receiveBuffer_, lf + 1, static_cast<std::size_t>(receiveLen_) + 1);
        if (state_ == hsAwaitingHeader || state_ == hsReceivingBody) {
            if (next_)
                (this->*next_)();
            else
                SetReady();
        } else if (OnIdleData) {
            OnIdleData(this, error);
        }
        if (state_ == hsReceivingBody) {
            // The header is over: what follows is body as it stands, line
            // ends included.
            if (receiveLen_ > 0 && next_ == &THttpCli::GetBodyLineNext) {
                int len = receiveLen_;
                receiveLen_ = 0;
                ProcessBodyBlock(receiveBuffer_, len);
            }
            break;
        }
    }
}

void THttpCli::NewTargetFromLocation(const std::string& value) {
    bool absolute = StartsWithNoCase(value, "http://");
    if (!absolute && value.find("://") != std::string::npos &&
        std::all_of(value.begin(), value.begin() + static_cast<long>(value.find("://")),
                    ValidSchemeChar)) {
        // Another scheme (https, ftp, ...) cannot be followed by this client.
        locationFlag_ = false;
        return;
    }
    if (Proxy.empty()) {
        if (value.starts_with("/")) {
            targetPath_ = value;
            location_ = "http://" + targetHost_ + targetPath_;
        } else if (!absolute) {
            targetPath_ = BaseOfURL(targetPath_) + value;
            location_ =
                "http://" + targetHost_ + (targetPath_.starts_with("/") ? "" : "/") + targetPath_;
        } else {
            std::string proto, user, pass, host, port, path;
            ParseURL(value, proto, user, pass, host, port, path);
            targetHost_ = host;
            targetPort_ = port.empty() ? "80" : port;
            targetPath_ = path.empty() ? "/" : path;
            if (!user.empty() && !pass.empty()) {
                Username = user;
                Password = pass;
            }
            if (!host.empty()) {
                hostName_ = targetHost_;
                location_ = proto + "://" + targetHost_ + targetPath_;
            }
        }
        return;
    }
    // Through a proxy the new address goes into the request path whole; the
    // connection target stays the proxy.
    std::string proto, user, pass, host, port, path = "";
    ParseURL(location_, proto, user, pass, host, port, path);
    if (value.starts_with("/")) {
        targetPath_ = "http://" + hostName_ + value;
    } else if (!absolute) {
        targetPath_ = "http://" + hostName_ + BaseOfURL(path.empty() ? "/" : path) + value;
    } else {
        targetPath_ = value;
        ParseURL(value, proto, user, pass, host, port, path);
        if (!host.empty())
            hostName_ = host;
    }
    location_ = targetPath_;
}

void THttpCli::GetHeaderLineNext() {
    const std::string& line = lastResponse_;
    if (headerLineCount_ == 0) {
        headerFlag_ = true;
        if (OnHeaderBegin)
            OnHeaderBegin(this);
    }
    ++headerLineCount_;

    if (line.size() >= 6 && tk::UpperCase(line.substr(0, 6)) == "<HTML>") {
        // A server that sends no header: the document starts here.
        if (contentType_.empty())
            contentType_ = "text/html";
        StateChange(hsReceivingBody);
        next_ = &THttpCli::GetBodyLineNext;
        headerFlag_ = false;
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        std::string block = line + lineEnding_;
        ProcessBodyBlock(block.data(), static_cast<int>(block.size()));
        return;
    }

    if (!line.empty()) {
        rcvdHeader_.push_back(line);
        if (line.starts_with("HTTP/1.0") || line.starts_with("HTTP/1.1")) {
            statusCode_ = StatusCodeOf(line);
            reasonPhrase_ = line.size() >= 14 ? line.substr(13) : "";
        } else if (auto colon = line.find(':'); colon != std::string::npos) {
            std::string name = tk::LowerCase(line.substr(0, colon));
            std::string value = line.substr(colon + 1);
            value.erase(0, std::min(value.find_first_not_of(' '), value.size()));
            if (name == "location") {
                locationFlag_ = true;
                NewTargetFromLocation(value);
            } else if (name == "content-length") {
                contentLength_ = ParseDecimal(value);
            } else if (name == "content-range") {
                // "bytes 100-199/1000"
                std::string range = value.size() > 6 ? value.substr(6) : "";
                auto dash = range.find('-');
                ContentRangeBegin = range.substr(0, dash);
                if (dash != std::string::npos) {
                    auto slash = range.find('/', dash);
                    ContentRangeEnd =
                        range.substr(dash + 1, slash == std::string::npos ? std::string::npos
                                                                          : slash - dash - 1);
                } else {
                    ContentRangeEnd.clear();
                }
            } else if (name == "accept-ranges") {
                acceptRanges_ = value;
            } else if (name == "content-type") {
                contentType_ = tk::LowerCase(value);
            } else if (name == "www-authenticate") {
                authChallenges_.push_back(value);
            } else if (name == "set-cookie") {
                bool accept = true;
                if (OnCookie)
                    OnCookie(this, value, accept);
            }
        }
        if (OnHeaderData)
            OnHeaderData(this);
        return;
    }

    // The blank line: the header is complete.
    if (locationFlag_ && redirections_ >= MaxRedirections)
        locationFlag_ = false; // enough: this response is the answer
    if (locationFlag_) {
        headerFlag_ = false;
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        receiveLen_ = 0;
        headerLineCount_ = 0;
        bodyLineCount_ = 0;
        socket_->OnSessionClosed = [this](tk::TComponent*, WORD e) {
            LocationSessionClosed(e);
        };
        socket_->Close();
        return;
    }
    if (contentLength_ != 0) {
        std::string ext;
        auto dot = docName_.rfind('.');
        if (dot != std::string::npos)
            ext = tk::LowerCase(docName_.substr(dot));
        if ((ext == ".exe" || ext.empty()) && contentType_ == "text/html")
            docName_ =
                dot == std::string::npos ? docName_ + ".htm" : docName_.substr(0, dot + 1) + "htm";
        StateChange(hsReceivingBody);
        next_ = &THttpCli::GetBodyLineNext;
        headerFlag_ = false;
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        if (receiveLen_ > 0) {
            int len = receiveLen_;
            receiveLen_ = 0;
            ProcessBodyBlock(receiveBuffer_, len);
        }
        // Of an error response only the bytes that came with the header count.
        if (statusCode_ >= 400)
            socket_->Close();
        return;
    }
    headerFlag_ = false;
    if (OnHeaderEnd)
        OnHeaderEnd(this);
    // Nothing more is expected: the connection is let go now, so that it
    // cannot close under the next request.
    socket_->Close();
    SetReady();
}

void THttpCli::GetBodyLineNext() {
    ProcessBodyBlock(lastResponse_.data(), static_cast<int>(lastResponse_.size()));
}

void THttpCli::ProcessBodyBlock(const char* data, int len) {
    if (bodyLineCount_ == 0) {
        docEndRaised_ = false;
        if (OnDocBegin)
            OnDocBegin(this);
    }
    ++bodyLineCount_;
    rcvdCount_ += len;
    if (ReceiveStream)
        ReceiveStream->WriteBuffer(data, static_cast<std::size_t>(len));
    if (OnDocData)
        OnDocData(this, data, len);
}

// --- the end of a connection ---------------------------------------------------

void THttpCli::SocketSessionClosed(WORD error) {
    if (error)
        requestDoneError_ = error;
    connected_ = false;
    if (headerFlag_) {
        headerFlag_ = false;
        if (OnHeaderEnd)
            OnHeaderEnd(this);
        if (locationFlag_ && redirections_ < MaxRedirections)
            LocationSessionClosed(error);
        else
            SetReady();
        return;
    }
    if (bodyLineCount_ > 0 && !docEndRaised_) {
        docEndRaised_ = true;
        if (OnDocEnd)
            OnDocEnd(this);
    }
    SetReady();
}

void THttpCli::LocationSessionClosed(WORD) {
    ++redirections_;
    std::string url = location_.substr(0, location_.find('#'));
    std::string proto, user, pass, host, port, path;
    ParseURL(url, proto, user, pass, host, port, path);
    docName_ = SuggestedFileNameOf(path);
    connected_ = false;
    locationFlag_ = false;
    if (requestType_ == httpPOST)
        requestType_ = httpGET;
    socket_->OnSessionClosed = [this](tk::TComponent*, WORD e) {
        SocketSessionClosed(e);
    };
    if (OnLocationChange)
        OnLocationChange(this);
    rcvdHeader_.clear();
    headerLineCount_ = 0;
    bodyLineCount_ = 0;
    contentLength_ = -1;
    contentType_.clear();
    statusCode_ = 0;
    if (!Proxy.empty()) {
        std::string pproto, puser, ppass, phost, pport, ppath;
        ParseURL(Proxy, pproto, puser, ppass, phost, pport, ppath);
        targetPort_ = pport.empty() ? ProxyPort : pport;
    }
    PostMessageA(windowHandle_, WM_HTTP_LOGIN, static_cast<WPARAM>(requestSerial_), 0);
}

// --- the synchronous wait ------------------------------------------------------

void THttpCli::PumpOnce() {
    if (!multiThreaded_) {
        for (const tk::TComponent* c = this; c; c = c->Owner())
            if (auto* app = dynamic_cast<const tk::TApplication*>(c)) {
                const_cast<tk::TApplication*>(app)->ProcessMessages();
                return;
            }
    }
    socket_->ProcessMessages();
}

void THttpCli::Timeout() {
    if (readyPending_)
        return;
    AbortSocketQuietly();
    connected_ = false;
    headerFlag_ = false;
    locationFlag_ = false;
    requestDoneError_ = WSAETIMEDOUT;
    statusCode_ = 404;
    reasonPhrase_ = WSocketErrorDesc(WSAETIMEDOUT) + " (Error #" + tk::IntToStr(WSAETIMEDOUT) + ")";
    SetReady();
}

void THttpCli::RunRequest(THttpRequest kind) {
    BeginRequest(kind);
    DWORD start = GetTickCount();
    while (state_ != hsIdle) {
        PumpOnce();
        if (state_ == hsIdle)
            break;
        DWORD elapsed = GetTickCount() - start;
        if (RequestTimeout && elapsed >= RequestTimeout) {
            Timeout();
            continue;
        }
        // Sleeps until a message arrives instead of spinning.
        MsgWaitForMultipleObjects(
            0, nullptr, FALSE, RequestTimeout ? RequestTimeout - elapsed : INFINITE, QS_ALLINPUT);
    }
    if (statusCode_ > 399)
        throw EHttpException(reasonPhrase_, static_cast<WORD>(statusCode_));
}
