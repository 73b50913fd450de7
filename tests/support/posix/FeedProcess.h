// The radar feed of tools/radar-feed as a child process on loopback, for
// tests that run the program against it: started with the given options,
// told what to do through its control paths, stopped with the test.
#pragma once
#include <string>
#include <vector>

namespace ombrix::test {

class FeedProcess {
 public:
  // options: radar_feed.py's own; --port-file and --quiet are added. The
  // feed's stderr goes to logPath.
  FeedProcess(const std::vector<std::string>& options, const std::string& workDir);
  ~FeedProcess();
  FeedProcess(const FeedProcess&) = delete;
  FeedProcess& operator=(const FeedProcess&) = delete;

  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // The body of a GET of path on the feed ("" when it cannot be reached).
  std::string Get(const std::string& path) const;
  void SetMode(const std::string& mode, const std::string& match = "", int count = -1) const;
  // The feed's now stands at epoch seconds until set again.
  void SetClock(long long epochSeconds) const;

 private:
  int pid_ = -1;
  int port_ = 0;
};

}  // namespace ombrix::test
