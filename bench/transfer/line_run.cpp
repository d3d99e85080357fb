#include "bench/transfer/line_run.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

#include "tools/testbed/child_process.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/temp_folder.h"

namespace bench {
namespace {

using testbed::ChildProcess;
using testbed::PtyPair;

const std::string kName = "bench.bin";
constexpr int kGraceMs = 30000;

double thread_cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return testbed::cpu_seconds(usage);
}

// One end running: an external program or one of ours on a thread.
class RunningEnd {
 public:
  RunningEnd(const Endpoint& end, PtyPair& pty, const std::string& file, const std::string& folder,
             const std::string& cwd) {
    if (end.run) {
      thread_ = std::thread([&end, fd = pty.device_fd(), file, folder, this] {
        sio::FdChannel channel(fd);
        result_ = end.run(channel, file, folder);
        cpu_seconds_ = thread_cpu_seconds();  // the thread ran only this end
        done_ = true;
      });
      return;
    }
    std::vector<std::string> argv = end.command;
    for (auto& a : argv) {
      if (auto at = a.find("{file}"); at != std::string::npos) a.replace(at, 6, kName);
      if (a == "{device}") a = pty.device();
    }
    child_ = std::make_unique<ChildProcess>(argv, pty.device_fd(), cwd);
    // Our copy of the device side closes, so the line hangs up when the program ends.
    pty.close_device();
  }
  bool done() { return child_ ? child_->exited() : done_.load(); }
  bool finish(int timeout_ms) {
    if (thread_.joinable()) thread_.join();
    return (child_ ? child_->wait(timeout_ms) : result_) == 0;
  }
  // After finish(): the processor time this end used.
  double cpu_seconds() const { return child_ ? child_->cpu_seconds() : cpu_seconds_; }

 private:
  std::thread thread_;
  std::unique_ptr<ChildProcess> child_;
  int result_ = -1;
  double cpu_seconds_ = 0;
  std::atomic<bool> done_{false};
};

bool holds(const std::string& path, std::size_t size) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && static_cast<std::size_t>(st.st_size) == size;
}

}  // namespace

RunResult run_transfer(const Endpoint& sender, const Endpoint& receiver, const Line& line, const std::string& data,
                       int timeout_ms) {
  testbed::TempFolder from, to;
  testbed::write_file(from.file(kName), data);
  PtyPair sending_side, receiving_side;
  testbed::LinkRelay relay(sending_side.peer(), receiving_side.peer(), line.bits_per_second / 10, line.faults);
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  RunResult r;
  bool tx_ok = false, rx_ok = false;
  {
    RunningEnd rx(receiver, receiving_side, to.file(kName), to.path(), to.path());
    RunningEnd tx(sender, sending_side, from.file(kName), "", from.path());
    // The transfer is over when the file is complete and one end is done. lrzsz discards what
    // it has not yet written out when it exits, which on a pty often drops its last answer:
    // a receiver that then still waits for the sender's last "OO" (rz waits 10 s at a time),
    // or a sender still waiting for the ACK of XMODEM's last EOT (sx waits up to 100 s and
    // fails), does not count.
    auto deadline = start + std::chrono::milliseconds(timeout_ms);
    auto over = [&] {
      bool tx_done = tx.done(), rx_done = rx.done();
      return (tx_done && rx_done) || ((tx_done || rx_done) && holds(to.file(kName), data.size()));
    };
    while (!over() && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // An end still waiting for a lost answer gets a while to finish, then counts as failed.
    tx_ok = tx.finish(kGraceMs);
    rx_ok = rx.finish(kGraceMs);
    r.sender_cpu = tx.cpu_seconds();
    r.receiver_cpu = rx.cpu_seconds();
  }
  const bool same = testbed::read_file(to.file(kName)) == data;
  r.exact = tx_ok && rx_ok && same;
  r.wrong = rx_ok && !same;
  if (!r.exact)
    std::fprintf(stderr, "failed run: %s %s, %s %s, file %s\n", sender.label.c_str(), tx_ok ? "ok" : "FAILED",
                 receiver.label.c_str(), rx_ok ? "ok" : "FAILED", same ? "exact" : "differs");
  return r;
}

}  // namespace bench
