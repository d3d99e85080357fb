#include <chrono>
#include <vector>

#include "sio/ascii/ascii.h"
#include "sio/incoming_file.h"
#include "sio/sio.h"
#include "sio/transfers.h"

namespace sio {

int ascii_receive(ByteChannel& channel, const std::string& path, const ProgressFn& progress, int quiet_seconds) {
  using Clock = std::chrono::steady_clock;
  IncomingFile file;
  if (int result = file.open(path); result < 0) return result;
  ProgressReporter reporter(progress);
  const auto quiet_limit = std::chrono::seconds(quiet_seconds);
  auto last_data = Clock::now();
  // What a slow line brings in small pieces gathers here before it goes to the file.
  std::vector<std::uint8_t> buf(ascii::kReceiveChunk);
  std::size_t held = 0;
  auto received = [&] { return file.size() + static_cast<long>(held); };
  auto write_held = [&] {
    const int result = held > 0 ? file.write(buf.data(), held) : 0;
    held = 0;
    return result;
  };
  for (;;) {
    if (!reporter.report(received(), 0)) break;
    if (quiet_seconds > 0 && received() > 0 && Clock::now() - last_data >= quiet_limit) break;
    // No longer than until the next report: a user who stops the receive is heard on time.
    int n = channel.read(buf.data() + held, buf.size() - held, reporter.ms_until_due());
    if (n < 0) return n;
    if (n == 0) continue;
    held += static_cast<std::size_t>(n);
    last_data = Clock::now();
    if (held == buf.size())
      if (int result = write_held(); result < 0) return result;
  }
  if (int result = write_held(); result < 0) return result;
  reporter.report(file.size(), 0, true);
  if (int result = file.commit(); result < 0) return result;
  return SIOFT_ABORT;
}

}  // namespace sio
