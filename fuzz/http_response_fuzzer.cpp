// libFuzzer target: the HTTP client's response parsing (status line, header
// lines, chunk sizes, lengths, relocations on a kept-open connection), fed
// by a stand-in for the socket calls. The first input byte sets the size of
// the pieces the "server" hands over; the rest is what it sends.
#include <cstring>
#include <deque>
#include <map>

#include "FuzzInput.h"
#include "net/HttpClient.h"
#include "net/Stream.h"

namespace {

const uint8_t* g_data = nullptr;
size_t g_size = 0, g_pos = 0, g_piece = 1;
ombrix::SocketHandle g_next = 1;

// Posted calls, and every watched socket offered as readable and writable at
// each round: the stand-in socket always has its next piece ready.
class FuzzLoop : public ombrix::EventLoop {
 public:
  TimerId CreateTimer(std::function<void()>) override { return ++timers_; }
  void ConfigureTimer(TimerId, unsigned, bool) override {}
  void DestroyTimer(TimerId) override {}
  void Post(std::function<void()> fn) override { posted_.push_back(std::move(fn)); }
  void ProcessMessages() override {
    std::deque<std::function<void()>> batch;
    batch.swap(posted_);
    for (auto& fn : batch) fn();
    std::map<ombrix::SocketHandle, SocketHandler> ready = watched_;
    for (auto& [socket, handler] : ready)
      if (watched_.count(socket)) handler(ombrix::kSocketReadable | ombrix::kSocketWritable, 0);
  }
  void WaitForInput(unsigned) override {}
  void WatchSocket(ombrix::SocketHandle socket, unsigned, SocketHandler onReady) override {
    watched_[socket] = std::move(onReady);
  }
  void UnwatchSocket(ombrix::SocketHandle socket) override { watched_.erase(socket); }
  long long NowMs() override { return 0; }
  bool Idle() const { return posted_.empty(); }

 private:
  TimerId timers_ = 0;
  std::deque<std::function<void()>> posted_;
  std::map<ombrix::SocketHandle, SocketHandler> watched_;
};

}  // namespace

// The socket calls: the first connection receives the input, every later
// one (a relocation to a new connection) finds the peer closed at once.
namespace ombrix::sockops {
SocketHandle Open(int&) { return g_next++; }
int Bind(SocketHandle, std::uint32_t) { return 0; }
int Connect(SocketHandle, std::uint32_t, std::uint16_t) { return 0; }
int PendingError(SocketHandle) { return 0; }
long Send(SocketHandle, const char*, std::size_t len, int&) { return static_cast<long>(len); }
long Recv(SocketHandle s, char* buf, std::size_t len, int&) {
  if (s != 1 || g_pos >= g_size) return 0;
  size_t n = std::min({len, g_piece, g_size - g_pos});
  std::memcpy(buf, g_data + g_pos, n);
  g_pos += n;
  return static_cast<long>(n);
}
void Close(SocketHandle, bool) {}
}  // namespace ombrix::sockops

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  g_piece = data[0] == 0 ? ombrix::THttpClient::kRcvBufSize : data[0];
  g_data = data + 1;
  g_size = size - 1;
  g_pos = 0;
  g_next = 1;
  FuzzLoop loop;
  ombrix::TMemoryStream stream;
  {
    ombrix::THttpClient client(loop);
    client.RcvdStream = &stream;
    client.URL = "http://127.0.0.1/ridge/RadarImg/N0R/";
    client.GetASync();
    for (int round = 0; round < 1000000; ++round) {
      loop.ProcessMessages();
      if (client.State() == ombrix::httpReady && loop.Idle()) break;
    }
    size_t headerBytes = 0;
    for (const std::string& line : client.RcvdHeader()) headerBytes += line.size() + 1;
    ombrix::fuzz::Check(headerBytes <= ombrix::THttpClient::kMaxHeaderBytes);
    ombrix::fuzz::Check(client.RcvdCount() <= static_cast<long long>(size));
  }
  return 0;
}
