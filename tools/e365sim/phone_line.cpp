#include "tools/e365sim/phone_line.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "sio/sio.h"
#include "tools/e365sim/stop_signals.h"

namespace e365sim {
namespace {

using Clock = Pacer::Clock;
using std::chrono::milliseconds;

constexpr int kSliceMs = 20;
// A reader that takes nothing for this long is gone; what is left to say is dropped.
constexpr milliseconds kStalledWrite{30000};

}  // namespace

bool sleep_until(Clock::time_point until) {
  while (!stop_requested()) {
    auto now = Clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(until - now, milliseconds(kSliceMs)));
  }
  return false;
}

int PhoneLine::read(std::uint8_t* buf, std::size_t len, int timeout_ms) {
  if (stop_requested() || hung_up()) return SIOFT_BADPORT;
  if (cut_) return SIOFT_CANABORT;
  if (!unread_.empty()) {
    std::size_t n = std::min(len, unread_.size());
    std::memcpy(buf, unread_.data(), n);
    unread_.erase(0, n);
    return static_cast<int>(n);
  }
  const auto deadline = Clock::now() + milliseconds(std::max(timeout_ms, 0));
  for (;;) {
    pollfd pfd{link_.fd(), POLLIN, 0};
    auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    int ready = poll(&pfd, 1, static_cast<int>(std::clamp<long long>(left, 0, kSliceMs)));
    if (stop_requested()) return SIOFT_BADPORT;
    if (ready > 0) {
      ssize_t n = ::read(link_.fd(), buf, len);
      if (n > 0) return static_cast<int>(n);
      if (n < 0 && errno != EAGAIN && errno != EINTR) return SIOFT_BADPORT;
    } else if (ready < 0 && errno != EINTR) {
      return SIOFT_BADPORT;
    }
    if (left <= 0) return 0;
  }
}

int PhoneLine::write(const std::uint8_t* buf, std::size_t len) {
  std::string_view bytes(reinterpret_cast<const char*>(buf), len);
  if (!in_transfer_) return send(bytes) ? 0 : SIOFT_BADPORT;
  if (cut_) return SIOFT_CANABORT;
  LineFaults::Passed passed = faults_.pass(bytes);
  if (!send(passed.bytes)) return SIOFT_BADPORT;
  switch (passed.cut) {
    case LineFaults::Cut::None:
      return 0;
    case LineFaults::Cut::Cancel:
      cut_ = true;
      send(kCancelSequence);
      return SIOFT_CANABORT;
    case LineFaults::Cut::HangUp:
      link_.hang_up();
      return SIOFT_BADPORT;
  }
  return 0;
}

void PhoneLine::begin_transfer() {
  in_transfer_ = true;
  cut_ = false;
  faults_.start_transfer();
}

void PhoneLine::drain(int quiet_ms, int max_ms) {
  unread_.clear();
  const auto give_up = Clock::now() + milliseconds(max_ms);
  auto quiet_until = Clock::now() + milliseconds(quiet_ms);
  char buf[512];
  while (!hung_up() && !stop_requested()) {
    auto now = Clock::now();
    if (now >= quiet_until || now >= give_up) return;
    pollfd pfd{link_.fd(), POLLIN, 0};
    if (poll(&pfd, 1, kSliceMs) > 0 && ::read(link_.fd(), buf, sizeof buf) > 0)
      quiet_until = Clock::now() + milliseconds(quiet_ms);
  }
}

bool PhoneLine::send(std::string_view bytes) {
  while (!bytes.empty()) {
    long rate = pacing_ ? Pacer::bytes_per_second(link_.line_speed()) : 0;
    std::size_t n = rate > 0 ? std::min(bytes.size(), Pacer::chunk_size(rate)) : bytes.size();
    if (rate > 0 && !sleep_until(pacer_.next_start())) return false;
    if (!write_chunk(bytes.substr(0, n))) return false;
    pacer_.sent(n, rate, Clock::now());
    bytes.remove_prefix(n);
  }
  return true;
}

bool PhoneLine::write_chunk(std::string_view bytes) {
  auto stalled_at = Clock::now() + kStalledWrite;
  while (!bytes.empty()) {
    if (stop_requested() || hung_up()) return false;
    ssize_t n = ::write(link_.fd(), bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      stalled_at = Clock::now() + kStalledWrite;
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (Clock::now() >= stalled_at) return false;
    pollfd pfd{link_.fd(), POLLOUT, 0};
    poll(&pfd, 1, kSliceMs);
  }
  return true;
}

}  // namespace e365sim
