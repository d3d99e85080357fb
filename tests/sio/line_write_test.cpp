// Writes to a full line: the writer sleeps in the kernel until a timer signal ends the write at
// its deadline. Each test runs in a process of its own, so the signal is chosen afresh.
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

#include "sio/os.h"
#include "tests/support/pty_pair.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<int> app_signals{0};
void count_app_signal(int) { ++app_signals; }

void make_nonblocking(int fd) { ASSERT_EQ(fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK), 0); }

// Fills the device side of `pty` until the line takes nothing more; nobody reads the peer.
void fill(const test_support::PtyPair& pty) {
  const std::string chunk(65536, 'x');
  for (int i = 0; i < 64; ++i)
    if (sio::os::write_for(pty.device_fd(), chunk.data(), static_cast<int>(chunk.size()), 20) == 0) return;
  FAIL() << "the line never filled";
}

constexpr int kWriteSize = 16384;

// A write of kWriteSize bytes to the full line, given `timeout_ms`: what it returned and how
// long it took.
std::pair<int, Clock::duration> timed_write(const test_support::PtyPair& pty, int timeout_ms) {
  const std::string chunk(kWriteSize, 'y');
  const auto start = Clock::now();
  const int n = sio::os::write_for(pty.device_fd(), chunk.data(), static_cast<int>(chunk.size()), timeout_ms);
  return {n, Clock::now() - start};
}

bool has_default_action(int signal) {
  struct sigaction current {};
  return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL;
}

// The application's own real-time signals keep their handlers; the write ends on time, also
// after the application has reset the signal the writes had taken (whose default action would
// end the program), and the line stays non-blocking for the reads of the transfer.
TEST(LineWrite, EndsAtTheDeadlineAndLeavesTheApplicationsSignalsAlone) {
  struct sigaction app {};
  app.sa_handler = count_app_signal;
  sigemptyset(&app.sa_mask);
  ASSERT_EQ(sigaction(SIGRTMAX, &app, nullptr), 0);
  ASSERT_EQ(sigaction(SIGRTMAX - 1, &app, nullptr), 0);

  test_support::PtyPair pty;
  make_nonblocking(pty.device_fd());
  fill(pty);
  auto [n, took] = timed_write(pty, 200);
  EXPECT_LT(n, kWriteSize);
  EXPECT_GE(took, 190ms);
  EXPECT_LT(took, 1500ms);
  EXPECT_TRUE(fcntl(pty.device_fd(), F_GETFL) & O_NONBLOCK);
  EXPECT_EQ(app_signals, 0);
  struct sigaction still {};
  ASSERT_EQ(sigaction(SIGRTMAX, nullptr, &still), 0);
  EXPECT_EQ(still.sa_handler, count_app_signal);

  int reset = 0;
  for (int signal = SIGRTMIN; signal < SIGRTMAX - 1; ++signal)
    if (!has_default_action(signal)) reset += std::signal(signal, SIG_DFL) != SIG_ERR;
  EXPECT_EQ(reset, 1);  // one signal serves every write
  std::tie(n, took) = timed_write(pty, 100);
  EXPECT_LT(n, kWriteSize);
  EXPECT_GE(took, 90ms);
  EXPECT_LT(took, 1500ms);
}

// A thread that blocks every signal cannot be woken by one: its write still ends on time.
TEST(LineWrite, AThreadBlockingAllSignalsStillMeetsTheDeadline) {
  test_support::PtyPair pty;
  make_nonblocking(pty.device_fd());
  fill(pty);
  std::atomic<bool> done{false};
  std::pair<int, Clock::duration> result;
  std::thread writer([&] {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    result = timed_write(pty, 100);
    done = true;
  });
  const auto give_up = Clock::now() + 5s;
  while (!done && Clock::now() < give_up) std::this_thread::sleep_for(5ms);
  // A writer stuck past its deadline is freed by reading the line, so the test can end.
  if (!done) test_support::read_for(pty.peer(), 1 << 20, 1000);
  writer.join();
  ASSERT_TRUE(done.load());
  EXPECT_LT(result.first, kWriteSize);
  EXPECT_LT(result.second, 1500ms);
}

}  // namespace
