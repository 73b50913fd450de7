// The test TLS peer over OpenSSL: the certificates are made in code once per
// process, and each front is a thread serving one connection at a time.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "support/TlsPeer.h"

namespace ombrix::test {
namespace {

using Clock = std::chrono::steady_clock;

void AddExt(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) throw std::runtime_error("test certificate extension");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

// issuer null: a self-signed CA.
X509* MakeCert(EVP_PKEY* key, const char* cn, X509* issuer, EVP_PKEY* issuerKey, const char* san, long fromSecs,
               long toSecs) {
  static std::atomic<long> serial{1};
  X509* cert = X509_new();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), static_cast<long>(std::time(nullptr) % 1000000) * 100 + ++serial);
  X509_gmtime_adj(X509_getm_notBefore(cert), fromSecs);
  X509_gmtime_adj(X509_getm_notAfter(cert), toSecs);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Ombrix tests"), -1, -1,
                             0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(cn), -1, -1, 0);
  X509* signer = issuer ? issuer : cert;
  X509_set_issuer_name(cert, X509_get_subject_name(signer));
  AddExt(cert, signer, NID_subject_key_identifier, "hash");
  if (!issuer) {
    AddExt(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExt(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    AddExt(cert, signer, NID_authority_key_identifier, "keyid:always");
    AddExt(cert, signer, NID_basic_constraints, "critical,CA:FALSE");
    AddExt(cert, signer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    AddExt(cert, signer, NID_ext_key_usage, "serverAuth");
    AddExt(cert, signer, NID_subject_alt_name, san);
  }
  X509_sign(cert, issuer ? issuerKey : key, EVP_sha256());
  return cert;
}

struct Pki {
  EVP_PKEY* caKey;
  EVP_PKEY* rogueKey;
  EVP_PKEY* leafKey;
  X509* ca;
  X509* rogue;
  X509* leaf[4];

  Pki() {
    // RSA keeps every platform's chain checks happy; one leaf key serves
    // all four certificates.
    caKey = EVP_RSA_gen(2048);
    rogueKey = EVP_RSA_gen(2048);
    leafKey = EVP_RSA_gen(2048);
    const long day = 86400;
    ca = MakeCert(caKey, "Ombrix Test CA", nullptr, nullptr, nullptr, -day, 30 * day);
    rogue = MakeCert(rogueKey, "Ombrix Rogue CA", nullptr, nullptr, nullptr, -day, 30 * day);
    const char* local = "DNS:localhost,IP:127.0.0.1";
    leaf[static_cast<int>(TlsCert::Trusted)] = MakeCert(leafKey, "localhost", ca, caKey, local, -day, 30 * day);
    leaf[static_cast<int>(TlsCert::OtherHost)] =
        MakeCert(leafKey, "other.example", ca, caKey, "DNS:other.example", -day, 30 * day);
    leaf[static_cast<int>(TlsCert::Expired)] = MakeCert(leafKey, "localhost", ca, caKey, local, -10 * day, -day);
    leaf[static_cast<int>(TlsCert::Untrusted)] =
        MakeCert(leafKey, "localhost", rogue, rogueKey, local, -day, 30 * day);
  }
};

Pki& ThePki() {
  static Pki pki;
  return pki;
}

std::string Pem(X509* cert) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert);
  char* data;
  long n = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<std::size_t>(n));
  BIO_free(bio);
  return pem;
}

bool Readable(int fd, int ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  timeval tv{ms / 1000, (ms % 1000) * 1000};
  return select(fd + 1, &set, nullptr, nullptr, &tv) > 0;
}

