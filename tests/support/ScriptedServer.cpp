#include "support/ScriptedServer.h"

#include <algorithm>
#include <chrono>

#ifdef _WIN32
#include <winsock2.h>
using sock_t = SOCKET;
using socklen_t = int;
static void CloseSock(sock_t s) { closesocket(s); }
static void StartSockets() {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}
#define SHUT_WR SD_SEND
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using sock_t = int;
static void CloseSock(sock_t s) { close(s); }
static void StartSockets() {}
#endif

namespace ombrix::test {

namespace {

using Clock = std::chrono::steady_clock;

sock_t ToSock(std::intptr_t s) { return static_cast<sock_t>(s); }

// Waits until s is readable or ms pass; true when readable.
bool WaitReadable(sock_t s, int ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv{ms / 1000, (ms % 1000) * 1000};
  return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &tv) > 0;
}

std::intptr_t Listen(std::uint16_t& port) {
  StartSockets();
  sock_t s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  listen(s, 16);
  socklen_t len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return static_cast<std::intptr_t>(s);
}

bool SendAll(sock_t s, const char* data, std::size_t len) {
  while (len > 0) {
#ifdef _WIN32
    int n = send(s, data, static_cast<int>(len), 0);
#else
    ssize_t n = send(s, data, len, MSG_NOSIGNAL);
#endif
    if (n <= 0) return false;
    data += n;
    len -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads up to and including the empty line that ends a request head.
std::string ReadHead(sock_t s, int ms) {
  std::string head;
  auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (head.find("\r\n\r\n") == std::string::npos && Clock::now() < end) {
    if (!WaitReadable(s, 50)) continue;
    char c;
    if (recv(s, &c, 1, 0) != 1) break;
    head += c;
  }
  return head;
}

void CloseOrderly(sock_t s) {
  shutdown(s, SHUT_WR);
  // Read what the peer still sends so the close stays orderly (no RST).
  char buf[512];
  auto end = Clock::now() + std::chrono::milliseconds(2000);
  while (Clock::now() < end && WaitReadable(s, 50)) {
    if (recv(s, buf, sizeof buf, 0) <= 0) break;
  }
  CloseSock(s);
}

void CloseReset(sock_t s) {
  linger l{1, 0};
  setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  CloseSock(s);
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

Script& Script::Send(std::string bytes) {
  steps.push_back({Step::kSend, std::move(bytes)});
  return *this;
}
Script& Script::PauseMs(int ms) {
  steps.push_back({Step::kPause, {}, 0, ms});
  return *this;
}
Script& Script::Drip(std::string bytes, std::size_t piece, int gapMs) {
  steps.push_back({Step::kDrip, std::move(bytes), piece, gapMs});
  return *this;
}
Script& Script::Close() {
  steps.push_back({Step::kClose, {}, 0, 0});
  return *this;
}
Script& Script::Reset() {
  steps.push_back({Step::kReset, {}, 0, 0});
  return *this;
}
Script& Script::ReadRequest() {
  steps.push_back({Step::kRead, {}, 0, 0});
  return *this;
}
Script& Script::Hold() {
  steps.push_back({Step::kHold, {}, 0, 0});
  return *this;
}

std::string HttpResponse(int status, const std::string& reason, const std::string& body,
                         const std::vector<std::string>& headers, bool contentLength) {
  std::string r = "HTTP/1.0 " + std::to_string(status) + " " + reason + "\r\n";
  for (const std::string& h : headers) r += h + "\r\n";
  if (contentLength) r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  return r + "\r\n" + body;
}

ScriptedServer::ScriptedServer(std::vector<Script> scripts, bool repeatLast, int lifetimeMs)
    : scripts_(std::move(scripts)), repeatLast_(repeatLast), lifetimeMs_(lifetimeMs) {
  listen_ = Listen(port_);
  thread_ = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer() {
  stop_ = true;
  thread_.join();
  CloseSock(ToSock(listen_));
}

std::string ScriptedServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> ScriptedServer::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void ScriptedServer::Run() {
  auto end = Clock::now() + std::chrono::milliseconds(lifetimeMs_);
  size_t served = 0;
  while (!stop_ && Clock::now() < end) {
    if (!repeatLast_ && served >= scripts_.size()) break;
    if (!WaitReadable(ToSock(listen_), 50)) continue;
    sock_t conn = accept(ToSock(listen_), nullptr, nullptr);
#ifdef _WIN32
    if (conn == INVALID_SOCKET) continue;
#else
    if (conn < 0) continue;
#endif
    ++connections_;
    const Script& script = scripts_.empty() ? Script() : scripts_[std::min(served, scripts_.size() - 1)];
    ++served;
    Serve(static_cast<std::intptr_t>(conn), script);
  }
}

void ScriptedServer::Serve(std::intptr_t handle, const Script& script) {
  sock_t conn = ToSock(handle);
  std::string head = ReadHead(conn, 5000);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(head);
  }
  for (const Script::Step& step : script.steps) {
    if (stop_) break;
    switch (step.kind) {
      case Script::Step::kSend:
        if (!SendAll(conn, step.bytes.data(), step.bytes.size())) {
          CloseSock(conn);
          return;
        }
        break;
      case Script::Step::kPause:
        Sleep(step.ms);
        break;
      case Script::Step::kRead: {
        std::string next = ReadHead(conn, 5000);
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(next);
        break;
      }
      case Script::Step::kDrip:
        for (size_t pos = 0; pos < step.bytes.size() && !stop_; pos += step.piece) {
          if (pos > 0) Sleep(step.ms);
          size_t n = std::min(step.piece, step.bytes.size() - pos);
          if (!SendAll(conn, step.bytes.data() + pos, n)) {
            CloseSock(conn);
            return;
          }
        }
        break;
      case Script::Step::kClose:
        CloseOrderly(conn);
        return;
      case Script::Step::kReset:
        CloseReset(conn);
        return;
      case Script::Step::kHold: {
        char buf[256];
        auto end = Clock::now() + std::chrono::milliseconds(lifetimeMs_);
        while (!stop_ && Clock::now() < end) {
          if (!WaitReadable(conn, 50)) continue;
          if (recv(conn, buf, sizeof buf, 0) <= 0) break;  // the client went away
        }
        CloseSock(conn);
        return;
      }
    }
  }
  CloseOrderly(conn);
}

ScriptedProxy::ScriptedProxy(std::uint16_t upstreamPort, int lifetimeMs)
    : upstream_(upstreamPort), lifetimeMs_(lifetimeMs) {
  listen_ = Listen(port_);
  thread_ = std::thread([this] { Run(); });
}

ScriptedProxy::~ScriptedProxy() {
  stop_ = true;
  thread_.join();
  CloseSock(ToSock(listen_));
}

std::vector<std::string> ScriptedProxy::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void ScriptedProxy::Run() {
  auto end = Clock::now() + std::chrono::milliseconds(lifetimeMs_);
  while (!stop_ && Clock::now() < end) {
    if (!WaitReadable(ToSock(listen_), 50)) continue;
    sock_t conn = accept(ToSock(listen_), nullptr, nullptr);
    std::string head = ReadHead(conn, 5000);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(head);
    }
    if (head.rfind("CONNECT ", 0) == 0) {
      Tunnel(static_cast<std::intptr_t>(conn));
      continue;
    }
    // "GET http://host[:port]/path HTTP/1.0" becomes "GET /path HTTP/1.0".
    std::string forward = head;
    size_t scheme = forward.find("://");
    size_t lineEnd = forward.find("\r\n");
    if (scheme != std::string::npos && scheme < lineEnd) {
      size_t path = forward.find('/', scheme + 3);
      size_t space = forward.find(' ');
      if (path != std::string::npos && path < lineEnd) forward.erase(space + 1, path - space - 1);
    }
    sock_t up = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(upstream_);
    if (connect(up, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        SendAll(up, forward.data(), forward.size())) {
      char buf[4096];
      for (;;) {
        if (stop_ || Clock::now() >= end) break;
        if (!WaitReadable(up, 50)) continue;
        int n = static_cast<int>(recv(up, buf, sizeof buf, 0));
        if (n <= 0 || !SendAll(conn, buf, static_cast<std::size_t>(n))) break;
      }
    }
    CloseSock(up);
    CloseOrderly(conn);
  }
}

// CONNECT: a tunnel to the upstream, bytes relayed both ways until either
// side closes.
void ScriptedProxy::Tunnel(std::intptr_t handle) {
  sock_t conn = ToSock(handle);
  sock_t up = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(upstream_);
  const std::string ok = "HTTP/1.0 200 Connection established\r\n\r\n";
  if (connect(up, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && SendAll(conn, ok.data(), ok.size())) {
    char buf[16384];
    while (!stop_) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(conn, &set);
      FD_SET(up, &set);
      timeval tv{0, 50000};
      if (select(static_cast<int>(std::max(conn, up)) + 1, &set, nullptr, nullptr, &tv) <= 0) continue;
      sock_t from = FD_ISSET(conn, &set) ? conn : up;
      int n = static_cast<int>(recv(from, buf, sizeof buf, 0));
      if (n <= 0 || !SendAll(from == conn ? up : conn, buf, static_cast<std::size_t>(n))) break;
    }
  }
  CloseSock(up);
  CloseSock(conn);
}

std::uint16_t UnusedPort() {
  std::uint16_t port = 0;
  std::intptr_t s = Listen(port);
  CloseSock(ToSock(s));
  return port;
}

}  // namespace ombrix::test
