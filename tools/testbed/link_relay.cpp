#include "tools/testbed/link_relay.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testbed {
namespace {

// A paced line that fell behind (the relay overslept) catches up by this much at most.
constexpr auto kPacingSlack = std::chrono::milliseconds(5);
// What the line holds between the two ends, and how much of it goes out at a time when paced.
constexpr std::size_t kQueueLimit = 4096;
constexpr std::size_t kBite = 64;

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

LinkRelay::LinkRelay(int fd_a, int fd_b, long bytes_per_second, LinkFaults faults, bool pass_hangup)
    : rate_(bytes_per_second), faults_(faults), pass_hangup_(pass_hangup) {
  // A blocking write to a side that nobody reads any more would never return, and the relay
  // could then never stop: both sides are written without blocking.
  for (int fd : {fd_a, fd_b}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
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
  // Bytes are taken off the sender's side as soon as they come (as a UART's buffer would), so
  // that a program that flushes its line when it exits does not lose its last bytes here, and
  // go out at the line's rate in small bites.
  std::vector<unsigned char> queue;
  std::size_t head = 0;
  auto line_free = Clock::now();
  bool hung_up = false;
  while (!stop_) {
    std::size_t queued = queue.size() - head;
    int wait_ms = 20;
    if (queued > 0)
      wait_ms = rate_ > 0 ? static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 line_free - Clock::now()).count())
                          : 0;
    if (queued < kQueueLimit) {
      pollfd pfd{from, POLLIN, 0};
      if (poll(&pfd, 1, std::max(wait_ms, 0)) > 0) {
        unsigned char buf[kQueueLimit];
        ssize_t n = read(from, buf, kQueueLimit - queued);
        if (n > 0) {
          damage(buf, static_cast<std::size_t>(n), rng, queue);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
          // The other end hung up; keep going while the test may reopen it.
          hung_up = pass_hangup_;
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      }
    } else if (rate_ > 0) {
      std::this_thread::sleep_until(line_free);
    }
    queued = queue.size() - head;
    if (queued == 0 && hung_up) {
      shutdown(to, SHUT_RDWR);
      return;
    }
    if (queued == 0 || (rate_ > 0 && Clock::now() < line_free)) continue;
    std::size_t bite = rate_ > 0 ? std::min<std::size_t>(queued, kBite) : queued;
    if (rate_ > 0)
      line_free = std::max(line_free, Clock::now() - kPacingSlack) +
                  std::chrono::microseconds(static_cast<long long>(bite) * 1000000 / rate_);
    if (!write_fully(to, queue.data() + head, bite, stop_)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    head += bite;
    if (head == queue.size()) {
      queue.clear();
      head = 0;
    }
  }
}

void LinkRelay::damage(const unsigned char* bytes, std::size_t n, std::mt19937& rng, std::vector<unsigned char>& out) {
  // A clean line copies in one go: an unpaced benchmark line should cost its ends, not the relay.
  if (!faults_.drop_one_in && !faults_.flip_one_in) {
    out.insert(out.end(), bytes, bytes + n);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char c = bytes[i];
    if (faults_.drop_one_in && rng() % faults_.drop_one_in == 0) {
      ++faults_made_;
      continue;
    }
    if (faults_.flip_one_in && rng() % faults_.flip_one_in == 0) {
      c ^= static_cast<unsigned char>(1u << (rng() % 8));
      ++faults_made_;
    }
    out.push_back(c);
  }
}

}  // namespace testbed
