#pragma once
// TCustomTlsWSocket: TLS (as the client) over the connected socket, on OpenSSL memory
// BIOs, so it runs on the same event loop as everything else: no blocking call, no thread.
// It sits between the SOCKS layer (TLS runs through the tunnel once it stands) and the line
// layer (lines are cut from the decrypted bytes): ciphertext travels through the base's
// send queue and readiness handling unchanged, and the layers above see plain bytes.
//
// StartTls begins the handshake on a connected socket; OnTlsDone reports its end like a
// connect event: 0, or an error number with TlsErrorText saying why (the connection is then
// closed). Until then nothing the application sends leaves, and nothing received reaches it.
// After the handshake OnDataSent fires once everything the application sent has been
// encrypted and handed to the system. Close sends close_notify first; CloseLater also waits
// until it has left.

#include "net/socks_wsocket.h"
#include "net/tls_context.h"

#include <cstdint>
#include <memory>
#include <string>

namespace mondeliar::net {

// Error numbers of the TLS layer (OnTlsDone, OnSessionClosed).
enum : int {
    kTlsHandshakeFailed = 20101,
    kTlsCertificateRejected = 20102,
    kTlsRecordError = 20103,  // a record that failed after the handshake
};

class TCustomTlsWSocket : public TCustomSocksWSocket {
public:
    TCustomTlsWSocket() = default;
    ~TCustomTlsWSocket() override;

    // Starts the handshake as the TLS client on the connected socket. `host` is the name
    // or dotted address the server's certificate must be for (and the SNI name); the
    // context's session, when it has one, is resumed. Usage errors go through ReportError.
    void StartTls(std::shared_ptr<TlsContext> context, const std::string& host);
    bool TlsActive() const { return phase_ != Phase::Off; }
    bool TlsEstablished() const { return phase_ == Phase::Established; }
    // What the last handshake of this socket gave (kept after the close).
    bool TlsSessionReused() const { return session_reused_; }
    const std::string& TlsDescription() const { return description_; }  // "TLSv1.3 TLS_AES_…"
    const std::string& TlsPeerFingerprint() const { return peer_fingerprint_; }  // "AA:BB:…"
    const std::string& TlsErrorText() const { return error_text_; }

    int Send(const void* data, int count) override;
    int RcvdCount() override;

    std::function<void(int Error)> OnTlsDone;

protected:
    void ResetDefaults() override;
    void ShutAndClose(bool shut, int error) override;
    void HandleEvent(NetEvent& event) override;
    void HandleCloseLater() override;
    void DataReady(int error) override;
    int RawReceive(void* buffer, int size) override;
    void FireDataSent(int error) override;
    void FireChangeState(TSocketState old_state, TSocketState new_state) override;
    virtual void FireTlsDone(int error);

private:
    enum class Phase { Off, Handshake, Established, Failed };

    void FreeTls();
    void PullCiphertext();
    void ContinueHandshake();
    std::string CheckCertificate();
    void FailHandshake(int error, const std::string& text);
    void DecryptAvailable();
    void DeliverPlaintext(int error);
    void WritePlaintext(const char* data, size_t count);
    void FlushCiphertext();
    void SendCloseNotify();
    void PostTlsRead();
    size_t PlainBuffered() const { return plain_in_.size() - plain_pos_; }

    Phase phase_ = Phase::Off;  // each change of the SSL object starts a new generation
    std::shared_ptr<TlsContext> context_;
    SSL* ssl_ = nullptr;
    BIO* network_in_ = nullptr;   // ciphertext received, read by OpenSSL (owned by ssl_)
    BIO* network_out_ = nullptr;  // ciphertext written by OpenSSL, to be sent (owned by ssl_)
    std::string host_;
    std::string plain_in_;  // decrypted bytes, read from plain_pos_ on
    size_t plain_pos_ = 0;
    std::string plain_out_;          // sent by the application before the handshake ended
    bool transport_closed_ = false;  // the peer closed TCP
    bool close_notify_received_ = false;
    bool close_notify_sent_ = false;
    bool close_after_flush_ = false;  // CloseLater waits for close_notify to leave
    bool application_sent_ = false;   // OnDataSent is owed to the application
    bool record_failed_ = false;
    bool read_posted_ = false;
    int delivering_ = 0;
    bool session_reused_ = false;
    std::string description_;
    std::string peer_fingerprint_;
    std::string error_text_;
};

}  // namespace mondeliar::net
