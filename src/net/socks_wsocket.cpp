#include "net/socks_wsocket.h"

#include <arpa/inet.h>
#include <algorithm>
#include <cstring>

namespace mondeliar::net {

namespace {

constexpr size_t kMaxSocksReply = 512;  // a SOCKS 5 reply is at most 262 bytes
constexpr uint8_t kSocks5 = 5;
constexpr uint8_t kSocks4 = 4;
constexpr uint8_t kCommandConnect = 1;
constexpr uint8_t kMethodNone = 0x00;
constexpr uint8_t kMethodUserPass = 0x02;
constexpr uint8_t kAddressIPv4 = 1;
constexpr uint8_t kAddressDomain = 3;
constexpr uint8_t kAddressIPv6 = 4;
constexpr uint8_t kSocks4Granted = 90;

bool IsSocksLevel(const std::string& level)
{
    return level == "4" || level == "4A" || level == "4a" || level == "5";
}

}  // namespace

void TCustomSocksWSocket::SetSocksServer(const std::string& value)
{
    if (value == socks_server_ || !MayChange("SocksServer"))
        return;
    socks_server_ = TrimText(value);
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value)
{
    if (value == socks_port_ || !MayChange("SocksPort"))
        return;
    socks_port_ = TrimText(value);
}

void TCustomSocksWSocket::SetSocksLevel(const std::string& value)
{
    if (!IsSocksLevel(value))
        return ReportError("Invalid socks level. Must be 4, 4A or 5.");
    socks_level_ = value == "4a" ? "4A" : value;
}

void TCustomSocksWSocket::ResetDefaults()
{
    TCustomWSocket::ResetDefaults();
    phase_ = Phase::Idle;
    reply_.clear();
    leftover_.clear();
}

void TCustomSocksWSocket::Connect()
{
    if (socks_server_.empty())
        return TCustomWSocket::Connect();
    if (Proto() != "tcp" && Proto() != "6")
        return ReportError("tcp is the only protocol supported thru socks server");
    target_addr_ = Addr();
    target_port_ = Port();
    SetAddr(socks_server_);
    SetPort(socks_port_);
    phase_ = Phase::Idle;
    reply_.clear();
    leftover_.clear();
    TCustomWSocket::Connect();
}

void TCustomSocksWSocket::Listen()
{
    if (!socks_server_.empty())
        return ReportError("Listening is not supported thru socks server");
    TCustomWSocket::Listen();
}

int TCustomSocksWSocket::RcvdCount()
{
    return static_cast<int>(leftover_.size()) + TCustomWSocket::RcvdCount();
}

void TCustomSocksWSocket::FireSessionConnected(int error)
{
    if (socks_server_.empty() || phase_ == Phase::Done || target_addr_.empty())
        return TCustomWSocket::FireSessionConnected(error);
    if (error != 0)
        return TCustomWSocket::FireSessionConnected(error);
    if (socks_level_ == "5")
        SendMethodRequest();
    else
        SendConnectRequest();
}

void TCustomSocksWSocket::SendBytes(const std::string& bytes)
{
    Send(bytes.data(), static_cast<int>(bytes.size()));
}

void TCustomSocksWSocket::SendMethodRequest()
{
    phase_ = Phase::MethodReply;
    if (socks_authentication_ == socksAuthenticateUsercode)
        SendBytes(std::string{static_cast<char>(kSocks5), 2, static_cast<char>(kMethodNone),
                              static_cast<char>(kMethodUserPass)});
    else
        SendBytes(std::string{static_cast<char>(kSocks5), 1, static_cast<char>(kMethodNone)});
}

void TCustomSocksWSocket::SendAuthRequest()
{
    // RFC 1929: version 1, user and password each preceded by its length.
    phase_ = Phase::AuthReply;
    const std::string user = socks_usercode_.substr(0, 255);
    const std::string pass = socks_password_.substr(0, 255);
    std::string bytes(1, '\x01');
    bytes += static_cast<char>(user.size());
    bytes += user;
    bytes += static_cast<char>(pass.size());
    bytes += pass;
    SendBytes(bytes);
}

void TCustomSocksWSocket::SendConnectRequest()
{
    phase_ = Phase::ConnectReply;
    int port = 0;
    try {
        port = WSocketResolvePort(target_port_, "tcp");
    } catch (const ESocketException& error) {
        return Fail(kSocksProtocolError, error.what());
    }
    const std::string port_bytes{static_cast<char>(port >> 8), static_cast<char>(port & 0xff)};
    in_addr address{};
    const bool dotted = ParseDottedAddress(target_addr_, &address);
    auto address_bytes
        = [&address] { return std::string(reinterpret_cast<const char*>(&address.s_addr), 4); };
    std::string bytes;
    if (socks_level_ == "5") {
        bytes = {static_cast<char>(kSocks5), static_cast<char>(kCommandConnect), 0};
        if (dotted) {
            bytes += static_cast<char>(kAddressIPv4);
            bytes += address_bytes();
        } else {
            const std::string name = target_addr_.substr(0, 255);
            bytes += static_cast<char>(kAddressDomain);
            bytes += static_cast<char>(name.size());
            bytes += name;
        }
        return SendBytes(bytes + port_bytes);
    }
    // SOCKS 4: the server needs an address; 4A lets it resolve the name.
    const bool send_name = !dotted && socks_level_ == "4A";
    if (!dotted && !send_name) {
        try {
            address = WSocketResolveHost(target_addr_);
        } catch (const ESocketException& error) {
            return Fail(kSocksProtocolError, error.what());
        }
    }
    bytes = {static_cast<char>(kSocks4), static_cast<char>(kCommandConnect)};
    bytes += port_bytes;
    bytes += send_name ? std::string("\0\0\0\1", 4) : address_bytes();
    bytes += socks_usercode_;
    bytes += '\0';
    if (send_name) {
        bytes += target_addr_;
        bytes += '\0';
    }
    SendBytes(bytes);
}

void TCustomSocksWSocket::FireDataAvailable(int error)
{
    if (phase_ == Phase::Idle || phase_ == Phase::Done)
        return TCustomWSocket::FireDataAvailable(error);
    uint8_t chunk[256];
    const size_t room = kMaxSocksReply - reply_.size();
    const int n = SystemReceive(chunk, static_cast<int>(std::min(room, sizeof chunk)));
    if (n <= 0) {
        if (n == 0)
            Fail(kSocksProtocolError, "Socks server closed the connection");
        return;
    }
    reply_.insert(reply_.end(), chunk, chunk + n);
    HandleReply();
}

void TCustomSocksWSocket::HandleReply()
{
    bool complete = false;
    switch (phase_) {
    case Phase::MethodReply:
        complete = HandleMethodReply();
        break;
    case Phase::AuthReply:
        complete = HandleAuthReply();
        break;
    case Phase::ConnectReply:
        complete = socks_level_ == "5" ? HandleSocks5ConnectReply() : HandleSocks4Reply();
        break;
    default:
        return;
    }
    if (!complete && reply_.size() >= kMaxSocksReply)
        Fail(kSocksProtocolError, "Socks server reply too long");
}

bool TCustomSocksWSocket::HandleMethodReply()
{
    if (reply_.size() < 2)
        return false;
    if (reply_[0] != kSocks5) {
        Fail(kSocksVersionError, "Socks version error");
        return true;
    }
    const uint8_t method = reply_[1];
    reply_.erase(reply_.begin(), reply_.begin() + 2);
    if (method == kMethodNone) {
        SendConnectRequest();
    } else if (method == kMethodUserPass && socks_authentication_ == socksAuthenticateUsercode) {
        SendAuthRequest();
    } else {
        Fail(kSocksAuthMethodError, "Socks authentication method not supported");
        return true;
    }
    if (!reply_.empty())
        HandleReply();
    return true;
}

bool TCustomSocksWSocket::HandleAuthReply()
{
    if (reply_.size() < 2)
        return false;
    const bool accepted = reply_[1] == 0;
    reply_.erase(reply_.begin(), reply_.begin() + 2);
    if (!accepted) {
        Fail(kSocksAuthenticationFailed, "Socks authentication failed");
        return true;
    }
    SendConnectRequest();
    if (!reply_.empty())
        HandleReply();
    return true;
}

bool TCustomSocksWSocket::HandleSocks5ConnectReply()
{
    if (reply_.size() < 5)
        return false;
    if (reply_[0] != kSocks5) {
        Fail(kSocksVersionError, "Socks version error");
        return true;
    }
    size_t length = 0;
    switch (reply_[3]) {
    case kAddressIPv4:
        length = 4 + 4 + 2;
        break;
    case kAddressDomain:
        length = 4 + 1 + reply_[4] + 2;
        break;
    case kAddressIPv6:
        length = 4 + 16 + 2;
        break;
    default:
        Fail(kSocksProtocolError, "Socks unknown address type");
        return true;
    }
    if (reply_.size() < length)
        return false;
    if (reply_[1] != 0) {
        Fail(kSocksRequestRejected, "Socks request rejected, code " + std::to_string(reply_[1]));
        return true;
    }
    Succeed(length);
    return true;
}

bool TCustomSocksWSocket::HandleSocks4Reply()
{
    constexpr size_t kReplyLength = 8;
    if (reply_.size() < kReplyLength)
        return false;
    if (reply_[1] != kSocks4Granted) {
        Fail(kSocksRequestRejected, "Socks request rejected, code " + std::to_string(reply_[1]));
        return true;
    }
    Succeed(kReplyLength);
    return true;
}

void TCustomSocksWSocket::Succeed(size_t reply_length)
{
    leftover_.assign(reply_.begin() + static_cast<long>(reply_length), reply_.end());
    reply_.clear();
    phase_ = Phase::Done;
    const CallGuard guard(*this);
    FireSocksConnected(0);
    if (guard.Destroyed())
        return;
    TCustomWSocket::FireSessionConnected(0);
    if (!guard.Destroyed() && !leftover_.empty() && State() == wsConnected)
        FireDataAvailable(0);  // through the layers above
}

void TCustomSocksWSocket::Fail(int error, const std::string& message)
{
    phase_ = Phase::Done;
    reply_.clear();
    const CallGuard guard(*this);
    FireSocksError(error, message);
    if (guard.Destroyed())
        return;
    TCustomWSocket::FireSessionConnected(error);
    if (!guard.Destroyed() && State() != wsClosed)
        Close();
}

int TCustomSocksWSocket::RawReceive(void* buffer, int size)
{
    if (leftover_.empty() || size <= 0)
        return TCustomWSocket::RawReceive(buffer, size);
    const size_t n = std::min(leftover_.size(), static_cast<size_t>(size));
    std::memcpy(buffer, leftover_.data(), n);
    leftover_.erase(leftover_.begin(), leftover_.begin() + static_cast<long>(n));
    return static_cast<int>(n);
}

void TCustomSocksWSocket::FireSocksConnected(int error)
{
    if (OnSocksConnected)
        OnSocksConnected(error);
}

void TCustomSocksWSocket::FireSocksError(int error, const std::string& message)
{
    if (OnSocksError)
        OnSocksError(error, message);
}

}  // namespace mondeliar::net
