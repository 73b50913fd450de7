// AsyncSocket with TLS on demand: plain until StartTls, then every Send is
// encrypted and every Receive decrypted through the platform's TlsSession.
// The handshake runs on the same loop as the rest, so time-outs and aborts
// reach it like any other wait.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "net/AsyncSocket.h"
#include "net/TlsSession.h"

namespace ombrix {

class SecureSocket {
 public:
  explicit SecureSocket(EventLoop& loop);
  SecureSocket(const SecureSocket&) = delete;
  SecureSocket& operator=(const SecureSocket&) = delete;

  std::function<void(int error, std::uint32_t ipv4)> OnDnsLookupDone;
  std::function<void(int error)> OnSessionConnected;  // the TCP connection
  std::function<void()> OnDataAvailable;              // plaintext or the end waits
  // The handshake ended: "" when the session is up, else why it failed.
  std::function<void(const std::string& error)> OnTlsDone;

  void DnsLookup(const std::string& host) { socket_.DnsLookup(host); }
  void CancelDnsLookup() { socket_.CancelDnsLookup(); }
  bool Resolving() const { return socket_.Resolving(); }
  int Connect(std::uint32_t ipv4, std::uint16_t port, std::uint32_t localIpv4 = 0);

  // Starts a client handshake for host over the open connection.
  void StartTls(const std::string& host);
  bool Secure() const { return tls_ != nullptr; }
  // Why TLS failed on this connection ("" while it has not).
  std::string TlsError() const { return tls_ ? tls_->Error() : std::string(); }

  int Send(const char* data, std::size_t len);
  long Receive(char* buf, std::size_t len);  // as AsyncSocket::Receive
  int LastError() const { return lastError_; }

  void Close();  // with TLS, close_notify first
  void Abort();
  bool IsOpen() const { return socket_.IsOpen(); }
  bool IsConnected() const { return socket_.IsConnected(); }

 private:
  void SocketData();
  bool FeedFromSocket(int& error);  // false at the end of the stream or an error
  void Flush();
  void AdvanceHandshake();
  void Fail(const std::string& reason);

  EventLoop& loop_;
  AsyncSocket socket_;
  std::unique_ptr<TlsSession> tls_;
  bool handshaking_ = false, renotifyPosted_ = false;
  int lastError_ = 0;
  std::shared_ptr<SecureSocket*> self_;
};

}  // namespace ombrix
