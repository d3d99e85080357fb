#include "tests/support/link_relay.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <random>
#include <unistd.h>

namespace test_support {
namespace {

bool write_fully(int fd, const unsigned char* data, std::size_t len, const std::atomic<bool>& stop) {
  while (len > 0 && !stop) {
    ssize_t n = write(fd, data, len);
    if (n > 0) {
      data += n;
      len -= static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd pfd{fd, POLLOUT, 0};
      poll(&pfd, 1, 20);
    } else {
      return false;
    }
  }
  return len == 0;
}

}  // namespace

LinkRelay::LinkRelay(int fd_a, int fd_b, long bytes_per_second, LinkFaults faults)
    : rate_(bytes_per_second), faults_(faults) {
  a_to_b_ = std::thread([=, this] { carry(fd_a, fd_b, faults.seed); });
  b_to_a_ = std::thread([=, this] { carry(fd_b, fd_a, faults.seed * 2654435761u + 1); });
}

LinkRelay::~LinkRelay() {
  stop_ = true;
  a_to_b_.join();
  b_to_a_.join();
}

void LinkRelay::carry(int from, int to, std::uint32_t seed) {
  using Clock = std::chrono::steady_clock;
  std::mt19937 rng(seed);
  // A paced line takes small bites, so that its byte rate holds over short stretches too.
  const std::size_t bite = rate_ > 0 ? 64 : 65536;
  std::vector<unsigned char> buf(bite);
  auto line_free = Clock::now();
  while (!stop_) {
    pollfd pfd{from, POLLIN, 0};
    if (poll(&pfd, 1, 20) <= 0) continue;
    ssize_t n = read(from, buf.data(), bite);
    if (n <= 0) {
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      // The other end hung up; keep going while the test may reopen it.
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    std::size_t kept = 0;
    for (ssize_t i = 0; i < n; ++i) {
      unsigned char c = buf[i];
      if (faults_.drop_one_in && rng() % faults_.drop_one_in == 0) {
        ++faults_made_;
        continue;
      }
      if (faults_.flip_one_in && rng() % faults_.flip_one_in == 0) {
        c ^= static_cast<unsigned char>(1u << (rng() % 8));
        ++faults_made_;
      }
      buf[kept++] = c;
    }
    if (rate_ > 0) {
      line_free = std::max(line_free, Clock::now()) +
                  std::chrono::microseconds(static_cast<long long>(n) * 1000000 / rate_);
      std::this_thread::sleep_until(line_free);
    }
    if (!write_fully(to, buf.data(), kept, stop_)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace test_support
