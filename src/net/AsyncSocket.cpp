#include "net/AsyncSocket.h"

#include "util/StrUtil.h"

namespace ombrix {

std::string SocketErrorDesc(int error) {
  switch (error) {
    case 0: return "No error";
    case 10004: return "Interrupted system call";
    case 10013: return "Permission denied";
    case 10022: return "Invalid argument";
    case 10024: return "Too many open files";
    case kWsaEWouldBlock: return "Operation would block";
    case kWsaEInProgress: return "Operation now in progress";
    case 10047: return "Address family not supported by protocol family";
    case kWsaEAddrInUse: return "Address already in use";
    case kWsaEAddrNotAvail: return "Address not available";
    case kWsaENetDown: return "Network is down";
    case kWsaENetUnreach: return "Network is unreachable";
    case 10052: return "Network dropped connection on reset";
    case kWsaEConnAborted: return "Connection aborted";
    case kWsaEConnReset: return "Connection reset by peer";
    case kWsaENoBufs: return "No buffer space available";
    case kWsaENotConn: return "Socket is not connected";
    case 10058: return "Cannot send after socket shutdown";
    case kWsaETimedOut: return "Connection timed out";
    case kWsaEConnRefused: return "Connection refused";
    case 10064: return "Host is down";
    case kWsaEHostUnreach: return "No route to host";
    case 10093: return "Winsock not initialized";
    case kWsaHostNotFound: return "Host not found";
    case kWsaTryAgain: return "Non-authoritative host not found";
    case 11003: return "Non-recoverable error";
    case 11004: return "Valid name, no data record of requested type";
    default: return "Unknown error #" + std::to_string(error);
  }
}

bool AsyncSocket::ParseDottedIpv4(const std::string& text, std::uint32_t& ipv4) {
  unsigned char bytes[4];
  size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    unsigned value = 0;
    size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    bytes[i] = static_cast<unsigned char>(value);
  }
  if (pos != text.size()) return false;
  // Network byte order: the first byte lowest in memory.
  ipv4 = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  return true;
}

AsyncSocket::AsyncSocket(EventLoop& loop) : loop_(loop), self_(std::make_shared<AsyncSocket*>(this)) {}

AsyncSocket::~AsyncSocket() {
  CancelDnsLookup();
  Release(true);
}

void AsyncSocket::DnsLookup(const std::string& host) {
  CancelDnsLookup();
  std::weak_ptr<AsyncSocket*> weak = self_;
  auto answer = [weak](int error, std::uint32_t ipv4) {
    auto self = weak.lock();
    if (!self) return;
    AsyncSocket* s = *self;
    s->lookup_ = 0;
    if (s->OnDnsLookupDone) s->OnDnsLookupDone(error, ipv4);
  };
  std::uint32_t ipv4 = 0;
  std::string name = Trim(host);
  // RFC 6761: names under .invalid never resolve, so no resolver is asked.
  bool reserved = SameText(name, "invalid") || EndsWithText(name, ".invalid") || EndsWithText(name, ".invalid.");
  if (ParseDottedIpv4(name, ipv4) || reserved || name.empty()) {
    int error = (reserved || name.empty()) ? kWsaHostNotFound : 0;
    // Answered through the loop all the same, so callers see one order of events.
    lookup_ = -1;
    loop_.Post([answer, error, ipv4] { answer(error, ipv4); });
    return;
  }
  lookup_ = loop_.LookupHost(name, answer);
  if (lookup_ == 0) lookup_ = -1;  // a loop without ids still answers through a post
}

void AsyncSocket::CancelDnsLookup() {
  if (lookup_ == 0) return;
  if (lookup_ > 0) loop_.CancelLookup(lookup_);
  lookup_ = 0;
  // Answers already posted find a new self_ and do nothing.
  self_ = std::make_shared<AsyncSocket*>(this);
}

int AsyncSocket::Connect(std::uint32_t ipv4, std::uint16_t port, std::uint32_t localIpv4) {
  Release(true);
  int error = 0;
  handle_ = sockops::Open(error);
  if (handle_ == sockops::kInvalid) return lastError_ = error;
  if (localIpv4 != 0 && (error = sockops::Bind(handle_, localIpv4)) != 0) {
    Release(true);
    return lastError_ = error;
  }
  peerClosed_ = false;
  closeError_ = 0;
  unsent_.clear();
  connecting_ = true;
  // Watched before connecting: a notice of a connect that fails at once
  // must find the watch already there.
  Watch();
  error = sockops::Connect(handle_, ipv4, port);
  if (error == kWsaEConnRefused || error == kWsaENetUnreach || error == kWsaEHostUnreach || error == kWsaETimedOut) {
    // Winsock reports these later through the connect notice even when the
    // stack knew at once; do the same everywhere.
    std::weak_ptr<AsyncSocket*> weak = self_;
    SocketHandle h = handle_;
    loop_.Post([weak, h, error] {
      auto self = weak.lock();
      if (!self || (*self)->handle_ != h || !(*self)->connecting_) return;
      AsyncSocket* s = *self;
      s->connecting_ = false;
      s->lastError_ = error;
      if (s->OnSessionConnected) s->OnSessionConnected(error);
    });
    return 0;
  }
  if (error != 0) {
    Release(true);
    return lastError_ = error;
  }
  return 0;
}

