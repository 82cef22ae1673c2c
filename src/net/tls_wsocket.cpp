#include "net/tls_wsocket.h"

#include "net/posted_events.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace mondeliar::net {

namespace {

constexpr int kCipherChunk = 17 * 1024;  // one TLS record with its overhead
constexpr int kPlainChunk = 16 * 1024;   // the most plaintext one record carries
// Received and not yet read by the application: beyond this, reading from the system waits
// until the application has taken some.
constexpr size_t kMaxBuffered = 256 * 1024;
constexpr size_t kCompactAfter = 64 * 1024;
// Deliveries of decrypted bytes in one readiness event; the rest follows from the queue.
constexpr int kDeliveryPasses = 64;

}  // namespace

TCustomTlsWSocket::~TCustomTlsWSocket()
{
    FreeTls();
}

void TCustomTlsWSocket::ResetDefaults()
{
    TCustomSocksWSocket::ResetDefaults();
    FreeTls();
}

void TCustomTlsWSocket::FreeTls()
{
    if (ssl_ != nullptr)
        SSL_free(ssl_);  // frees both BIOs
    ssl_ = nullptr;
    network_in_ = network_out_ = nullptr;
    context_.reset();
    NewGeneration();
    phase_ = Phase::Off;
    plain_in_.clear();
    plain_pos_ = 0;
    plain_out_.clear();
    transport_closed_ = close_notify_received_ = close_notify_sent_ = false;
    close_after_flush_ = application_sent_ = record_failed_ = read_posted_ = false;
    delivering_ = 0;
}

// --- the handshake -------------------------------------------------------------

void TCustomTlsWSocket::StartTls(std::shared_ptr<TlsContext> context, const std::string& host)
{
    if (State() != wsConnected || SocketHandle() == -1)
        return ReportError("StartTls: socket not connected");
    if (!context)
        return ReportError("StartTls: no TLS context");
    FreeTls();
    session_reused_ = false;
    description_.clear();
    peer_fingerprint_.clear();
    error_text_.clear();
    ERR_clear_error();
    ssl_ = SSL_new(context->Handle());
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    if (ssl_ == nullptr || in == nullptr || out == nullptr) {
        BIO_free(in);
        BIO_free(out);
        const std::string reason = TakeOpenSslError();
        FreeTls();
        return ReportError("StartTls: " + reason);
    }
    BIO_set_mem_eof_return(in, -1);  // nothing received yet means "later", not the end
    SSL_set_bio(ssl_, in, out);
    network_in_ = in;
    network_out_ = out;
    context_ = std::move(context);
    host_ = host;
    // RFC 6125: the certificate must name the host the user gave, or its address.
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl_);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    in_addr address{};
    if (ParseDottedAddress(host, &address)) {
        X509_VERIFY_PARAM_set1_ip_asc(param, FormatDottedAddress(address).c_str());
    } else if (!host.empty()) {
        SSL_set1_host(ssl_, host.c_str());
        SSL_set_tlsext_host_name(ssl_, host.c_str());
    }
    if (SSL_SESSION* session = context_->Session())
        SSL_set_session(ssl_, session);
    SSL_set_connect_state(ssl_);
    phase_ = Phase::Handshake;
    // The ClientHello goes out now; the rest follows the server's answers.
    const int rc = SSL_do_handshake(ssl_);
    const int kind = SSL_get_error(ssl_, rc);
    if (rc <= 0 && kind != SSL_ERROR_WANT_READ && kind != SSL_ERROR_WANT_WRITE) {
        const std::string reason = TakeOpenSslError();
        FreeTls();
        return ReportError("StartTls: " + reason);
    }
    FlushCiphertext();
}

