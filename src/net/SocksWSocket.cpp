// The SOCKS layer of the socket: SOCKS 4, 4A and 5 negotiation with the
// server named by SocksServer before the connection is told as made.
#include "net/WSocket.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// TCustomSocksWSocket

namespace {

// SOCKS failures, told by OnSocksError.
constexpr int socksProtocolError = 20001;
constexpr int socksVersionError = 20002;
constexpr int socksAuthMethodError = 20003;
constexpr int socksGeneralFailure = 20004;
constexpr int socksConnectionNotAllowed = 20005;
constexpr int socksNetworkUnreachable = 20006;
constexpr int socksHostUnreachable = 20007;
constexpr int socksConnectionRefused = 20008;
constexpr int socksTtlExpired = 20009;
constexpr int socksUnknownCommand = 20010;
constexpr int socksUnknownAddressType = 20011;
constexpr int socksUnassignedError = 20012;
constexpr int socksAuthenticationFailed = 20015;
constexpr int socksRejectedOrFailed = 20016;

bool ValidSocksLevel(const std::string& level) {
    return level == "4" || level == "4A" || level == "4a" || level == "5";
}

} // namespace

TCustomSocksWSocket::TCustomSocksWSocket(tk::TComponent* owner) : TCustomWSocket(owner) {
    socksLevel_ = "5";
    socksServer_.clear();
    socksPort_.clear();
}

void TCustomSocksWSocket::AssignDefaultValue() {
    TCustomWSocket::AssignDefaultValue();
    // The SOCKS server, port and level stay as set: a connection made after
    // a close (a redirection, a second request) must go the same way.
    useSocks_ = false;
    step_ = Step::None;
    socksReply_.clear();
}

void TCustomSocksWSocket::SetSocksServer(const std::string& value) {
    if (!ClosedOrRaise("Can't change socks server if not closed"))
        return;
    socksServer_ = tk::TrimBlanks(value);
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value) {
    if (!ClosedOrRaise("Can't change socks port if not closed"))
        return;
    socksPort_ = tk::TrimBlanks(value);
}

