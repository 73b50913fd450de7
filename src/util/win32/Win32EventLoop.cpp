#include "util/win32/Win32EventLoop.h"

#include <winsock2.h>

#include <cstring>

namespace ombrix {

namespace {

const char kClassName[] = "OmbrixEventLoop";
const UINT kPostedMsg = WM_APP + 1;
const UINT kLookupMsg = WM_APP + 2;
// Socket notices use a range of message numbers, one per watch in turn.
const UINT kSocketMsgFirst = WM_APP + 0x100;
const UINT kSocketMsgCount = 0x3000;

}  // namespace

Win32EventLoop::Win32EventLoop() {
  WSADATA data;
  winsockStarted_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);  // a second loop finds the class already there
  hwnd_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32EventLoop::~Win32EventLoop() {
  for (auto& [id, fn] : timers_) KillTimer(hwnd_, id);
  for (auto& [sock, w] : sockets_) WSAAsyncSelect(static_cast<SOCKET>(sock), hwnd_, 0, 0);
  for (auto& [id, lookup] : lookups_) {
    WSACancelAsyncRequest(lookup.task);
    // A lookup still running may yet write its buffer: leave it allocated.
    (void)lookup.hostent.release();
  }
  DestroyWindow(hwnd_);
  if (winsockStarted_) WSACleanup();
}

EventLoop::TimerId Win32EventLoop::CreateTimer(std::function<void()> onTick) {
  UINT_PTR id = nextTimerId_++;
  timers_[id] = std::make_shared<std::function<void()>>(std::move(onTick));
  return static_cast<TimerId>(id);
}

void Win32EventLoop::ConfigureTimer(TimerId id, unsigned intervalMs, bool enabled) {
  KillTimer(hwnd_, id);
  if (enabled && intervalMs > 0) SetTimer(hwnd_, id, intervalMs, nullptr);
}

void Win32EventLoop::DestroyTimer(TimerId id) {
  KillTimer(hwnd_, id);
  timers_.erase(id);
}

void Win32EventLoop::Post(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    posted_.push_back(std::move(fn));
  }
  PostMessageA(hwnd_, kPostedMsg, 0, 0);
}

void Win32EventLoop::RunPosted() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    batch.swap(posted_);
  }
  for (auto& fn : batch) fn();
}

void Win32EventLoop::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
      break;
    }
    Dispatch(msg);
  }
  Idle();
}

void Win32EventLoop::Dispatch(MSG& msg) {
  if (filter_ && filter_(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

void Win32EventLoop::Idle() {
  if (!onIdle_ || inIdle_) return;
  inIdle_ = true;
  onIdle_();
  inIdle_ = false;
}

void Win32EventLoop::WaitForInput(unsigned ms) { MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT); }

void Win32EventLoop::Run() {
  quit_ = false;
  MSG msg;
  while (!quit_) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      Idle();
      if (!quit_) WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) break;
    Dispatch(msg);
  }
}

void Win32EventLoop::Quit() {
  quit_ = true;
  PostQuitMessage(0);
}

long long Win32EventLoop::NowMs() {
  // GetTickCount wraps every 49.7 days; the program runs for longer, and
  // GetTickCount64 is missing on XP, so the wraps are counted here.
  // Only a large step back is a wrap: under Wine the count can step back a
  // millisecond, which must not look like 49.7 days passing.
  static DWORD last = GetTickCount();
  static long long high = 0;
  DWORD now = GetTickCount();
  if (now < last && last - now > 0x80000000u) high += 0x100000000LL;
  if (now >= last || last - now > 0x80000000u) last = now;
  return high + last;
}

