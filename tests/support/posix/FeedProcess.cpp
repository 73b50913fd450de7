#include "support/posix/FeedProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#ifndef OMBRIX_SOURCE_DIR
#error "the feed is found through OMBRIX_SOURCE_DIR"
#endif

namespace ombrix::test {

FeedProcess::FeedProcess(const std::vector<std::string>& options, const std::string& workDir) {
  const std::string portFile = workDir + "/feed.port", log = workDir + "/feed.log";
  std::vector<std::string> args = {"python3", std::string(OMBRIX_SOURCE_DIR) + "/tools/radar-feed/radar_feed.py",
                                   "--port-file", portFile, "--quiet"};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("cannot start the radar feed");
  if (pid_ == 0) {
    int out = open("/dev/null", O_WRONLY), err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err, 2);
    execvp("python3", argv.data());
    _exit(127);
  }
  for (int i = 0; i < 300 && port_ == 0; ++i) {
    std::ifstream in(portFile);
    if (!(in >> port_)) port_ = 0;
    if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (port_ == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("the radar feed did not start; see " + log);
  }
}

FeedProcess::~FeedProcess() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

std::string FeedProcess::Get(const std::string& path) const {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return "";
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port_));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (send(s, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
      char buf[4096];
      for (ssize_t n; (n = recv(s, buf, sizeof buf, 0)) > 0;) reply.append(buf, static_cast<size_t>(n));
    }
  }
  close(s);
  const size_t body = reply.find("\r\n\r\n");
  return body == std::string::npos ? "" : reply.substr(body + 4);
}

void FeedProcess::SetMode(const std::string& mode, const std::string& match, int count) const {
  if (Get("/_control?mode=" + mode + "&match=" + match + "&count=" + std::to_string(count)).rfind("mode " + mode, 0) != 0)
    throw std::runtime_error("the radar feed did not take mode " + mode);
}

void FeedProcess::SetClock(long long epochSeconds) const {
  if (Get("/_clock?utc=" + std::to_string(epochSeconds)) != std::to_string(epochSeconds) + "\n")
    throw std::runtime_error("the radar feed did not take its clock");
}

}  // namespace ombrix::test
