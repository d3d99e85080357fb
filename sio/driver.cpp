#include "sio/driver.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "sio/result.h"

namespace sio {
namespace {

using Micros = TransferCore::Micros;

// Bytes taken from the channel per read: a fast line fills the pty's buffer between two reads.
constexpr std::size_t kReadChunk = 64 * 1024;
// The longest a write waits for room on a full line before the loop hears the other end and
// reports progress again: a long packet takes more than a second on a slow line.
constexpr int kWriteWaitMs = 20;
// After an abort, what is left to send waits no longer than this for a line that has stopped.
constexpr int kAbortWriteMs = 1000;

Micros now_us() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Bytes on their way to the line: it takes what it can at a time, so the loop keeps hearing
// the other end while a slow line drains. A line that takes nothing for long fails the session.
class Outgoing {
 public:
  void take(std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return;
    if (empty()) {
      queue_.swap(bytes);
      sent_ = 0;
      stall_.restart();
    } else {
      queue_.insert(queue_.end(), bytes.begin(), bytes.end());
    }
    bytes.clear();
  }
  bool empty() const { return sent_ == queue_.size(); }
  // From now on a line that takes nothing for limit_ms fails the session.
  void give_up_after(int limit_ms) { stall_ = StallWatch(std::chrono::milliseconds(limit_ms)); }
  std::span<const std::uint8_t> unsent() const { return {queue_.data() + sent_, queue_.size() - sent_}; }
  // Keeps the first `count` unsent bytes and forgets the rest.
  void keep(std::size_t count) { queue_.resize(sent_ + std::min(count, queue_.size() - sent_)); }
  // Writes what the line takes within kWriteWaitMs; 0 or a negative SIOFT_ result.
  int push(ByteChannel& channel) {
    const int n = write_slice(channel);
    if (n < 0) return n;
    return stall_.note(n) ? 0 : SIOFT_TIMEOUT;
  }
  // Writes the rest (the session has ended), waiting for the line up to limit_ms.
  int flush(ByteChannel& channel, int limit_ms) {
    const Micros until = now_us() + Micros{limit_ms} * 1000;
    while (!empty()) {
      const int n = write_slice(channel);
      if (n < 0) return n;
      if (n == 0 && now_us() >= until) return SIOFT_TIMEOUT;
    }
    return 0;
  }

 private:
  int write_slice(ByteChannel& channel) {
    const int n = channel.write_for(queue_.data() + sent_, queue_.size() - sent_, kWriteWaitMs);
    if (n > 0) sent_ += static_cast<std::size_t>(n);
    return n;
  }

  std::vector<std::uint8_t> queue_;
  std::size_t sent_ = 0;
  StallWatch stall_;
};

// How long a read may wait while no output waits: not past the core's deadline nor the next
// progress report. A wait shorter than the read's millisecond is slept here.
int read_wait_ms(const TransferCore& core, const ProgressReporter& reporter) {
  Micros left = core.deadline() - now_us();
  if (left > 0 && left < 1000) {
    std::this_thread::sleep_for(std::chrono::microseconds(left));
    left = 0;
  }
  const Micros until_report = Micros{reporter.ms_until_due()} * 1000;
  return static_cast<int>((std::clamp<Micros>(left, 0, until_report) + 999) / 1000);
}

void drain(ByteChannel& channel, const TransferCore::Drain& rule) {
  if (rule.max_ms <= 0 || (rule.lossy_close_only && !channel.loses_unread_on_close())) return;
  std::vector<std::uint8_t> buf(kReadChunk);
  const Micros until = now_us() + Micros{rule.max_ms} * 1000;
  for (Micros left; (left = until - now_us()) > 0;) {
    const int wait = static_cast<int>(std::min<Micros>(rule.quiet_ms, (left + 999) / 1000));
    if (channel.read(buf.data(), buf.size(), wait) <= 0) return;
  }
}

}  // namespace

int run_transfer(ByteChannel& channel, TransferCore& core, const ProgressFn& progress) {
  ProgressReporter reporter(progress);
  Outgoing out;
  std::vector<std::uint8_t> buf(kReadChunk);
  bool aborted = false;
  bool port_closed = false;  // the callback closed the port and aborted
  bool ending = false;       // the unsent output was cut to what still goes out at the end
  auto end_session = [&] {
    out.keep(core.keep_unsent(out.unsent(), aborted));
    ending = true;
  };
  auto lost = [&](int error) {
    port_closed = port_closed || (aborted && error == SIOFT_BADPORT);
    out.keep(0);
    core.line_lost(error);
  };
  core.start(now_us());
  while (true) {
    if (core.finished() && !ending) end_session();
    out.take(core.output());
    if (core.finished()) break;
    if (!out.empty()) {
      if (int pushed = out.push(channel); pushed < 0) {
        lost(pushed);
        continue;
      }
    }
    if (out.empty()) {
      core.drained(now_us());
      if (core.finished()) continue;
    }
    const bool busy = !out.empty() || !core.output().empty();
    int n = channel.read(buf.data(), buf.size(), busy ? 0 : read_wait_ms(core, reporter));
    if (n < 0) {
      lost(n);
      continue;
    }
    if (n > 0) core.feed(buf.data(), static_cast<std::size_t>(n), now_us());
    if (core.finished()) continue;
    core.tick(now_us());
    if (!aborted && !reporter.report(core.done(), core.total())) {
      aborted = true;
      end_session();
      out.give_up_after(kAbortWriteMs);
      core.abort();
    }
  }
  const int flushed = out.flush(channel, aborted ? kAbortWriteMs : kTransferWriteTimeoutMs);
  if (flushed < 0) lost(flushed);
  // The callback may have closed the port itself.
  if (port_closed) return SIOFT_BADPORT;
  if (flushed == 0) drain(channel, core.drain_after());
  reporter.report(core.done(), core.total(), true);
  return core.result();
}

}  // namespace sio
