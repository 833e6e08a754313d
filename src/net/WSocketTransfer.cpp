// The socket's data: received data handed to OnDataAvailable (or thrown
// away when nobody reads), the send queue of buffers that leave as WinSock
// takes them, and the plain receiving calls.
#include "net/WSocket.h"
#include "net/WinsockApi.h"

#include <cstring>

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
