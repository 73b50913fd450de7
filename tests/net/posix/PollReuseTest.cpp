// The poll loop dispatches a batch of ready sockets after one poll: a handler
// that closes a socket and opens a new one on the same descriptor must not
// let the old socket's readiness reach the new socket's handler.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include "util/posix/PosixEventLoop.h"

using namespace ombrix;

TEST(PosixEventLoop, ReadinessOfAClosedSocketNeverReachesItsSuccessor) {
  PosixEventLoop loop;
  int a[2], b[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, a), 0);
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, b), 0);
  ASSERT_LT(a[0], b[0]);  // a is dispatched first
  ASSERT_EQ(write(a[1], "x", 1), 1);
  ASSERT_EQ(write(b[1], "y", 1), 1);
  int fresh[2] = {-1, -1};
  int successorCalls = 0, bCalls = 0;
  loop.WatchSocket(b[0], kSocketReadable, [&](unsigned, int) { ++bCalls; });
  loop.WatchSocket(a[0], kSocketReadable, [&](unsigned, int) {
    loop.UnwatchSocket(a[0]);
    loop.UnwatchSocket(b[0]);
    close(b[0]);
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fresh), 0);
    ASSERT_EQ(fresh[0], b[0]);  // the descriptor number came back
    loop.WatchSocket(fresh[0], kSocketReadable, [&](unsigned, int) { ++successorCalls; });
  });
  loop.ProcessMessages();
  EXPECT_EQ(bCalls, 0);
  EXPECT_EQ(successorCalls, 0);  // nothing was written to the new socket
  ASSERT_EQ(write(fresh[1], "z", 1), 1);
  loop.ProcessMessages();
  EXPECT_EQ(successorCalls, 1);
  loop.UnwatchSocket(fresh[0]);
  for (int fd : {a[0], a[1], b[1], fresh[0], fresh[1]}) close(fd);
}
