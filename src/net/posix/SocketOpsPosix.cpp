// The socket calls of AsyncSocket on POSIX, with errno mapped to Winsock's
// numbers.
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/AsyncSocket.h"

namespace ombrix::sockops {
namespace {

int MapErrno(int e) {
  switch (e) {
    case 0: return 0;
    case EINTR: return 10004;
    case EACCES: case EPERM: return 10013;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK: return kWsaEWouldBlock;
    case EINPROGRESS: case EALREADY: return kWsaEInProgress;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return kWsaEAddrInUse;
    case EADDRNOTAVAIL: return kWsaEAddrNotAvail;
    case ENETDOWN: return kWsaENetDown;
    case ENETUNREACH: return kWsaENetUnreach;
    case ENETRESET: return 10052;
    case ECONNABORTED: return kWsaEConnAborted;
    case ECONNRESET: return kWsaEConnReset;
    case EPIPE: return kWsaEConnReset;  // the peer is gone
    case ENOBUFS: case ENOMEM: return kWsaENoBufs;
    case ENOTCONN: return kWsaENotConn;
    case ETIMEDOUT: return kWsaETimedOut;
    case ECONNREFUSED: return kWsaEConnRefused;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return kWsaEHostUnreach;
    default: return 10000 + e;
  }
}

}  // namespace

SocketHandle Open(int& error) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = MapErrno(errno);
    return kInvalid;
  }
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);  // a request is one small write
  return fd;
}

int Bind(SocketHandle s, std::uint32_t ipv4) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = ipv4;
  return bind(static_cast<int>(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 ? 0 : MapErrno(errno);
}

int Connect(SocketHandle s, std::uint32_t ipv4, std::uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = ipv4;
  addr.sin_port = htons(port);
  if (connect(static_cast<int>(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return 0;
  return errno == EINPROGRESS ? 0 : MapErrno(errno);
}

int PendingError(SocketHandle s) {
  int error = 0;
  socklen_t len = sizeof error;
  if (getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &error, &len) != 0) return MapErrno(errno);
  return MapErrno(error);
}

long Send(SocketHandle s, const char* data, std::size_t len, int& error) {
  ssize_t n;
  do {
    n = send(static_cast<int>(s), data, len, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) error = MapErrno(errno);
  return static_cast<long>(n);
}

long Recv(SocketHandle s, char* buf, std::size_t len, int& error) {
  ssize_t n;
  do {
    n = recv(static_cast<int>(s), buf, len, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) error = MapErrno(errno);
  return static_cast<long>(n);
}

void Close(SocketHandle s, bool reset) {
  if (reset) {
    linger l{1, 0};
    setsockopt(static_cast<int>(s), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  }
  close(static_cast<int>(s));
}

}  // namespace ombrix::sockops
