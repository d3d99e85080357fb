#include "sio/xmodem/send_loop.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "sio/sio.h"

namespace sio::xmodem {
namespace {

long now_us() {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

// Writes what the core has to send; the wait for its answer starts once the line took it.
int send_output(ByteChannel& channel, SenderCore& core) {
  auto& out = core.output();
  if (out.empty()) return 0;
  const int result = channel.write(out.data(), out.size());
  out.clear();
  if (result >= 0) core.written(now_us());
  return result;
}

}  // namespace

int run_sender(ByteChannel& channel, SenderCore& core, const ProgressFn& progress) {
  ProgressReporter reporter(progress);
  core.start(now_us());
  std::uint8_t buf[256];
  while (!core.finished()) {
    if (!reporter.report(core.done(), core.total())) {
      core.abort(SIOFT_ABORT);
      break;
    }
    long left = core.deadline() - now_us();
    // A pause shorter than the read's millisecond is slept; what comes meanwhile is read after.
    if (left > 0 && left < 1000) {
      std::this_thread::sleep_for(std::chrono::microseconds(left));
      left = 0;
    }
    const int wait_ms = static_cast<int>(std::clamp<long>((left + 999) / 1000, 0, kProgressSliceMs));
    const int n = channel.read(buf, sizeof buf, wait_ms);
    if (n < 0) return n;
    for (int i = 0; i < n && !core.finished(); ++i) core.feed(buf[i], now_us());
    if (const long now = now_us(); now >= core.deadline()) core.tick(now);
    if (int result = send_output(channel, core); result < 0) return result;
  }
  send_output(channel, core);  // the cancel sequence, if any
  reporter.report(core.done(), core.total(), true);
  return core.result();
}

}  // namespace sio::xmodem
