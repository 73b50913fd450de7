// The one thread's event loop: timers, posted calls and socket readiness.
// Long operations call ProcessMessages() at fixed points so timers, socket
// events and user input keep being served in their middle.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace ombrix {

using SocketHandle = std::intptr_t;

// Readiness reported for a watched socket.
enum SocketEvent : unsigned {
  kSocketReadable = 1,   // data (or end of stream) to read
  kSocketWritable = 2,   // connect finished, or room to send again
  kSocketClosed = 4,     // the peer closed or reset the connection
  kSocketError = 8,      // the operation failed; see the error code
};

class EventLoop {
 public:
  using TimerId = int;
  using SocketHandler = std::function<void(unsigned events, int errorCode)>;

  virtual ~EventLoop() = default;

  // Timers start disabled. Enabling or changing the interval of an enabled
  // timer restarts its countdown. A handler may change any timer, its own too.
  virtual TimerId CreateTimer(std::function<void()> onTick) = 0;
  virtual void ConfigureTimer(TimerId id, unsigned intervalMs, bool enabled) = 0;
  virtual void DestroyTimer(TimerId id) = 0;

  // Runs fn on the loop's thread at its next ProcessMessages. Safe to call
  // from any thread.
  virtual void Post(std::function<void()> fn) = 0;

  // Runs every pending event (posted calls, ready sockets, due timers) and
  // returns without blocking.
  virtual void ProcessMessages() = 0;
  // Blocks until an event is pending or ms milliseconds have passed.
  virtual void WaitForInput(unsigned ms) = 0;

  // Calls onReady when the socket becomes ready for one of the events in
  // interest. Calling again replaces the interest and the handler.
  virtual void WatchSocket(SocketHandle socket, unsigned interest, SocketHandler onReady) = 0;
  virtual void UnwatchSocket(SocketHandle socket) = 0;

  // Resolves a host name to an IPv4 address without blocking the loop. The
  // handler runs later on the loop's thread with 0 and the address (network
  // byte order), or with a Winsock error number (11001 host not found, ...).
  // Loops without a resolver fail every lookup with 11001.
  using LookupId = int;
  using LookupHandler = std::function<void(int errorCode, std::uint32_t ipv4)>;
  virtual LookupId LookupHost(const std::string& name, LookupHandler onDone);
  // The handler of a cancelled lookup never runs; unknown ids are ignored.
  virtual void CancelLookup(LookupId id);

  // True once the application was asked to end (WM_QUIT, Quit()).
  bool Terminated() const { return quit_; }

  // Runs until Quit() is called.
  virtual void Run();
  virtual void Quit() { quit_ = true; }

  // Milliseconds on the loop's own steady clock.
  virtual long long NowMs() = 0;

 protected:
  bool quit_ = false;
};

// A timer component: interval, enabled state and handler, like the timers
// the main window owns (Process, MinTimer, RidgeTimer, ...).
class Timer {
 public:
  Timer(EventLoop& loop, unsigned intervalMs, bool enabled, std::function<void()> onTimer = {});
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool Enabled() const { return enabled_; }
  unsigned Interval() const { return interval_; }
  void SetEnabled(bool enabled);
  void SetInterval(unsigned intervalMs);
  void SetOnTimer(std::function<void()> onTimer) { onTimer_ = std::move(onTimer); }

 private:
  void Apply();
  EventLoop& loop_;
  EventLoop::TimerId id_;
  unsigned interval_;
  bool enabled_;
  std::function<void()> onTimer_;
};

// Returns after `seconds` have passed on the loop's clock, serving events all
// the while.
void PumpDelay(EventLoop& loop, double seconds);

}  // namespace ombrix
