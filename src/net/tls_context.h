#pragma once
// The TLS client side of one FTP session (RFC 4217): an OpenSSL context that trusts the
// system's certificates and speaks TLS 1.2 or newer, the certificate fingerprint the user
// accepts instead, and the latest session the server issued, which every further
// connection of the session resumes (servers such as vsftpd refuse data connections that
// do not).

#include <openssl/types.h>

// OpenSSL declares the session type in ssl.h only.
typedef struct ssl_session_st SSL_SESSION;

#include <string>

namespace mondeliar::net {

class TlsContext {
public:
    // `pinned_fingerprint`: 64 upper-case hex digits (see ParseFingerprint), or empty to
    // trust the system's certificates and the host name. Raises ESocketException when
    // OpenSSL cannot make the context.
    explicit TlsContext(const std::string& pinned_fingerprint = std::string());
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    SSL_CTX* Handle() const { return context_; }
    const std::string& PinnedFingerprint() const { return pinned_; }
    // The newest resumable session of any connection made with this context, or null.
    SSL_SESSION* Session() const { return session_; }

private:
    static int OnNewSession(SSL* ssl, SSL_SESSION* session);
    void KeepSession(SSL_SESSION* session);  // takes over the caller's reference

    SSL_CTX* context_ = nullptr;
    SSL_SESSION* session_ = nullptr;
    std::string pinned_;
};

// A SHA-256 fingerprint as users copy it: hex digits in either case, pairs separated by
// colons or blanks (or not at all). Gives the 64 digits in upper case; false when the text
// is not 32 bytes of hex.
bool ParseFingerprint(const std::string& text, std::string* digits);
// "AA:BB:…" from 64 hex digits.
std::string FormatFingerprint(const std::string& digits);
// The SHA-256 fingerprint of a certificate, as 64 upper-case hex digits ("" on failure).
std::string CertificateFingerprint(X509* certificate);
// The reason of OpenSSL's oldest queued error ("wrong version number"), and the queue emptied.
std::string TakeOpenSslError();

}  // namespace mondeliar::net
