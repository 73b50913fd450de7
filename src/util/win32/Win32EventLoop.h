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
  void Run() override;
  void Quit() override;
  long long NowMs() override;

  HWND Window() const { return hwnd_; }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void RunPosted();

  HWND hwnd_ = nullptr;
  std::map<UINT_PTR, std::shared_ptr<std::function<void()>>> timers_;
  std::map<SocketHandle, std::shared_ptr<SocketHandler>> sockets_;
  UINT_PTR nextTimerId_ = 1;
  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace ombrix