void AsyncSocket::Watch() {
  if (handle_ == sockops::kInvalid) return;
  unsigned interest = kSocketReadable | kSocketClosed;
  if (connecting_ || !unsent_.empty()) interest |= kSocketWritable;
  loop_.WatchSocket(handle_, interest, [this](unsigned events, int error) { OnReady(events, error); });
}

void AsyncSocket::OnReady(unsigned events, int error) {
  std::weak_ptr<AsyncSocket*> weak = self_;
  if (connecting_) {
    if (!(events & (kSocketWritable | kSocketError | kSocketClosed))) return;
    if (error == 0) error = sockops::PendingError(handle_);
    connecting_ = false;
    if (error == 0) {
      connected_ = true;
      Watch();  // no more interest in writability unless data waits
    }
    lastError_ = error;
    if (OnSessionConnected) OnSessionConnected(error);
    if (!weak.lock() || error != 0) return;
    events &= ~static_cast<unsigned>(kSocketWritable);
  }
  if ((events & kSocketWritable) && !unsent_.empty()) Flush();
  if (!weak.lock() || handle_ == sockops::kInvalid) return;
  if (events & (kSocketClosed | kSocketError)) {
    peerClosed_ = true;
    if (error != 0) closeError_ = error;
  }
  if (events & (kSocketReadable | kSocketClosed | kSocketError)) {
    if (OnDataAvailable) OnDataAvailable();
    // After the peer closed no further notice comes for what is left to
    // read, so keep offering it until the reader has seen the end.
    if (weak.lock() && peerClosed_ && handle_ != sockops::kInvalid && !drainPosted_) {
      drainPosted_ = true;
      SocketHandle h = handle_;
      loop_.Post([weak, h] {
        auto self = weak.lock();
        if (!self || (*self)->handle_ != h) return;
        (*self)->drainPosted_ = false;
        (*self)->OnReady(kSocketClosed, 0);
      });
    }
  }
}

int AsyncSocket::Send(const char* data, std::size_t len) {
  if (handle_ == sockops::kInvalid || !connected_) return lastError_ = kWsaENotConn;
  unsent_.append(data, len);
  Flush();
  return unsent_.empty() || lastError_ == kWsaEWouldBlock ? 0 : lastError_;
}

void AsyncSocket::Flush() {
  while (!unsent_.empty()) {
    int error = 0;
    long n = sockops::Send(handle_, unsent_.data(), unsent_.size(), error);
    if (n < 0) {
      lastError_ = error;
      if (error != kWsaEWouldBlock) unsent_.clear();  // the reader will meet the error
      break;
    }
    unsent_.erase(0, static_cast<size_t>(n));
  }
  Watch();
}

long AsyncSocket::Receive(char* buf, std::size_t len) {
  if (handle_ == sockops::kInvalid) {
    lastError_ = kWsaENotConn;
    return -1;
  }
  int error = 0;
  long n = sockops::Recv(handle_, buf, len, error);
  if (n > 0) return n;
  if (n == 0) {
    // Some stacks report a reset only through the close notice.
    if (closeError_ == 0) return 0;
    error = closeError_;
  }
  if (error == kWsaEWouldBlock && peerClosed_) {
    // Everything is read; the peer's close (or its reset) is what is left.
    if (closeError_ == 0) return 0;
    error = closeError_;
  }
  lastError_ = error;
  return -1;
}

void AsyncSocket::Release(bool reset) {
  if (handle_ == sockops::kInvalid) return;
  loop_.UnwatchSocket(handle_);
  sockops::Close(handle_, reset);
  handle_ = sockops::kInvalid;
  connecting_ = connected_ = peerClosed_ = drainPosted_ = false;
  unsent_.clear();
}

void AsyncSocket::Close() { Release(false); }

void AsyncSocket::Abort() {
  CancelDnsLookup();
  Release(true);
}

}  // namespace ombrix