bool SendAll(int fd, const char* data, std::size_t len) {
  while (len > 0) {
    ssize_t n = send(fd, data, len, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    len -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

struct TlsFront::Impl {
  std::uint16_t upstream = 0;
  TlsMode mode = TlsMode::Relay;
  int lifetimeMs = 0;
  int listenFd = -1;
  SSL_CTX* ctx = nullptr;
  std::atomic<bool> stop{false};
  std::thread thread;

  void Run() {
    auto end = Clock::now() + std::chrono::milliseconds(lifetimeMs);
    while (!stop && Clock::now() < end) {
      if (!Readable(listenFd, 50)) continue;
      int conn = accept(listenFd, nullptr, nullptr);
      if (conn < 0) continue;
      Serve(conn, end);
      close(conn);
    }
  }

  void Serve(int conn, Clock::time_point end) {
    if (mode == TlsMode::Stall) {
      char buf[512];
      while (!stop && Clock::now() < end) {
        if (Readable(conn, 50) && recv(conn, buf, sizeof buf, 0) <= 0) return;
      }
      return;
    }
    SSL* ssl = SSL_new(ctx);
    SSL_set_fd(ssl, conn);
    int accepted = SSL_accept(ssl);
    if (accepted == 1) Relay(ssl, conn, end);
    SSL_free(ssl);
  }

  // Non-blocking on the client's side, so a renegotiation in flight never
  // leaves the relay waiting in a read for data the client will not send.
  static bool Retry(SSL* ssl, int rc, int fd) {
    int err = SSL_get_error(ssl, rc);
    if (err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) return false;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    timeval tv{0, 20000};
    select(fd + 1, err == SSL_ERROR_WANT_READ ? &set : nullptr, err == SSL_ERROR_WANT_WRITE ? &set : nullptr, nullptr,
           &tv);
    return true;
  }

  void Relay(SSL* ssl, int conn, Clock::time_point end) {
    int up = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(upstream);
    char buf[16384];
    bool rekey = mode == TlsMode::Rekey;
    fcntl(conn, F_SETFL, fcntl(conn, F_GETFL) | O_NONBLOCK);
    bool open = connect(up, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    while (open && !stop && Clock::now() < end) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(conn, &set);
      FD_SET(up, &set);
      timeval tv{0, 50000};
      bool buffered = SSL_pending(ssl) > 0;
      if (!buffered && select(std::max(conn, up) + 1, &set, nullptr, nullptr, &tv) <= 0) continue;
      if (buffered || FD_ISSET(conn, &set)) {
        int n = SSL_read(ssl, buf, sizeof buf);
        if (n > 0) open = SendAll(up, buf, static_cast<std::size_t>(n));
        else open = Retry(ssl, n, conn);
      }
      if (open && !buffered && FD_ISSET(up, &set)) {
        ssize_t n = recv(up, buf, sizeof buf, 0);
        if (n <= 0) {
          SSL_shutdown(ssl);  // close_notify, as a well-behaved server ends
          break;
        }
        if (rekey) {
          // The client must take the new handshake in its stride.
          rekey = false;
          // As servers that renegotiate do, the answer waits until it is done.
          SSL_renegotiate(ssl);
          int rc = SSL_do_handshake(ssl);
          while (SSL_renegotiate_pending(ssl) && Clock::now() < end) {
            char scratch[256];  // no data comes; the read drives the handshake
            rc = SSL_read(ssl, scratch, sizeof scratch);
            if (rc <= 0 && (stop || !Retry(ssl, rc, conn))) break;
          }
        }
        int rc;
        while ((rc = SSL_write(ssl, buf, static_cast<int>(n))) <= 0 && Clock::now() < end && Retry(ssl, rc, conn)) {
        }
        open = rc > 0;
      }
    }
    close(up);
  }
};

TlsFront::TlsFront(TlsCert cert, std::uint16_t upstreamPort, TlsMode mode, int lifetimeMs)
    : impl_(std::make_unique<Impl>()) {
  signal(SIGPIPE, SIG_IGN);  // OpenSSL writes to a client that may have hung up
  Pki& pki = ThePki();
  impl_->upstream = upstreamPort;
  impl_->mode = mode;
  impl_->lifetimeMs = lifetimeMs;
  impl_->ctx = SSL_CTX_new(TLS_server_method());
  // Renegotiation exists up to TLS 1.2 only.
  if (mode == TlsMode::Rekey) SSL_CTX_set_max_proto_version(impl_->ctx, TLS1_2_VERSION);
  SSL_CTX_use_certificate(impl_->ctx, pki.leaf[static_cast<int>(cert)]);
  SSL_CTX_use_PrivateKey(impl_->ctx, pki.leafKey);
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  listen(fd, 16);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  impl_->listenFd = fd;
  impl_->thread = std::thread([this] { impl_->Run(); });
}

TlsFront::~TlsFront() {
  impl_->stop = true;
  impl_->thread.join();
  close(impl_->listenFd);
  SSL_CTX_free(impl_->ctx);
}

std::string TestCaPem() { return Pem(ThePki().ca); }

bool TrustTestCa() {
  static std::string file;
  static std::once_flag once;
  std::call_once(once, [] {
    // The test CA plus the system's roots, so the override only adds trust.
    std::string pem = TestCaPem();
    if (FILE* system = std::fopen(X509_get_default_cert_file(), "rb")) {
      char buf[65536];
      std::size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, system)) > 0) pem.append(buf, n);
      std::fclose(system);
    }
    char name[] = "/tmp/ombrix-test-ca-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return;
    bool ok = write(fd, pem.data(), pem.size()) == static_cast<ssize_t>(pem.size());
    close(fd);
    if (!ok) return;
    file = name;
    std::atexit([] { unlink(file.c_str()); });
    setenv("SSL_CERT_FILE", file.c_str(), 1);
  });
  return !file.empty();
}

}  // namespace ombrix::test