void TCustomTlsWSocket::ContinueHandshake()
{
    const CallGuard guard(*this);
    ERR_clear_error();
    const int rc = SSL_do_handshake(ssl_);
    const int kind = rc == 1 ? SSL_ERROR_NONE : SSL_get_error(ssl_, rc);
    std::string failure;
    if (rc != 1 && kind != SSL_ERROR_WANT_READ && kind != SSL_ERROR_WANT_WRITE)
        failure = TakeOpenSslError();
    FlushCiphertext();  // the next flight, or the alert that tells the server why
    if (guard.Ended())
        return;
    if (!failure.empty())
        return FailHandshake(kTlsHandshakeFailed, "TLS handshake failed: " + failure);
    if (rc != 1) {
        if (transport_closed_)
            FailHandshake(kTlsHandshakeFailed,
                          "TLS handshake failed: the server closed the connection");
        return;
    }
    session_reused_ = SSL_session_reused(ssl_) == 1;
    description_ = std::string(SSL_get_version(ssl_)) + " " + SSL_get_cipher_name(ssl_);
    const std::string problem = CheckCertificate();
    if (!problem.empty())
        return FailHandshake(kTlsCertificateRejected, problem);
    phase_ = Phase::Established;
    if (!plain_out_.empty()) {
        std::string waiting;
        waiting.swap(plain_out_);
        application_sent_ = true;
        WritePlaintext(waiting.data(), waiting.size());
        if (guard.Ended())
            return;
    }
    FireTlsDone(0);
}

// With a fingerprint set, that certificate and only that one is accepted (a self-signed
// server's); otherwise the system's trusted certificates and the host name decide.
std::string TCustomTlsWSocket::CheckCertificate()
{
    const std::string failed = "TLS certificate check failed for " + host_ + ": ";
    X509* certificate = SSL_get1_peer_certificate(ssl_);
    if (certificate == nullptr)
        return failed + "the server sent no certificate";
    const std::string digits = CertificateFingerprint(certificate);
    X509_free(certificate);
    peer_fingerprint_ = FormatFingerprint(digits);
    const std::string offered
        = "; the server's certificate has the SHA-256 fingerprint " + peer_fingerprint_;
    const std::string& pinned = context_->PinnedFingerprint();
    if (!pinned.empty()) {
        if (!digits.empty() && digits == pinned)
            return std::string();
        return failed + "not the certificate whose fingerprint is set for this server" + offered;
    }
    const long result = SSL_get_verify_result(ssl_);
    if (result == X509_V_OK)
        return std::string();
    return failed + X509_verify_cert_error_string(result) + offered;
}

void TCustomTlsWSocket::FailHandshake(int error, const std::string& text)
{
    error_text_ = text;
    phase_ = Phase::Failed;
    const CallGuard guard(*this);
    FireTlsDone(error);
    if (!guard.Destroyed() && State() != wsClosed)
        ShutAndClose(false, error);
}

void TCustomTlsWSocket::FireTlsDone(int error)
{
    if (OnTlsDone)
        OnTlsDone(error);
}

// --- receiving -------------------------------------------------------------------

void TCustomTlsWSocket::DataReady(int error)
{
    if (phase_ == Phase::Off)
        return TCustomSocksWSocket::DataReady(error);
    const CallGuard guard(*this);
    PullCiphertext();
    if (phase_ == Phase::Handshake) {
        ContinueHandshake();
        if (guard.Ended())
            return;
    }
    if (phase_ != Phase::Established)
        return;
    DecryptAvailable();
    if (guard.Ended())
        return;
    DeliverPlaintext(error);
}

void TCustomTlsWSocket::PullCiphertext()
{
    if (PlainBuffered() + BIO_ctrl_pending(network_in_) >= kMaxBuffered)
        return;  // the application reads first
    char chunk[kCipherChunk];
    const int n = TCustomSocksWSocket::RawReceive(chunk, sizeof chunk);
    if (n > 0)
        BIO_write(network_in_, chunk, n);
    else if (n == 0)
        transport_closed_ = true;
    else if (LastError() == kWsaWouldBlock)
        SetLastError(0);
}

