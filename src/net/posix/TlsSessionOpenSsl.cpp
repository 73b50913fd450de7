// TlsSession over OpenSSL with memory BIOs: the socket stays AsyncSocket's,
// OpenSSL only turns bytes into bytes. Trust comes from the system store,
// where SSL_CERT_FILE and SSL_CERT_DIR override it as usual.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "net/AsyncSocket.h"
#include "net/TlsSession.h"

namespace ombrix {
namespace {

std::string VerifyReason(long result) {
  switch (result) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      return tlsreason::kNotTrusted;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return tlsreason::kOtherHost;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CRL_HAS_EXPIRED:
      return tlsreason::kExpired;
    default:
      return std::string("certificate rejected: ") + X509_verify_cert_error_string(result);
  }
}

std::string HandshakeReason(unsigned long err) {
  if (err == 0) return tlsreason::kRefused;
  switch (ERR_GET_REASON(err)) {
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_NO_SHARED_CIPHER:
    case SSL_R_NO_CIPHERS_AVAILABLE:
    case SSL_R_TLSV1_ALERT_INSUFFICIENT_SECURITY:
      return tlsreason::kNoCommonProtocol;
    case SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE:
      return tlsreason::kRefused;
    default: {
      const char* text = ERR_reason_error_string(err);
      return std::string(tlsreason::kRefused) + " (" + (text ? text : "unknown") + ")";
    }
  }
}

class OpenSslSession final : public TlsSession {
 public:
  explicit OpenSslSession(const std::string& host) {
    // A context per session: trust settings (and their environment
    // overrides) are read when a connection starts, not once per process.
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_ || SSL_CTX_set_default_verify_paths(ctx_) != 1) {
      error_ = "TLS is not available (OpenSSL could not start)";
      return;
    }
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    ssl_ = SSL_new(ctx_);
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    if (!ssl_ || !in || !out) {
      BIO_free(in);
      BIO_free(out);
      error_ = "TLS is not available (out of memory)";
      return;
    }
    in_ = in;
    out_bio_ = out;
    SSL_set_bio(ssl_, in, out);
    SSL_set_connect_state(ssl_);
    std::uint32_t ipv4;
    if (AsyncSocket::ParseDottedIpv4(host, ipv4)) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host.c_str());
    } else {
      SSL_set_tlsext_host_name(ssl_, host.c_str());
      SSL_set1_host(ssl_, host.c_str());
    }
  }

  ~OpenSslSession() override {
    if (ssl_) SSL_free(ssl_);  // frees both BIOs
    if (ctx_) SSL_CTX_free(ctx_);
  }

  void Feed(const char* data, std::size_t len) override {
    if (!ssl_ || len == 0) return;
    BIO_write(in_, data, static_cast<int>(len));
    starved_ = false;
  }

  Status Handshake() override {
    if (Failed()) return Status::Failed;
    ERR_clear_error();
    int rc = SSL_do_handshake(ssl_);
    Drain();
    if (rc == 1) return Status::Done;
    int err = SSL_get_error(ssl_, rc);
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) return Status::NeedMore;
    long verify = SSL_get_verify_result(ssl_);
    error_ = verify != X509_V_OK ? VerifyReason(verify) : HandshakeReason(ERR_peek_last_error());
    return Status::Failed;
  }

  long Read(char* buf, std::size_t len) override {
    if (Failed() || closed_) return -1;
    ERR_clear_error();
    int rc = SSL_read(ssl_, buf, static_cast<int>(len > 1u << 30 ? 1u << 30 : len));
    // A renegotiation or a key update may have something to answer.
    Drain();
    if (rc > 0) return rc;
    switch (SSL_get_error(ssl_, rc)) {
      case SSL_ERROR_WANT_READ:
      case SSL_ERROR_WANT_WRITE:
        starved_ = true;
        return 0;
      case SSL_ERROR_ZERO_RETURN:
        closed_ = true;
        return -1;
      default: {
        const char* text = ERR_reason_error_string(ERR_peek_last_error());
        error_ = std::string("TLS data could not be read (") + (text ? text : "unknown") + ")";
        return -1;
      }
    }
  }

  bool Write(const char* data, std::size_t len) override {
    if (Failed()) return false;
    while (len > 0) {
      int rc = SSL_write(ssl_, data, static_cast<int>(len > 1u << 30 ? 1u << 30 : len));
      Drain();
      if (rc <= 0) {
        error_ = "TLS data could not be sent";
        return false;
      }
      data += rc;
      len -= static_cast<std::size_t>(rc);
    }
    return true;
  }

  void Shutdown() override {
    if (!ssl_ || Failed() || !SSL_is_init_finished(ssl_)) return;
    SSL_shutdown(ssl_);
    Drain();
  }

  bool Pending() const override {
    if (!ssl_ || Failed() || closed_) return false;
    return SSL_pending(ssl_) > 0 || (!starved_ && BIO_ctrl_pending(in_) > 0);
  }

 private:
  void Drain() {
    char chunk[16384];
    int n;
    while ((n = BIO_read(out_bio_, chunk, sizeof chunk)) > 0) out_.append(chunk, static_cast<std::size_t>(n));
  }

  SSL_CTX* ctx_ = nullptr;
  SSL* ssl_ = nullptr;
  BIO* in_ = nullptr;
  BIO* out_bio_ = nullptr;
  bool starved_ = false;  // the last read wanted more than was fed
};

}  // namespace

std::unique_ptr<TlsSession> NewTlsSession(const std::string& host) { return std::make_unique<OpenSslSession>(host); }

}  // namespace ombrix
