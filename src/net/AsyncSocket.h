// A non-blocking TCP client socket driven by the event loop, with a name
// lookup whose answer arrives on the loop's thread. Error numbers are
// Winsock's on every platform, so reasons and logs read the same everywhere.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "util/EventLoop.h"

namespace ombrix {

// The Winsock error numbers the program reports.
enum SocketErrorCode : int {
  kWsaEWouldBlock = 10035,
  kWsaEInProgress = 10036,
  kWsaEAddrInUse = 10048,
  kWsaEAddrNotAvail = 10049,
  kWsaENetDown = 10050,
  kWsaENetUnreach = 10051,
  kWsaEConnAborted = 10053,
  kWsaEConnReset = 10054,
  kWsaENoBufs = 10055,
  kWsaENotConn = 10057,
  kWsaETimedOut = 10060,
  kWsaEConnRefused = 10061,
  kWsaEHostUnreach = 10065,
  kWsaHostNotFound = 11001,
  kWsaTryAgain = 11002,
};

// A readable description of a socket error number.
std::string SocketErrorDesc(int error);

// The operating system's socket calls, in a form both platforms share
// (net/posix, net/win32). Every failure is a Winsock error number.
namespace sockops {
constexpr SocketHandle kInvalid = -1;
SocketHandle Open(int& error);  // a non-blocking TCP socket
int Bind(SocketHandle s, std::uint32_t ipv4);
// 0 when the connection is under way; else the error number.
int Connect(SocketHandle s, std::uint32_t ipv4, std::uint16_t port);
int PendingError(SocketHandle s);  // the outcome of a finished connect
long Send(SocketHandle s, const char* data, std::size_t len, int& error);
long Recv(SocketHandle s, char* buf, std::size_t len, int& error);
void Close(SocketHandle s, bool reset);  // reset: drop unsent data, send RST
}  // namespace sockops

class AsyncSocket {
 public:
  explicit AsyncSocket(EventLoop& loop);
  ~AsyncSocket();
  AsyncSocket(const AsyncSocket&) = delete;
  AsyncSocket& operator=(const AsyncSocket&) = delete;

  // The lookup's answer: 0 and the address (network byte order), or an error.
  std::function<void(int error, std::uint32_t ipv4)> OnDnsLookupDone;
  // The connection is up (0) or failed later (an error number).
  std::function<void(int error)> OnSessionConnected;
  // Data, the end of the stream or a reset is waiting for Receive.
  std::function<void()> OnDataAvailable;

  // Resolves host; a dotted IPv4 address answers at once, and names under the
  // reserved ".invalid" domain fail at once without asking any resolver.
  void DnsLookup(const std::string& host);
  void CancelDnsLookup();
  bool Resolving() const { return lookup_ != 0; }

  // Starts connecting from localIpv4 (0: any). 0 when under way (the outcome
  // comes through OnSessionConnected); an error number when it failed at once.
  int Connect(std::uint32_t ipv4, std::uint16_t port, std::uint32_t localIpv4 = 0);
  // Queues data and sends it as the peer takes it. 0, or an error number.
  int Send(const char* data, std::size_t len);
  // Bytes read (> 0), 0 at the end of the stream, or -1 with LastError()
  // (kWsaEWouldBlock when nothing is there yet).
  long Receive(char* buf, std::size_t len);
  int LastError() const { return lastError_; }

  void Close();  // orderly: the peer reads to the end of what was sent
  void Abort();  // at once, without waiting for the peer
  bool IsOpen() const { return handle_ != sockops::kInvalid; }
  bool IsConnected() const { return connected_; }

  static bool ParseDottedIpv4(const std::string& text, std::uint32_t& ipv4);

 private:
  void Watch();
  void OnReady(unsigned events, int error);
  void Flush();
  void Release(bool reset);

  EventLoop& loop_;
  SocketHandle handle_ = sockops::kInvalid;
  bool connecting_ = false, connected_ = false, peerClosed_ = false, drainPosted_ = false;
  int closeError_ = 0;
  int lastError_ = 0;
  EventLoop::LookupId lookup_ = 0;
  std::string unsent_;
  // Calls posted to the loop hold a weak reference and do nothing once the
  // socket is gone.
  std::shared_ptr<AsyncSocket*> self_;
};

}  // namespace ombrix
