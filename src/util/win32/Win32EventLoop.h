// The Win32 event loop: the thread's message queue. Timers are window timers
// on a hidden message window, posted calls are window messages, and sockets
// report through WSAAsyncSelect to the same window.
#pragma once
#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "util/EventLoop.h"

namespace ombrix {

class Win32EventLoop : public EventLoop {
 public:
  Win32EventLoop();
  ~Win32EventLoop() override;

  TimerId CreateTimer(std::function<void()> onTick) override;
  void ConfigureTimer(TimerId id, unsigned intervalMs, bool enabled) override;
  void DestroyTimer(TimerId id) override;
  void Post(std::function<void()> fn) override;
  void ProcessMessages() override;
  void WaitForInput(unsigned ms) override;
  void WatchSocket(SocketHandle socket, unsigned interest, SocketHandler onReady) override;
  void UnwatchSocket(SocketHandle socket) override;
  // WSAAsyncGetHostByName to the loop's window.
  LookupId LookupHost(const std::string& name, LookupHandler onDone) override;
  void CancelLookup(LookupId id) override;
  void Run() override;
  void Quit() override;
  long long NowMs() override;

  HWND Window() const { return hwnd_; }
  // Runs whenever the queue has been emptied, by Run() and by
  // ProcessMessages(): the window shell mirrors its component state here,
  // so whatever a timer, socket or posted call changed reaches the screen.
  void SetIdleHandler(std::function<void()> onIdle) { onIdle_ = std::move(onIdle); }
  // Sees every message before it is dispatched; returning true consumes it
  // (a window's own keys, dialog-style keyboard navigation).
  void SetMessageFilter(std::function<bool(MSG&)> filter) { filter_ = std::move(filter); }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void RunPosted();
  void Idle();
  void Dispatch(MSG& msg);

  HWND hwnd_ = nullptr;
  std::map<UINT_PTR, std::shared_ptr<std::function<void()>>> timers_;
  struct Watch {
    std::shared_ptr<SocketHandler> handler;
    // Each watch notifies with a message number of its own, so notices still
    // queued for a closed socket never reach a new socket with the same handle.
    UINT message = 0;
  };
  std::map<SocketHandle, Watch> sockets_;
  UINT nextSocketMsg_ = 0;
  struct Lookup {
    HANDLE task = nullptr;
    LookupHandler onDone;  // empty once cancelled
    std::unique_ptr<char[]> hostent;  // MAXGETHOSTSTRUCT bytes the lookup fills in
  };
  std::map<LookupId, Lookup> lookups_;
  LookupId nextLookup_ = 1;
  bool winsockStarted_ = false;
  UINT_PTR nextTimerId_ = 1;
  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
  std::function<void()> onIdle_;
  std::function<bool(MSG&)> filter_;
  bool inIdle_ = false;
};

}  // namespace ombrix
