// Serves the test TLS fronts for a test process. It talks over a loopback
// connection to the port given as its argument (Wine hands a Linux program
// no pipes), or over stdin/stdout without one: it sends the test CA (PEM)
// and "ready", then answers each line "front CERT MODE UPSTREAM LIFETIME_MS"
// with the new front's port, and "stop PORT" by ending that front. Ends when
// the other side goes away, or after a quarter of an hour at the latest.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include <cstdio>
#include <map>
#include <memory>

#include "support/TlsPeer.h"

using namespace ombrix::test;

int main(int argc, char** argv) {
  alarm(900);
  signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the peer
  FILE* in = stdin;
  FILE* out = stdout;
  if (argc > 1) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[1])));
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 1;
    in = fdopen(fd, "r");
    out = fdopen(dup(fd), "w");
  }
  std::fprintf(out, "%sready\n", TestCaPem().c_str());
  std::fflush(out);
  std::map<unsigned, std::unique_ptr<TlsFront>> fronts;
  char line[256];
  while (std::fgets(line, sizeof line, in)) {
    int cert, mode, upstream, lifetime;
    unsigned port;
    if (std::sscanf(line, "front %d %d %d %d", &cert, &mode, &upstream, &lifetime) == 4 && cert >= 0 && cert <= 3 &&
        mode >= 0 && mode <= 2) {
      auto front = std::make_unique<TlsFront>(static_cast<TlsCert>(cert), static_cast<std::uint16_t>(upstream),
                                              static_cast<TlsMode>(mode), lifetime);
      port = front->Port();
      fronts[port] = std::move(front);
      std::fprintf(out, "%u\n", port);
    } else if (std::sscanf(line, "stop %u", &port) == 1) {
      fronts.erase(port);
      std::fprintf(out, "stopped\n");
    } else {
      std::fprintf(out, "?\n");
    }
    std::fflush(out);
  }
  return 0;
}
