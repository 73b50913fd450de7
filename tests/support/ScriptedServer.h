// A scripted HTTP server and proxy for network tests: a thread of their own,
// listening on 127.0.0.1 only, serving each accepted connection by a script
// (byte-exact sends, pauses, drips, resets, closes) and stopping by itself
// when the scripts are done or their time is up.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ombrix::test {

// What the server does on one connection, step by step. The request head
// (up to the empty line) is always read first and recorded.
class Script {
 public:
  Script& Send(std::string bytes);
  Script& PauseMs(int ms);
  // Sends bytes in pieces of `piece` bytes with gapMs between them.
  Script& Drip(std::string bytes, std::size_t piece, int gapMs);
  Script& Close();  // orderly close (the default at the end)
  Script& Reset();  // close with RST
  // Keeps the connection open without sending until the client goes away
  // or the server's time is up.
  Script& Hold();
  // Reads and records one more request head (a kept-open connection).
  Script& ReadRequest();

  struct Step {
    enum Kind { kSend, kPause, kDrip, kClose, kReset, kHold, kRead } kind;
    std::string bytes;
    std::size_t piece = 0;
    int ms = 0;
  };
  std::vector<Step> steps;
};

// A whole response: status line, headers, CR LFs, body.
std::string HttpResponse(int status, const std::string& reason, const std::string& body,
                         const std::vector<std::string>& headers = {}, bool contentLength = true);

class ScriptedServer {
 public:
  // Connection n gets scripts[n]; once they run out, the last one repeats
  // when repeatLast is set, else further connections are closed at once.
  explicit ScriptedServer(std::vector<Script> scripts, bool repeatLast = false, int lifetimeMs = 30000);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t Port() const { return port_; }
  std::string BaseUrl() const;  // http://127.0.0.1:port
  std::vector<std::string> Requests();  // each request head, in order
  int Connections() const { return connections_; }

 private:
  void Run();
  void Serve(std::intptr_t conn, const Script& script);

  std::vector<Script> scripts_;
  bool repeatLast_;
  int lifetimeMs_;
  std::intptr_t listen_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A plain forwarding proxy: reads each request head, records it, and sends
// it with an origin-form request line to 127.0.0.1:upstreamPort, whatever
// host the request names; then relays the answer until the upstream closes.
// A CONNECT opens a tunnel to the same upstream instead.
class ScriptedProxy {
 public:
  explicit ScriptedProxy(std::uint16_t upstreamPort, int lifetimeMs = 30000);
  ~ScriptedProxy();
  std::uint16_t Port() const { return port_; }
  std::vector<std::string> Requests();

 private:
  void Run();
  void Tunnel(std::intptr_t conn);
  std::uint16_t upstream_;
  int lifetimeMs_;
  std::intptr_t listen_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens (bound, then closed).
std::uint16_t UnusedPort();

}  // namespace ombrix::test
