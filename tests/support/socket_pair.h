// A connected pair of local stream sockets, closed at the end: the two ends of a test's line.
#pragma once

#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace test_support {

class SocketPair {
 public:
  SocketPair() {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds_) != 0) throw std::runtime_error("socketpair failed");
  }
  ~SocketPair() {
    close(fds_[0]);
    close(fds_[1]);
  }
  SocketPair(const SocketPair&) = delete;
  SocketPair& operator=(const SocketPair&) = delete;

  int first() const { return fds_[0]; }
  int second() const { return fds_[1]; }

 private:
  int fds_[2];
};

}  // namespace test_support
