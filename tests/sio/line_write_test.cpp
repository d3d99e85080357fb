// Writes to a full line: the writer sleeps in the kernel until a timer signal ends the write at
// its deadline. Each test runs in a process of its own, so the signal is chosen afresh.
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

#include "sio/os.h"
#include "tools/testbed/pty_pair.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<int> app_signals{0};
void count_app_signal(int) { ++app_signals; }

void make_nonblocking(int fd) { ASSERT_EQ(fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK), 0); }

// Fills the device side of `pty` until the line takes nothing more; nobody reads the peer.
void fill(const testbed::PtyPair& pty) {
  const std::string chunk(65536, 'x');
  for (int i = 0; i < 64; ++i)
    if (sio::os::write_for(pty.device_fd(), chunk.data(), static_cast<int>(chunk.size()), 20) == 0) return;
  FAIL() << "the line never filled";
}

constexpr int kWriteSize = 16384;

// A write of kWriteSize bytes to the full line, given `timeout_ms`: what it returned and how
// long it took.
std::pair<int, Clock::duration> timed_write(const testbed::PtyPair& pty, int timeout_ms) {
  const std::string chunk(kWriteSize, 'y');
  const auto start = Clock::now();
  const int n = sio::os::write_for(pty.device_fd(), chunk.data(), static_cast<int>(chunk.size()), timeout_ms);
  return {n, Clock::now() - start};
}

// A write to the full line ended short, at its deadline (not before `at_least`) and not long after.
void expect_cut_at_the_deadline(const std::pair<int, Clock::duration>& write, Clock::duration at_least) {
  EXPECT_LT(write.first, kWriteSize);
  EXPECT_GE(write.second, at_least);
  EXPECT_LT(write.second, 1500ms);
}

void block_all_signals() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
}

// timed_write(pty, 100) on a thread of its own that runs `prepare` first. A writer stuck past its
// deadline is freed by reading the line, so the test can end.
std::pair<int, Clock::duration> write_on_a_thread(const testbed::PtyPair& pty, void (*prepare)()) {
  std::atomic<bool> done{false};
  std::pair<int, Clock::duration> result;
  std::thread writer([&] {
    prepare();
    result = timed_write(pty, 100);
    done = true;
  });
  const auto give_up = Clock::now() + 5s;
  while (!done && Clock::now() < give_up) std::this_thread::sleep_for(5ms);
  if (!done) testbed::read_for(pty.peer(), 1 << 20, 1000);
  writer.join();
  return result;
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

  testbed::PtyPair pty;
  make_nonblocking(pty.device_fd());
  fill(pty);
  expect_cut_at_the_deadline(timed_write(pty, 200), 190ms);
  EXPECT_TRUE(fcntl(pty.device_fd(), F_GETFL) & O_NONBLOCK);
  EXPECT_EQ(app_signals, 0);
  struct sigaction still {};
  ASSERT_EQ(sigaction(SIGRTMAX, nullptr, &still), 0);
  EXPECT_EQ(still.sa_handler, count_app_signal);

  // No timer to be had (the process may queue no signal; tried while the signal is still ours):
  // the write polls and ends on time too.
  rlimit limit;
  ASSERT_EQ(getrlimit(RLIMIT_SIGPENDING, &limit), 0);
  const rlimit none{0, limit.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_SIGPENDING, &none), 0);
  const auto polled = write_on_a_thread(pty, [] {});
  ASSERT_EQ(setrlimit(RLIMIT_SIGPENDING, &limit), 0);
  expect_cut_at_the_deadline(polled, 0ms);

  int reset = 0;
  for (int signal = SIGRTMIN; signal < SIGRTMAX - 1; ++signal) reset += std::signal(signal, SIG_DFL) != SIG_DFL;
  EXPECT_EQ(reset, 1);  // one signal serves every write
  expect_cut_at_the_deadline(timed_write(pty, 100), 90ms);
}

// A thread that blocks every signal cannot be woken by one: it polls for room, sends no byte past
// the end of what it was given, and its write still ends on time.
TEST(LineWrite, AThreadBlockingAllSignalsPollsForRoom) {
  testbed::PtyPair pty;
  make_nonblocking(pty.device_fd());
  const int len = 1 << 20;
  const std::string data(2 * len, 'x');  // the second half lies past what is asked for
  int sent = 0;
  std::thread writer([&] {
    block_all_signals();
    sent = sio::os::write_for(pty.device_fd(), data.data(), len, 10000);
  });
  EXPECT_EQ(testbed::read_for(pty.peer(), len, 10000).size(), std::size_t{len});
  writer.join();
  EXPECT_EQ(sent, len);

  fill(pty);
  expect_cut_at_the_deadline(write_on_a_thread(pty, block_all_signals), 0ms);
}

}  // namespace
