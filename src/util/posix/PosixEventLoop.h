// The POSIX event loop: poll() over the watched sockets and a wake-up pipe,
// with timers kept in a TimerQueue on the monotonic clock.
#pragma once
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "util/Clock.h"
#include "util/EventLoop.h"
#include "util/TimerQueue.h"

namespace ombrix {

class PosixEventLoop : public EventLoop {
 public:
  explicit PosixEventLoop(Clock& clock = SystemClock());
  ~PosixEventLoop() override;

  TimerId CreateTimer(std::function<void()> onTick) override { return timers_.Create(std::move(onTick)); }
  void ConfigureTimer(TimerId id, unsigned intervalMs, bool enabled) override {
    timers_.Configure(id, intervalMs, enabled, NowMs());
  }
  void DestroyTimer(TimerId id) override { timers_.Destroy(id); }
  void Post(std::function<void()> fn) override;
  void ProcessMessages() override;
  void WaitForInput(unsigned ms) override;
  void WatchSocket(SocketHandle socket, unsigned interest, SocketHandler onReady) override;
  void UnwatchSocket(SocketHandle socket) override;
  // Each lookup runs getaddrinfo on a thread of its own and posts the result
  // back; the thread is joined when its result is delivered or the loop ends.
  LookupId LookupHost(const std::string& name, LookupHandler onDone) override;
  void CancelLookup(LookupId id) override;
  long long NowMs() override { return clock_.MonotonicMs(); }

 protected:
  // Polls with the given time-out; dispatches ready sockets when asked.
  // True when a watched socket or the wake-up pipe is ready.
  bool Poll(int timeoutMs, bool dispatch);
  bool HasPosted();
  // Milliseconds until the next enabled timer is due, -1 with none.
  long long MsUntilNextTimer() { return timers_.MsUntilNextDue(NowMs()); }

 private:
  void DrainWakePipe();

  struct Watch {
    unsigned interest = 0;
    std::shared_ptr<SocketHandler> handler;
    // Tells a watch apart from a later one on a reused descriptor, so events
    // polled for a socket that a handler closed never reach its successor.
    unsigned long long serial = 0;
  };
  struct Lookup {
    LookupHandler onDone;  // empty once cancelled
    std::thread worker;
  };
  void FinishLookup(LookupId id, int error, std::uint32_t ipv4);
  Clock& clock_;
  TimerQueue timers_;
  std::map<SocketHandle, Watch> watches_;
  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
  int wakeRead_ = -1, wakeWrite_ = -1;
  unsigned long long nextSerial_ = 1;
  std::map<LookupId, Lookup> lookups_;
  LookupId nextLookup_ = 1;
  // Lookup threads post through this; the loop clears it when it goes away.
  struct PostGate {
    std::mutex mutex;
    PosixEventLoop* loop = nullptr;
  };
  std::shared_ptr<PostGate> gate_;
};

}  // namespace ombrix
