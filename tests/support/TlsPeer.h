// TLS servers for network tests, with a certificate authority made for the
// test run. A front terminates TLS on 127.0.0.1 and relays the plain bytes
// to a ScriptedServer, so every scripted answer can also go out over https.
// Natively the fronts are threads over OpenSSL; under Wine they run in a
// native helper process (tls-peer), since Wine's Schannel serves no server
// side. Either way they stop by themselves.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace ombrix::test {

enum class TlsCert {
  Trusted,    // signed by the test CA, for localhost and 127.0.0.1
  OtherHost,  // signed by the test CA, for other.example only
  Expired,    // signed by the test CA, valid until yesterday
  Untrusted,  // for localhost, signed by a CA nobody trusts
};

// The test CA as PEM.
std::string TestCaPem();

// Makes the client trust the test CA (and the system's own roots) for the
// rest of the process: natively through SSL_CERT_FILE, under Wine by adding
// it to the throw-away prefix's root store. False when that failed.
bool TrustTestCa();

enum class TlsMode {
  Relay,  // relay both ways
  Stall,  // accept and read, but never answer the handshake
  Rekey,  // TLS 1.2, renegotiated by the server before its first answer
};

class TlsFront {
 public:
  TlsFront(TlsCert cert, std::uint16_t upstreamPort, TlsMode mode = TlsMode::Relay, int lifetimeMs = 30000);
  ~TlsFront();
  TlsFront(const TlsFront&) = delete;
  TlsFront& operator=(const TlsFront&) = delete;

  std::uint16_t Port() const { return port_; }
  std::string BaseUrl() const { return "https://localhost:" + std::to_string(port_); }

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  std::uint16_t port_ = 0;
};

}  // namespace ombrix::test
