#include "util/posix/PosixEventLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <vector>

namespace ombrix {

PosixEventLoop::PosixEventLoop(Clock& clock) : clock_(clock) {
  int fds[2];
  if (pipe(fds) == 0) {
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    for (int fd : fds) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
}

PosixEventLoop::~PosixEventLoop() {
  if (wakeRead_ >= 0) close(wakeRead_);
  if (wakeWrite_ >= 0) close(wakeWrite_);
}

void PosixEventLoop::Post(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    posted_.push_back(std::move(fn));
  }
  char byte = 1;
  if (wakeWrite_ >= 0) (void)!write(wakeWrite_, &byte, 1);
}

void PosixEventLoop::DrainWakePipe() {
  char buf[64];
  while (wakeRead_ >= 0 && read(wakeRead_, buf, sizeof buf) > 0) {
  }
}

bool PosixEventLoop::Poll(int timeoutMs, bool dispatch) {
  std::vector<pollfd> fds;
  fds.push_back({wakeRead_, POLLIN, 0});
  for (const auto& [sock, w] : watches_) {
    short events = 0;
    if (w.interest & (kSocketReadable | kSocketClosed)) events |= POLLIN;
    if (w.interest & kSocketWritable) events |= POLLOUT;
    fds.push_back({static_cast<int>(sock), events, 0});
  }
  int n = poll(fds.data(), fds.size(), timeoutMs);
  if (n <= 0 || !dispatch) return n > 0;
  for (size_t i = 1; i < fds.size(); ++i) {
    if (fds[i].revents == 0) continue;
    auto it = watches_.find(fds[i].fd);
    if (it == watches_.end()) continue;  // unwatched by an earlier handler
    unsigned events = 0;
    if (fds[i].revents & POLLIN) events |= kSocketReadable;
    if (fds[i].revents & POLLOUT) events |= kSocketWritable;
    if (fds[i].revents & (POLLHUP | POLLRDHUP)) events |= kSocketClosed;
    if (fds[i].revents & (POLLERR | POLLNVAL)) events |= kSocketError;
    auto handler = it->second.handler;  // survives an unwatch inside the call
    (*handler)(events, 0);
  }
  return true;
}

void PosixEventLoop::ProcessMessages() {
  DrainWakePipe();
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    batch.swap(posted_);
  }
  for (auto& fn : batch) fn();
  if (!watches_.empty()) Poll(0, true);
  timers_.FireDue(NowMs());
}

void PosixEventLoop::WaitForInput(unsigned ms) {
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    if (!posted_.empty()) return;
  }
  long long next = timers_.MsUntilNextDue(NowMs());
  long long wait = (next >= 0 && next < ms) ? next : ms;
  Poll(static_cast<int>(wait), false);
}

void PosixEventLoop::WatchSocket(SocketHandle socket, unsigned interest, SocketHandler onReady) {
  watches_[socket] = Watch{interest, std::make_shared<SocketHandler>(std::move(onReady))};
}

void PosixEventLoop::UnwatchSocket(SocketHandle socket) { watches_.erase(socket); }

}  // namespace ombrix
