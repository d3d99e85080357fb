#include "bench/kermit/serial_line.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes go out in small slices so that a paced packet arrives over time, as on a wire.
constexpr std::size_t kSlice = 64;

void write_all(int fd, const char* data, std::size_t len) {
  while (len > 0) {
    ssize_t n = write(fd, data, len);
    if (n < 0) {
      pollfd pfd{fd, POLLOUT, 0};
      poll(&pfd, 1, 10);
      continue;
    }
    data += n;
    len -= static_cast<std::size_t>(n);
  }
}

}  // namespace

SerialLine::SerialLine(long bits_per_second) : bytes_per_second_(bits_per_second / 10) {
  for (auto& end : ends_) {
    char name[256];
    termios raw;
    cfmakeraw(&raw);
    if (openpty(&end.master, &end.slave, name, &raw, nullptr) != 0) throw std::runtime_error("openpty failed");
    fcntl(end.master, F_SETFD, FD_CLOEXEC);
    fcntl(end.slave, F_SETFD, FD_CLOEXEC);
    fcntl(end.master, F_SETFL, fcntl(end.master, F_GETFL) | O_NONBLOCK);
    end.device = name;
  }
  forward_ = std::thread([this] { carry(0, 1); });
  backward_ = std::thread([this] { carry(1, 0); });
}

SerialLine::~SerialLine() {
  stop_ = true;
  forward_.join();
  backward_.join();
  for (auto& end : ends_) {
    close(end.slave);
    close(end.master);
  }
}

void SerialLine::carry(int from, int to) {
  const int in = ends_[from].master, out = ends_[to].master;
  char buf[4096];
  // When the line would next be free: a paced line never runs ahead of its byte rate.
  auto line_free = Clock::now();
  while (!stop_) {
    pollfd pfd{in, POLLIN, 0};
    if (poll(&pfd, 1, 20) <= 0) continue;
    ssize_t n = read(in, buf, sizeof buf);
    if (n <= 0) continue;
    if (bytes_per_second_ <= 0) {
      write_all(out, buf, static_cast<std::size_t>(n));
      continue;
    }
    line_free = std::max(line_free, Clock::now());
    for (ssize_t done = 0; done < n;) {
      const std::size_t slice = std::min<std::size_t>(kSlice, static_cast<std::size_t>(n - done));
      line_free += std::chrono::nanoseconds(static_cast<long long>(slice) * 1'000'000'000LL / bytes_per_second_);
      std::this_thread::sleep_until(line_free);
      write_all(out, buf + done, slice);
      done += static_cast<ssize_t>(slice);
    }
  }
}

}  // namespace bench
