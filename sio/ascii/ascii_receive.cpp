#include <chrono>
#include <vector>

#include "sio/ascii/ascii.h"
#include "sio/file_sink.h"
#include "sio/result.h"
#include "sio/transfers.h"

namespace sio {

int ascii_receive(ByteChannel& channel, const std::string& path, const ProgressFn& progress, int quiet_seconds) {
  using Clock = std::chrono::steady_clock;
  DiskSink file;
  if (int result = file.open_path(path); result < 0) return result;
  ProgressReporter reporter(progress);
  const auto quiet_limit = std::chrono::seconds(quiet_seconds);
  auto last_data = Clock::now();
  std::vector<std::uint8_t> buf(ascii::kReceiveChunk);
  for (;;) {
    if (!reporter.report(file.size(), 0)) break;
    if (quiet_seconds > 0 && file.size() > 0 && Clock::now() - last_data >= quiet_limit) break;
    // No longer than until the next report: a user who stops the receive is heard on time.
    int n = channel.read(buf.data(), buf.size(), reporter.ms_until_due());
    if (n < 0) return n;
    if (n == 0) continue;
    if (int result = file.write(buf.data(), static_cast<std::size_t>(n)); result < 0) return result;
    last_data = Clock::now();
  }
  reporter.report(file.size(), 0, true);
  if (int result = file.commit(); result < 0) return result;
  return SIOFT_ABORT;
}

}  // namespace sio
