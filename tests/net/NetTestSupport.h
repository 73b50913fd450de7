// The platform's real event loop for network tests, and a watchdog that
// aborts a request that would otherwise hang a test.
#pragma once
#include <memory>

#ifdef _WIN32
#include "util/win32/Win32EventLoop.h"
#else
#include "util/posix/PosixEventLoop.h"
#endif
#include "net/HttpClient.h"

namespace ombrix::test {

#ifdef _WIN32
using PlatformLoop = Win32EventLoop;
#else
using PlatformLoop = PosixEventLoop;
#endif

// Aborts the client's request when it runs longer than ms (a failing test
// then ends with an abort instead of hanging).
class Watchdog {
 public:
  Watchdog(EventLoop& loop, THttpClient& client, unsigned ms = 20000)
      : timer_(loop, ms, true, [this, &client] {
          fired = true;
          timer_.SetEnabled(false);
          client.AbortRequest();
        }) {}
  bool fired = false;

 private:
  Timer timer_;
};

}  // namespace ombrix::test
