#include "net/SecureSocket.h"
#include <cstdio>

namespace ombrix {

namespace {
// Up to two full TLS records per socket read.
constexpr std::size_t kCipherChunk = 2 * (16384 + 2048);
}  // namespace

SecureSocket::SecureSocket(EventLoop& loop)
    : loop_(loop), socket_(loop), self_(std::make_shared<SecureSocket*>(this)) {
  socket_.OnDnsLookupDone = [this](int error, std::uint32_t ipv4) {
    if (OnDnsLookupDone) OnDnsLookupDone(error, ipv4);
  };
  socket_.OnSessionConnected = [this](int error) {
    if (OnSessionConnected) OnSessionConnected(error);
  };
  socket_.OnDataAvailable = [this] { SocketData(); };
}

int SecureSocket::Connect(std::uint32_t ipv4, std::uint16_t port, std::uint32_t localIpv4) {
  tls_.reset();
  handshaking_ = false;
  return socket_.Connect(ipv4, port, localIpv4);
}

void SecureSocket::StartTls(const std::string& host) {
  tls_ = NewTlsSession(host);
  handshaking_ = true;
  if (tls_->Failed()) {
    // Reported through the loop, as every other outcome of the handshake.
    std::weak_ptr<SecureSocket*> weak = self_;
    TlsSession* session = tls_.get();
    loop_.Post([weak, session] {
      auto self = weak.lock();
      if (self && (*self)->tls_.get() == session && (*self)->handshaking_) (*self)->Fail(session->Error());
    });
    return;
  }
  AdvanceHandshake();
}

void SecureSocket::AdvanceHandshake() {
  TlsSession::Status status = tls_->Handshake();
  Flush();
  if (status == TlsSession::Status::NeedMore) return;
  if (status == TlsSession::Status::Failed) {
    Fail(tls_->Error());
    return;
  }
  handshaking_ = false;
  if (OnTlsDone) OnTlsDone("");
}

void SecureSocket::Fail(const std::string& reason) {
  handshaking_ = false;
  socket_.Abort();
  if (OnTlsDone) OnTlsDone(reason);
}

bool SecureSocket::FeedFromSocket(int& error) {
  char chunk[kCipherChunk];
  error = 0;
  for (int reads = 0; reads < 8; ++reads) {
    long n = socket_.Receive(chunk, sizeof chunk);
    if (n > 0) {
      tls_->Feed(chunk, static_cast<std::size_t>(n));
      if (static_cast<std::size_t>(n) < sizeof chunk) return true;
      continue;
    }
    if (n == 0) return false;
    if (socket_.LastError() == kWsaEWouldBlock) return true;
    error = socket_.LastError();
    return false;
  }
  return true;
}

void SecureSocket::SocketData() {
  if (!tls_) {
    if (OnDataAvailable) OnDataAvailable();
    return;
  }
  std::weak_ptr<SecureSocket*> weak = self_;
  if (handshaking_) {
    int error = 0;
    bool open = FeedFromSocket(error);
    AdvanceHandshake();
    if (!weak.lock() || !handshaking_ || open) return;
    Fail(error != 0 ? SocketErrorDesc(error) + " (Error #" + std::to_string(error) + ") during the TLS handshake"
                    : tlsreason::kClosedInHandshake);
    return;
  }
  if (OnDataAvailable) OnDataAvailable();
  // Records already decrypted (or fed) raise no socket notice of their own.
  if (!weak.lock() || !tls_ || !socket_.IsOpen() || !tls_->Pending() || renotifyPosted_) return;
  renotifyPosted_ = true;
  TlsSession* session = tls_.get();
  loop_.Post([weak, session] {
    auto self = weak.lock();
    if (!self) return;
    SecureSocket* s = *self;
    s->renotifyPosted_ = false;
    if (s->tls_.get() == session && s->socket_.IsOpen()) s->SocketData();
  });
}

int SecureSocket::Send(const char* data, std::size_t len) {
  if (!tls_) return lastError_ = socket_.Send(data, len);
  if (handshaking_ || !tls_->Write(data, len)) return lastError_ = kWsaENotConn;
  Flush();
  return lastError_ = socket_.IsConnected() ? 0 : kWsaENotConn;
}

long SecureSocket::Receive(char* buf, std::size_t len) {
  if (!tls_) {
    long n = socket_.Receive(buf, len);
    lastError_ = socket_.LastError();
    return n;
  }
  if (handshaking_) {
    lastError_ = kWsaEWouldBlock;
    return -1;
  }
  for (;;) {
    long n = tls_->Read(buf, len);
    Flush();
    if (n > 0) return n;
    if (tls_->Failed()) {
      lastError_ = kWsaEConnAborted;
      return -1;
    }
    if (tls_->Closed()) return 0;
    char chunk[kCipherChunk];
    long m = socket_.Receive(chunk, sizeof chunk);
    if (m > 0) {
      tls_->Feed(chunk, static_cast<std::size_t>(m));
      continue;
    }
    if (m == 0) return 0;  // closed without close_notify: the body checks judge it
    lastError_ = socket_.LastError();
    return -1;
  }
}

void SecureSocket::Flush() {
  std::string out = tls_->TakeOutgoing();
  if (!out.empty() && socket_.IsConnected()) socket_.Send(out.data(), out.size());
}

void SecureSocket::Close() {
  if (tls_ && !handshaking_ && socket_.IsConnected()) {
    tls_->Shutdown();
    Flush();
  }
  tls_.reset();
  handshaking_ = false;
  socket_.Close();
}

void SecureSocket::Abort() {
  tls_.reset();
  handshaking_ = false;
  socket_.Abort();
}

}  // namespace ombrix
