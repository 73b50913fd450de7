// The socket calls of AsyncSocket on Winsock. Winsock is linked at build
// time (ws2_32) rather than loaded by name at run time: every Windows since
// 95 OSR2 has it, and the loop's WSAAsyncSelect needs it linked anyway.
#include <winsock2.h>

#include "net/AsyncSocket.h"

namespace ombrix::sockops {

SocketHandle Open(int& error) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    error = WSAGetLastError();
    return kInvalid;
  }
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  BOOL one = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return static_cast<SocketHandle>(s);
}

int Bind(SocketHandle s, std::uint32_t ipv4) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = ipv4;
  return bind(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 ? 0
                                                                                                : WSAGetLastError();
}

int Connect(SocketHandle s, std::uint32_t ipv4, std::uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = ipv4;
  addr.sin_port = htons(port);
  if (connect(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return 0;
  int error = WSAGetLastError();
  return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS ? 0 : error;
}

int PendingError(SocketHandle s) {
  int error = 0;
  int len = sizeof error;
  if (getsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0)
    return WSAGetLastError();
  return error;
}

long Send(SocketHandle s, const char* data, std::size_t len, int& error) {
  int n = send(static_cast<SOCKET>(s), data, static_cast<int>(len), 0);
  if (n == SOCKET_ERROR) error = WSAGetLastError();
  return n;
}

long Recv(SocketHandle s, char* buf, std::size_t len, int& error) {
  int n = recv(static_cast<SOCKET>(s), buf, static_cast<int>(len), 0);
  if (n == SOCKET_ERROR) error = WSAGetLastError();
  return n;
}

void Close(SocketHandle s, bool reset) {
  if (reset) {
    linger l{1, 0};
    setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  }
  closesocket(static_cast<SOCKET>(s));
}

}  // namespace ombrix::sockops