void TCustomTlsWSocket::DecryptAvailable()
{
    char chunk[kPlainChunk];
    while (ssl_ != nullptr && PlainBuffered() < kMaxBuffered) {
        ERR_clear_error();
        const int n = SSL_read(ssl_, chunk, sizeof chunk);
        if (n > 0) {
            plain_in_.append(chunk, static_cast<size_t>(n));
            continue;
        }
        const int kind = SSL_get_error(ssl_, n);
        if (kind == SSL_ERROR_WANT_READ || kind == SSL_ERROR_WANT_WRITE)
            break;
        if (kind == SSL_ERROR_ZERO_RETURN) {
            close_notify_received_ = true;
            break;
        }
        error_text_ = "TLS record failed: " + TakeOpenSslError();
        record_failed_ = true;
        break;
    }
    FlushCiphertext();  // reading may answer (a key update, an alert)
}

void TCustomTlsWSocket::DeliverPlaintext(int error)
{
    const CallGuard guard(*this);
    bool progressed = false;
    ++delivering_;
    for (int pass = 0; PlainBuffered() > 0; ++pass) {
        // Bounded like the base's reading, except when the peer is gone (a finite rest).
        if (pass >= kDeliveryPasses && !transport_closed_)
            break;
        const size_t before = PlainBuffered();
        FireDataAvailable(error);
        if (guard.Ended())
            return;  // closed or destroyed by the handler
        progressed = PlainBuffered() < before;
        if (!progressed)
            break;  // the application left its data: the next Receive asks for more
    }
    --delivering_;
    if (PlainBuffered() > 0 && progressed)
        PostTlsRead();
    if (record_failed_) {
        ShutAndClose(false, kTlsRecordError);
        return;
    }
    // The peer ended TLS: answer with close_notify and report the close.
    if (close_notify_received_ && PlainBuffered() == 0 && State() == wsConnected)
        Close();
}

int TCustomTlsWSocket::RawReceive(void* buffer, int size)
{
    if (phase_ == Phase::Off)
        return TCustomSocksWSocket::RawReceive(buffer, size);
    if (size <= 0)
        return 0;
    if (PlainBuffered() == 0) {
        if (transport_closed_ || close_notify_received_)
            return 0;
        SetLastError(kWsaWouldBlock);
        return -1;
    }
    const size_t n = std::min(PlainBuffered(), static_cast<size_t>(size));
    std::memcpy(buffer, plain_in_.data() + plain_pos_, n);
    plain_pos_ += n;
    if (plain_pos_ == plain_in_.size()) {
        plain_in_.clear();
        plain_pos_ = 0;
    } else if (plain_pos_ >= kCompactAfter) {
        plain_in_.erase(0, plain_pos_);
        plain_pos_ = 0;
    }
    CountReceive();
    // Read outside a delivery, with bytes left: they are delivered again from the queue.
    if (delivering_ == 0 && PlainBuffered() > 0)
        PostTlsRead();
    return static_cast<int>(n);
}

int TCustomTlsWSocket::RcvdCount()
{
    if (phase_ == Phase::Off)
        return TCustomSocksWSocket::RcvdCount();
    return static_cast<int>(std::min<size_t>(PlainBuffered(), INT_MAX));
}

void TCustomTlsWSocket::PostTlsRead()
{
    if (read_posted_)
        return;
    read_posted_ = true;
    Post(kTlsReadEvent);
}

void TCustomTlsWSocket::HandleEvent(NetEvent& event)
{
    if (event.kind != kTlsReadEvent)
        return TCustomSocksWSocket::HandleEvent(event);
    if (IsStale(event))
        return;
    read_posted_ = false;
    if (phase_ == Phase::Established && State() == wsConnected)
        DrainReadable(0, false);
}

// --- sending ---------------------------------------------------------------------

