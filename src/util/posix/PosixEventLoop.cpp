#include "util/posix/PosixEventLoop.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace ombrix {

PosixEventLoop::PosixEventLoop(Clock& clock) : clock_(clock), gate_(std::make_shared<PostGate>()) {
  gate_->loop = this;
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
  {
    std::lock_guard<std::mutex> lock(gate_->mutex);
    gate_->loop = nullptr;
  }
  for (auto& [id, lookup] : lookups_)
    if (lookup.worker.joinable()) lookup.worker.join();
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
  std::vector<unsigned long long> serials;
  fds.push_back({wakeRead_, POLLIN, 0});
  serials.push_back(0);
  for (const auto& [sock, w] : watches_) {
    short events = 0;
    if (w.interest & (kSocketReadable | kSocketClosed)) events |= POLLIN;
    if (w.interest & kSocketWritable) events |= POLLOUT;
    fds.push_back({static_cast<int>(sock), events, 0});
    serials.push_back(w.serial);
  }
  int n = poll(fds.data(), fds.size(), timeoutMs);
  if (n <= 0 || !dispatch) return n > 0;
  for (size_t i = 1; i < fds.size(); ++i) {
    if (fds[i].revents == 0) continue;
    auto it = watches_.find(fds[i].fd);
    // Unwatched by an earlier handler of this batch, or watched anew (maybe
    // a new socket on the same descriptor): poll is level-triggered, so
    // anything still pending shows up in the next round.
    if (it == watches_.end() || it->second.serial != serials[i]) continue;
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

bool PosixEventLoop::HasPosted() {
  std::lock_guard<std::mutex> lock(postedMutex_);
  return !posted_.empty();
}

void PosixEventLoop::WaitForInput(unsigned ms) {
  if (HasPosted()) return;
  long long next = MsUntilNextTimer();
  long long wait = (next >= 0 && next < ms) ? next : ms;
  Poll(static_cast<int>(wait), false);
}

void PosixEventLoop::WatchSocket(SocketHandle socket, unsigned interest, SocketHandler onReady) {
  watches_[socket] = Watch{interest, std::make_shared<SocketHandler>(std::move(onReady)), nextSerial_++};
}

void PosixEventLoop::UnwatchSocket(SocketHandle socket) { watches_.erase(socket); }

EventLoop::LookupId PosixEventLoop::LookupHost(const std::string& name, LookupHandler onDone) {
  LookupId id = nextLookup_++;
  Lookup& lookup = lookups_[id];
  lookup.onDone = std::move(onDone);
  lookup.worker = std::thread([gate = gate_, id, name] {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    int error = 11001;  // WSAHOST_NOT_FOUND
    std::uint32_t ipv4 = 0;
    int rc = getaddrinfo(name.c_str(), nullptr, &hints, &result);
    if (rc == 0 && result) {
      ipv4 = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
      error = 0;
    } else if (rc == EAI_AGAIN) {
      error = 11002;  // WSATRY_AGAIN
    }
    if (result) freeaddrinfo(result);
    std::lock_guard<std::mutex> lock(gate->mutex);
    if (gate->loop) {
      PosixEventLoop* loop = gate->loop;
      loop->Post([loop, id, error, ipv4] { loop->FinishLookup(id, error, ipv4); });
    }
  });
  return id;
}

void PosixEventLoop::FinishLookup(LookupId id, int error, std::uint32_t ipv4) {
  auto it = lookups_.find(id);
  if (it == lookups_.end()) return;
  LookupHandler onDone = std::move(it->second.onDone);
  if (it->second.worker.joinable()) it->second.worker.join();  // it has posted; it is ending
  lookups_.erase(it);
  if (onDone) onDone(error, ipv4);
}

void PosixEventLoop::CancelLookup(LookupId id) {
  auto it = lookups_.find(id);
  if (it != lookups_.end()) it->second.onDone = nullptr;  // the entry goes when the thread reports
}

}  // namespace ombrix
