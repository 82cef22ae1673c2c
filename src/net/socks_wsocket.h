#pragma once
// TCustomSocksWSocket: when SocksServer is set, Connect goes to the SOCKS
// server and negotiates SOCKS 4, 4A or 5 (RFC 1928, user-code authentication
// RFC 1929) before OnSessionConnected reports the connection to the target.

#include "net/wsocket.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mondeliar::net {

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };

// Error numbers of a failed negotiation (passed to OnSocksError and OnSessionConnected).
enum : int {
    kSocksProtocolError = 20001,
    kSocksVersionError = 20002,
    kSocksAuthMethodError = 20003,
    kSocksAuthenticationFailed = 20004,
    kSocksRequestRejected = 20005,
};

class TCustomSocksWSocket : public TCustomWSocket {
public:
    TCustomSocksWSocket() = default;

    const std::string& SocksServer() const { return socks_server_; }
    virtual void SetSocksServer(const std::string& value);
    const std::string& SocksPort() const { return socks_port_; }
    virtual void SetSocksPort(const std::string& value);
    const std::string& SocksLevel() const { return socks_level_; }
    void SetSocksLevel(const std::string& value);  // "4", "4A" or "5"
    const std::string& SocksUsercode() const { return socks_usercode_; }
    void SetSocksUsercode(const std::string& value) { socks_usercode_ = value; }
    const std::string& SocksPassword() const { return socks_password_; }
    void SetSocksPassword(const std::string& value) { socks_password_ = value; }
    TSocksAuthentication SocksAuthentication() const { return socks_authentication_; }
    void SetSocksAuthentication(TSocksAuthentication value) { socks_authentication_ = value; }

    void Connect() override;
    void Listen() override;
    int RcvdCount() override;

    std::function<void(int Error)> OnSocksConnected;
    std::function<void(int Error, const std::string& Msg)> OnSocksError;

protected:
    void ResetDefaults() override;
    void FireSessionConnected(int error) override;
    void FireDataAvailable(int error) override;
    int RawReceive(void* buffer, int size) override;
    virtual void FireSocksConnected(int error);
    virtual void FireSocksError(int error, const std::string& message);

private:
    enum class Phase { Idle, MethodReply, AuthReply, ConnectReply, Done };

    void SendMethodRequest();
    void SendAuthRequest();
    void SendConnectRequest();
    void HandleReply();
    bool HandleSocks4Reply();
    bool HandleMethodReply();
    bool HandleAuthReply();
    bool HandleSocks5ConnectReply();
    void Fail(int error, const std::string& message);
    void Succeed(size_t reply_length);
    void SendBytes(const std::string& bytes);

    std::string socks_server_, socks_port_ = "1080", socks_level_ = "5";
    std::string socks_usercode_, socks_password_;
    TSocksAuthentication socks_authentication_ = socksNoAuthentication;
    std::string target_addr_, target_port_;
    Phase phase_ = Phase::Idle;
    std::vector<uint8_t> reply_;     // negotiation bytes received (bounded)
    std::vector<uint8_t> leftover_;  // data that followed the final reply
};

}  // namespace mondeliar::net