void TCustomSocksWSocket::SetSocksLevel(const std::string& value) {
    if (!ClosedOrRaise("Can't change socks level if not closed"))
        return;
    if (!ValidSocksLevel(value)) {
        RaiseException("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    socksLevel_ = value == "4a" ? "4A" : value;
}

void TCustomSocksWSocket::Listen() {
    if (!socksServer_.empty()) {
        RaiseException("Listening is not supported thru socks server");
        return;
    }
    TCustomWSocket::Listen();
}

void TCustomSocksWSocket::Connect() {
    if (socksServer_.empty()) {
        TCustomWSocket::Connect();
        return;
    }
    std::string proto = tk::LowerCase(tk::TrimBlanks(Proto()));
    if (proto != "tcp" && proto != "6") {
        RaiseException("tcp is the only protocol supported thru socks server");
        return;
    }
    if (Port().empty() || Addr().empty()) {
        TCustomWSocket::Connect(); // the usual refusals
        return;
    }
    destHost_ = Addr();
    destPort_ = Port();
    try {
        destPortNum_ = WSocketResolvePort(destPort_, "tcp");
        destAddr_ = 0;
        // SOCKS 4 carries only an address; 4A and 5 may pass the name on.
        if (socksLevel_ == "4" || WSocketIsDottedIP(destHost_))
            destAddr_ = WSocketResolveHost(destHost_);
    } catch (const ESocketException& e) {
        RaiseException("connect: " + e.Message());
        return;
    }
    SetAddr(socksServer_);
    SetPort(socksPort_.empty() ? "1080" : socksPort_);
    useSocks_ = true;
    step_ = Step::None;
    socksReply_.clear();
    TCustomWSocket::Connect();
    if (State() == wsClosed)
        useSocks_ = false;
}

void TCustomSocksWSocket::SocksSend(const std::string& bytes) {
    Send(bytes.data(), static_cast<int>(bytes.size()));
}

void TCustomSocksWSocket::TriggerSessionConnected(WORD error) {
    if (!useSocks_ || step_ == Step::Done) {
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    if (error) {
        useSocks_ = false;
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    socksReply_.clear();
    if (socksLevel_ == "5") {
        step_ = Step::Auth;
        if (SocksAuthentication == socksAuthenticateUsercode)
            SocksSend(std::string("\x05\x02\x00\x02", 4));
        else
            SocksSend(std::string("\x05\x01\x00", 3));
    } else {
        SocksRequest();
    }
}

void TCustomSocksWSocket::SocksRequest() {
    step_ = Step::Request;
    socksReply_.clear();
    std::string port(reinterpret_cast<const char*>(&destPortNum_), 2); // network order
    if (socksLevel_ == "5") {
        std::string request("\x05\x01\x00", 3);
        if (destAddr_ != 0 || WSocketIsDottedIP(destHost_)) {
            request += '\x01';
            request.append(reinterpret_cast<const char*>(&destAddr_), 4);
        } else {
            request += '\x03';
            request += static_cast<char>(std::min<std::size_t>(destHost_.size(), 255));
            request += destHost_.substr(0, 255);
        }
        request += port;
        SocksSend(request);
        return;
    }
    std::string request("\x04\x01", 2);
    request += port;
    bool byName = socksLevel_ == "4A" && destAddr_ == 0;
    if (byName)
        request.append("\x00\x00\x00\x01", 4); // 0.0.0.x: the name follows
    else
        request.append(reinterpret_cast<const char*>(&destAddr_), 4);
    request += SocksUsercode;
    request += '\0';
    if (byName) {
        request += destHost_;
        request += '\0';
    }
    SocksSend(request);
}

void TCustomSocksWSocket::SocksFail(int error, const std::string& msg) {
    step_ = Step::None;
    useSocks_ = false;
    TriggerSocksError(error, msg);
    InternalClose(true, static_cast<WORD>(error));
}

bool TCustomSocksWSocket::TriggerDataAvailable(WORD error) {
    if (!useSocks_ || step_ == Step::Done || step_ == Step::None)
        return TCustomWSocket::TriggerDataAvailable(error);
    SocksDataAvailable();
    return true;
}

void TCustomSocksWSocket::SocksDataAvailable() {
    // Reads only what the negotiation needs: what follows belongs to the
    // application.
    auto need = [&](std::size_t total) {
        while (socksReply_.size() < total) {
            char buffer[300];
            int want =
                static_cast<int>(std::min<std::size_t>(total - socksReply_.size(), sizeof buffer));
            int n = DoRecv(buffer, want, 0);
            if (n <= 0)
                return false;
            socksReply_.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    };
    auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(socksReply_[i]);
    };

    switch (step_) {
    case Step::Auth:
        if (!need(2))
            return;
        if (byte(0) != 5) {
            SocksFail(socksVersionError, "Socks version error");
            return;
        }
        if (byte(1) == 0x00) {
            TriggerSocksAuthState(socksAuthNotRequired);
            SocksRequest();
        } else if (byte(1) == 0x02 && SocksAuthentication == socksAuthenticateUsercode) {
            step_ = Step::UserPass;
            socksReply_.clear();
            TriggerSocksAuthState(socksAuthStart);
            std::string user = SocksUsercode.substr(0, 255), pass = SocksPassword.substr(0, 255);
            std::string request("\x01", 1);
            request += static_cast<char>(user.size());
            request += user;
            request += static_cast<char>(pass.size());
            request += pass;
            SocksSend(request);
        } else {
            SocksFail(socksAuthMethodError, "Authentication method not acceptable");
        }
        return;
    case Step::UserPass:
        if (!need(2))
            return;
        if (byte(1) != 0) {
            TriggerSocksAuthState(socksAuthFailure);
            SocksFail(socksAuthenticationFailed, "Authentication failed");
            return;
        }
        TriggerSocksAuthState(socksAuthSuccess);
        SocksRequest();
        return;
    case Step::Request:
        if (socksLevel_ == "5") {
            if (!need(5))
                return;
            if (byte(0) != 5) {
                SocksFail(socksVersionError, "Socks version error");
                return;
            }
            if (byte(1) != 0) {
                static const std::pair<int, const char*> reasons[] = {
                    {socksGeneralFailure, "General SOCKS server failure"},
                    {socksConnectionNotAllowed, "Connection not allowed by ruleset"},
                    {socksNetworkUnreachable, "Network unreachable"},
                    {socksHostUnreachable, "Host unreachable"},
                    {socksConnectionRefused, "Connection refused"},
                    {socksTtlExpired, "TTL expired"},
                    {socksUnknownCommand, "Command not supported"},
                    {socksUnknownAddressType, "Address type not supported"}};
                int code = byte(1);
                if (code >= 1 && code <= 8)
                    SocksFail(reasons[code - 1].first, reasons[code - 1].second);
                else
                    SocksFail(socksUnassignedError, "Unassigned error code");
                return;
            }
            std::size_t total;
            switch (byte(3)) {
            case 1:
                total = 4 + 4 + 2;
                break;
            case 3:
                total = 4 + 1 + byte(4) + 2;
                break;
            case 4:
                total = 4 + 16 + 2;
                break;
            default:
                SocksFail(socksUnknownAddressType, "Address type not supported");
                return;
            }
            if (!need(total))
                return;
        } else {
            if (!need(8))
                return;
            if (byte(0) != 0) {
                SocksFail(socksProtocolError, "Socks protocol error");
                return;
            }
            if (byte(1) != 90) {
                SocksFail(socksRejectedOrFailed, "Request rejected or failed");
                return;
            }
        }
        step_ = Step::Done;
        socksReply_.clear();
        TriggerSocksConnected(0);
        TCustomWSocket::TriggerSessionConnected(0);
        return;
    default:
        return;
    }
}

void TCustomSocksWSocket::TriggerSessionClosed(WORD error) {
    if (useSocks_ && step_ != Step::Done && step_ != Step::None) {
        if (step_ == Step::UserPass)
            TriggerSocksAuthState(socksAuthFailure);
        step_ = Step::None;
        TriggerSocksError(socksProtocolError, "Connection closed during SOCKS negotiation");
    }
    TCustomWSocket::TriggerSessionClosed(error);
}

void TCustomSocksWSocket::TriggerSocksConnected(WORD error) {
    if (OnSocksConnected)
        OnSocksConnected(this, error);
}

void TCustomSocksWSocket::TriggerSocksError(int error, const std::string& msg) {
    if (OnSocksError)
        OnSocksError(this, error, msg);
}

void TCustomSocksWSocket::TriggerSocksAuthState(TSocksAuthState state) {
    if (OnSocksAuthState)
        OnSocksAuthState(this, state);
}
