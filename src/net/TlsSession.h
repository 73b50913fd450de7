// One TLS client session over buffers: the transport feeds it what the peer
// sent and sends what it hands out, so the platform's TLS engine (Schannel on
// Windows, OpenSSL elsewhere) runs on the same non-blocking socket and event
// loop as plain HTTP.
#pragma once
#include <cstddef>
#include <memory>
#include <string>

namespace ombrix {

// The causes a failed handshake names, the same on every platform.
namespace tlsreason {
inline constexpr const char* kNotTrusted = "certificate not trusted";
inline constexpr const char* kOtherHost = "certificate is for another host";
inline constexpr const char* kExpired = "certificate expired or not yet valid";
inline constexpr const char* kRefused = "the server refused the TLS handshake";
inline constexpr const char* kNoCommonProtocol = "no TLS version or cipher in common with the server";
inline constexpr const char* kClosedInHandshake = "the server closed the connection during the TLS handshake";
}  // namespace tlsreason

class TlsSession {
 public:
  enum class Status { Done, NeedMore, Failed };

  virtual ~TlsSession() = default;

  // Ciphertext that came from the peer.
  virtual void Feed(const char* data, std::size_t len) = 0;
  // Runs the handshake as far as what was fed allows. The server's
  // certificate is checked against the system's trust store and the host.
  virtual Status Handshake() = 0;
  // Plaintext bytes (> 0); 0 when more ciphertext is needed first; -1 once
  // the peer sent close_notify (Closed) or the session failed (Failed).
  virtual long Read(char* buf, std::size_t len) = 0;
  // Encrypts plaintext into the outgoing bytes; false when the session failed.
  virtual bool Write(const char* data, std::size_t len) = 0;
  // Queues close_notify.
  virtual void Shutdown() = 0;
  // A Read could return data without more ciphertext being fed.
  virtual bool Pending() const = 0;

  // What must go to the peer now (handshake records, data, alerts).
  std::string TakeOutgoing() {
    std::string out;
    out.swap(out_);
    return out;
  }
  bool Closed() const { return closed_; }
  bool Failed() const { return !error_.empty(); }
  // Why the session failed, in words a user can act on.
  const std::string& Error() const { return error_; }

 protected:
  std::string out_;
  std::string error_;
  bool closed_ = false;
};

// The platform's TLS client for host: server name indication and the host
// name check use it. Never null; a session that could not be set up comes
// back already failed.
std::unique_ptr<TlsSession> NewTlsSession(const std::string& host);

}  // namespace ombrix
