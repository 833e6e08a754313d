// The line layer of the socket (data delivered one line at a time) and the
// synchronous socket that waits for a line, pumping messages.
#include "net/WSocket.h"

#include <algorithm>
#include <cstring>

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
