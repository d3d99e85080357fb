#include "tools/testbed/pty_pair.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <unistd.h>

namespace testbed {

PtyPair::PtyPair() {
  char name[256];
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
  // Raw from the pty's own settings: cfmakeraw changes some fields only, and a struct of
  // garbage left random flow-control characters that a peer switching on IXON then swallowed.
  termios raw;
  if (tcgetattr(slave_, &raw) != 0) throw std::runtime_error("tcgetattr failed");
  cfmakeraw(&raw);
  if (tcsetattr(slave_, TCSANOW, &raw) != 0) throw std::runtime_error("tcsetattr failed");
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  device_ = name;
}

PtyPair::~PtyPair() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

void PtyPair::close_device() {
  if (slave_ >= 0) close(slave_);
  slave_ = -1;
}

void PtyPair::close_peer() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

termios PtyPair::device_settings() const {
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) throw std::runtime_error("tcgetattr failed");
  return tio;
}

std::string read_for(int fd, std::size_t want, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string got;
  while (got.size() < want) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(left)) <= 0) break;
    char buf[4096];
    ssize_t n = read(fd, buf, std::min(sizeof buf, want - got.size()));
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

void write_all(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    // A hung-up or closed descriptor takes nothing ever again: give up rather than spin.
    if (n < 0 && errno != EAGAIN && errno != EINTR) return;
    if (n < 0) {
      pollfd pfd{fd, POLLOUT, 0};
      poll(&pfd, 1, 100);
      continue;
    }
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace testbed