int TCustomTlsWSocket::Send(const void* data, int count)
{
    if (phase_ == Phase::Off || State() != wsConnected)
        return TCustomSocksWSocket::Send(data, count);
    if (count <= 0)
        return 0;
    const char* bytes = static_cast<const char*>(data);
    if (phase_ == Phase::Handshake) {
        plain_out_.append(bytes, static_cast<size_t>(count));  // leaves after the handshake
        return count;
    }
    if (phase_ == Phase::Failed || close_notify_sent_) {
        SetLastError(kWsaNotConnected);
        return -1;
    }
    application_sent_ = true;
    WritePlaintext(bytes, static_cast<size_t>(count));
    return count;
}

void TCustomTlsWSocket::WritePlaintext(const char* data, size_t count)
{
    const CallGuard guard(*this);
    while (count > 0) {
        ERR_clear_error();
        const int n = SSL_write(ssl_, data, static_cast<int>(std::min<size_t>(count, INT_MAX)));
        if (n <= 0) {
            error_text_ = "TLS record failed: " + TakeOpenSslError();
            record_failed_ = true;
            break;
        }
        data += n;
        count -= static_cast<size_t>(n);
    }
    FlushCiphertext();
    if (!guard.Ended() && record_failed_ && State() != wsClosed)
        ShutAndClose(false, kTlsRecordError);
}

// What OpenSSL wrote goes into the base's send queue, so the base's readiness handling
// sends it and tells when all of it has left.
void TCustomTlsWSocket::FlushCiphertext()
{
    const CallGuard guard(*this);
    char chunk[kCipherChunk];
    while (ssl_ != nullptr && BIO_ctrl_pending(network_out_) > 0) {
        const int n = BIO_read(network_out_, chunk, sizeof chunk);
        if (n <= 0)
            break;
        if (State() != wsConnected)
            continue;  // nobody to send it to
        TCustomSocksWSocket::Send(chunk, n);
        if (guard.Ended())
            return;
    }
}

void TCustomTlsWSocket::FireDataSent(int error)
{
    if (phase_ == Phase::Off)
        return TCustomSocksWSocket::FireDataSent(error);
    if (close_after_flush_) {
        close_after_flush_ = false;
        Close();
        return;
    }
    // The handshake's own records leaving tell the application nothing.
    if (!application_sent_)
        return;
    application_sent_ = false;
    TCustomSocksWSocket::FireDataSent(error);
}

// --- closing ---------------------------------------------------------------------

void TCustomTlsWSocket::SendCloseNotify()
{
    if (phase_ != Phase::Established || close_notify_sent_ || ssl_ == nullptr)
        return;
    close_notify_sent_ = true;
    ERR_clear_error();
    SSL_shutdown(ssl_);  // the peer's close_notify is not awaited (RFC 8446 section 6.1)
    ERR_clear_error();
    FlushCiphertext();
}

void TCustomTlsWSocket::ShutAndClose(bool shut, int error)
{
    if (shut && State() == wsConnected && SocketHandle() != -1) {
        const CallGuard guard(*this);
        SendCloseNotify();
        if (guard.Destroyed())
            return;
    }
    TCustomSocksWSocket::ShutAndClose(shut, error);
}

// CloseLater closes once close_notify has left, so the peer knows the stream is complete.
void TCustomTlsWSocket::HandleCloseLater()
{
    if (phase_ != Phase::Established)
        return TCustomSocksWSocket::HandleCloseLater();
    if (close_after_flush_)
        return;
    const CallGuard guard(*this);
    SendCloseNotify();
    if (guard.Destroyed() || SocketHandle() == -1)
        return;
    if (AllSent())
        return Close();
    close_after_flush_ = true;
}

void TCustomTlsWSocket::FireChangeState(TSocketState old_state, TSocketState new_state)
{
    if (new_state == wsClosed)
        FreeTls();
    TCustomSocksWSocket::FireChangeState(old_state, new_state);
}

}  // namespace mondeliar::net
