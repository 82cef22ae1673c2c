#include "net/tls_context.h"

#include "net/socket_resolve.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cctype>

namespace mondeliar::net {

namespace {

constexpr size_t kFingerprintDigits = 64;  // SHA-256: 32 bytes

}  // namespace

TlsContext::TlsContext(const std::string& pinned_fingerprint) : pinned_(pinned_fingerprint)
{
    context_ = SSL_CTX_new(TLS_client_method());
    if (context_ == nullptr)
        throw ESocketException("TLS: cannot create the context: " + TakeOpenSslError());
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    // The handshake completes whatever the certificate; the socket checks it before a byte
    // of the application goes out, so the failure can say why and show the fingerprint.
    SSL_CTX_set_verify(context_, SSL_VERIFY_NONE, nullptr);
    // A pinned certificate is checked by its fingerprint alone: the system's store is read
    // only when it decides.
    if (pinned_.empty() && SSL_CTX_set_default_verify_paths(context_) != 1)
        ERR_clear_error();  // no system store: every check then fails, with its reason
    // Sessions are kept here, not in OpenSSL's cache: each new one (TLS 1.3 tickets arrive
    // after the handshake) replaces the last.
    SSL_CTX_set_session_cache_mode(context_,
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context_, &TlsContext::OnNewSession);
    SSL_CTX_set_app_data(context_, this);
}

TlsContext::~TlsContext()
{
    if (session_ != nullptr)
        SSL_SESSION_free(session_);
    SSL_CTX_free(context_);
}

int TlsContext::OnNewSession(SSL* ssl, SSL_SESSION* session)
{
    auto* self = static_cast<TlsContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    if (self == nullptr || SSL_SESSION_is_resumable(session) != 1)
        return 0;  // OpenSSL keeps its reference
    self->KeepSession(session);
    return 1;
}

void TlsContext::KeepSession(SSL_SESSION* session)
{
    if (session_ != nullptr)
        SSL_SESSION_free(session_);
    session_ = session;
}

bool ParseFingerprint(const std::string& text, std::string* digits)
{
    std::string hex;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == ':' || std::isspace(u))
            continue;
        if (!std::isxdigit(u) || hex.size() == kFingerprintDigits)
            return false;
        hex += static_cast<char>(std::toupper(u));
    }
    if (hex.size() != kFingerprintDigits)
        return false;
    *digits = hex;
    return true;
}

std::string FormatFingerprint(const std::string& digits)
{
    std::string text;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        if (!text.empty())
            text += ':';
        text += digits.substr(i, 2);
    }
    return text;
}

std::string CertificateFingerprint(X509* certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (certificate == nullptr || X509_digest(certificate, EVP_sha256(), digest, &length) != 1)
        return std::string();
    static const char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (unsigned int i = 0; i < length; ++i) {
        digits += kHex[digest[i] >> 4];
        digits += kHex[digest[i] & 0x0f];
    }
    return digits;
}

std::string TakeOpenSslError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return "unknown error";
    const char* reason = ERR_reason_error_string(code);
    return reason != nullptr ? reason : "error " + std::to_string(code);
}

}  // namespace mondeliar::net