void Win32EventLoop::WatchSocket(SocketHandle socket, unsigned interest, SocketHandler onReady) {
  UINT message = kSocketMsgFirst + nextSocketMsg_;
  nextSocketMsg_ = (nextSocketMsg_ + 1) % kSocketMsgCount;
  sockets_[socket] = Watch{std::make_shared<SocketHandler>(std::move(onReady)), message};
  long mask = 0;
  if (interest & kSocketReadable) mask |= FD_READ;
  if (interest & kSocketWritable) mask |= FD_WRITE | FD_CONNECT;
  if (interest & (kSocketClosed | kSocketReadable)) mask |= FD_CLOSE;
  WSAAsyncSelect(static_cast<SOCKET>(socket), hwnd_, message, mask);
}

void Win32EventLoop::UnwatchSocket(SocketHandle socket) {
  WSAAsyncSelect(static_cast<SOCKET>(socket), hwnd_, 0, 0);
  sockets_.erase(socket);
  // Notices already queued for this socket are dropped by the lookup in WndProc.
}

EventLoop::LookupId Win32EventLoop::LookupHost(const std::string& name, LookupHandler onDone) {
  LookupId id = nextLookup_++;
  Lookup lookup;
  lookup.onDone = std::move(onDone);
  lookup.hostent.reset(new char[MAXGETHOSTSTRUCT]);
  // The answer names the task handle; the map ties it back to the lookup.
  lookup.task = WSAAsyncGetHostByName(hwnd_, kLookupMsg, name.c_str(), lookup.hostent.get(), MAXGETHOSTSTRUCT);
  if (!lookup.task) {
    int error = WSAGetLastError();
    LookupHandler handler = std::move(lookup.onDone);
    Post([handler, error] { handler(error ? error : WSAHOST_NOT_FOUND, 0); });
    return id;
  }
  lookups_[id] = std::move(lookup);
  return id;
}

void Win32EventLoop::CancelLookup(LookupId id) {
  auto it = lookups_.find(id);
  if (it == lookups_.end()) return;
  // The answer may already be queued (or, where cancelling is not supported,
  // still arrive): keep the entry so its buffer outlives the lookup, and
  // drop the answer when it comes.
  WSACancelAsyncRequest(it->second.task);
  it->second.onDone = nullptr;
}

LRESULT CALLBACK Win32EventLoop::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32EventLoop*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_TIMER: {
      auto it = self->timers_.find(wParam);
      if (it != self->timers_.end()) {
        auto handler = it->second;
        (*handler)();
      }
      return 0;
    }
    case kPostedMsg:
      self->RunPosted();
      return 0;
    case kLookupMsg: {
      for (auto it = self->lookups_.begin(); it != self->lookups_.end(); ++it) {
        if (it->second.task != reinterpret_cast<HANDLE>(wParam)) continue;
        Lookup lookup = std::move(it->second);
        self->lookups_.erase(it);
        if (!lookup.onDone) break;
        int error = WSAGETASYNCERROR(lParam);
        std::uint32_t ipv4 = 0;
        if (!error) {
          auto* host = reinterpret_cast<hostent*>(lookup.hostent.get());
          if (host->h_addrtype == AF_INET && host->h_length == 4 && host->h_addr_list[0])
            std::memcpy(&ipv4, host->h_addr_list[0], 4);
          else
            error = WSANO_DATA;
        }
        lookup.onDone(error, ipv4);
        break;
      }
      return 0;
    }
  }
  if (msg >= kSocketMsgFirst && msg < kSocketMsgFirst + kSocketMsgCount) {
    {
      auto it = self->sockets_.find(static_cast<SocketHandle>(wParam));
      if (it == self->sockets_.end() || it->second.message != msg) return 0;
      auto handler = it->second.handler;
      unsigned events = 0;
      WORD ev = WSAGETSELECTEVENT(lParam);
      int error = WSAGETSELECTERROR(lParam);
      if (ev & FD_READ) events |= kSocketReadable;
      if (ev & (FD_WRITE | FD_CONNECT)) events |= kSocketWritable;
      if (ev & FD_CLOSE) events |= kSocketClosed | kSocketReadable;
      if (error) events |= kSocketError;
      (*handler)(events, error);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace ombrix
