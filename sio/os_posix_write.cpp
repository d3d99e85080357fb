// Writing to a line within a time limit. A writer that finds the line full sleeps inside write()
// until the line has taken everything: a pty frees a few kilobytes at a time, and polling for
// room and writing again at every wake made a fast send a fifth slower than one sleeping write.
// A timer signal aimed at this thread ends the sleep at the deadline, as a serial driver's write
// time-out would; a thread that cannot have the signal polls instead.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>

#include "sio/os.h"
#include "sio/result.h"

namespace sio::os {
namespace {

using Clock = std::chrono::steady_clock;

// Past the deadline the timer goes on ringing at this interval until the write has returned:
// a signal that came just before the write began to sleep would otherwise be spent.
constexpr auto kRingAgainAfter = std::chrono::milliseconds(2);

void end_write(int) {}

// A real-time signal that nobody handles, taken for our timers once (0 when there is none).
// Taken from the top: applications number theirs up from SIGRTMIN.
int claim_signal() {
  for (int signal = SIGRTMAX; signal >= SIGRTMIN; --signal) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction ours {};
    ours.sa_handler = end_write;
    sigemptyset(&ours.sa_mask);
    ours.sa_flags = 0;  // no SA_RESTART: the signal has to end the write
    if (sigaction(signal, &ours, nullptr) == 0) return signal;
  }
  return 0;
}

// The signal while it is still ours and this thread receives it, else 0 (its default action,
// should somebody have reset it, would end the program).
int deadline_signal() {
  static const int claimed = claim_signal();
  if (claimed == 0) return 0;
  struct sigaction current {};
  if (sigaction(claimed, nullptr, &current) != 0 || current.sa_handler != end_write) return 0;
  sigset_t blocked;
  if (pthread_sigmask(SIG_BLOCK, nullptr, &blocked) != 0 || sigismember(&blocked, claimed)) return 0;
  return claimed;
}

timespec to_timespec(std::chrono::nanoseconds span) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
  return {static_cast<time_t>(seconds.count()), static_cast<long>((span - seconds).count())};
}

// Rings this thread with the signal at the deadline, and again every kRingAgainAfter.
class DeadlineTimer {
 public:
  DeadlineTimer(int signal, Clock::time_point deadline) {
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = signal;
    event._sigev_un._tid = gettid();
    if (timer_create(CLOCK_MONOTONIC, &event, &timer_) != 0) return;
    itimerspec when{};
    when.it_value = to_timespec(std::max<Clock::duration>(deadline - Clock::now(), std::chrono::microseconds(1)));
    when.it_interval = to_timespec(kRingAgainAfter);
    armed_ = timer_settime(timer_, 0, &when, nullptr) == 0;
    if (!armed_) timer_delete(timer_);
  }
  ~DeadlineTimer() {
    if (armed_) timer_delete(timer_);
  }
  DeadlineTimer(const DeadlineTimer&) = delete;
  DeadlineTimer& operator=(const DeadlineTimer&) = delete;
  bool armed() const { return armed_; }

 private:
  timer_t timer_{};
  bool armed_ = false;
};

// One write that sleeps until the line has taken all of buf or the deadline (if any) rings:
// the count written (0 when the deadline came first), -1 on a failure with errno set, or
// nothing when the deadline could not be set up.
std::optional<int> sleeping_write(Handle handle, const char* buf, int len, const Clock::time_point* deadline) {
  std::optional<DeadlineTimer> timer;
  if (deadline) {
    const int signal = deadline_signal();
    if (signal == 0) return std::nullopt;
    timer.emplace(signal, *deadline);
    if (!timer->armed()) return std::nullopt;
  }
  const int flags = fcntl(handle, F_GETFL);
  if (flags < 0 || fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;
  const ssize_t n = ::write(handle, buf, static_cast<size_t>(len));
  const int error = errno;
  fcntl(handle, F_SETFL, flags);
  if (n >= 0) return static_cast<int>(n);
  errno = error;
  return error == EINTR ? 0 : -1;
}

// Waits until the line has room or the deadline passes; false on a failure (errno set). The
// wait is rounded up: 0 ms for the deadline's last fraction of a millisecond would spin.
bool wait_for_room(Handle handle, const Clock::time_point* deadline) {
  int wait_ms = -1;
  if (deadline)
    wait_ms = static_cast<int>(
        std::max<long>(0, std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count()));
  pollfd pfd{handle, POLLOUT, 0};
  int ready = poll(&pfd, 1, wait_ms);
  if (ready < 0 && errno != EINTR) return false;
  if (ready > 0 && (pfd.revents & (POLLERR | POLLNVAL))) {
    errno = EIO;
    return false;
  }
  return true;
}

}  // namespace

int write_all(Handle handle, const char* buf, int len, int timeout_ms) {
  const int n = write_for(handle, buf, len, timeout_ms);
  return n >= 0 && n < len ? SIO_WRITETIMEOUT : n;
}

int write_for(Handle handle, const char* buf, int len, int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  const Clock::time_point* limit = timeout_ms >= 0 ? &deadline : nullptr;
  int done = 0;
  while (done < len) {
    ssize_t n = ::write(handle, buf + done, static_cast<size_t>(len - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return SIO_WIN32FAIL;
    if (n > 0) done += static_cast<int>(n);
    if (done == len || (limit && Clock::now() >= deadline)) break;
    // The line is full.
    const std::optional<int> more = sleeping_write(handle, buf + done, len - done, limit);
    if (more && *more < 0) return SIO_WIN32FAIL;
    if (more) {
      done += *more;
    } else if (!wait_for_room(handle, limit)) {
      return SIO_WIN32FAIL;
    }
  }
  return done;
}

}  // namespace sio::os
