#include "sio/zmodem/drivers.h"

#include <algorithm>
#include <chrono>
#include <span>

#include "sio/file_sink.h"
#include "sio/outgoing_file.h"
#include "sio/result.h"
#include "sio/transfers.h"
#include "sio/zmodem/receiver.h"
#include "sio/zmodem/sender.h"

namespace sio::zmodem {
namespace {

// Bytes taken from the channel per read.
constexpr std::size_t kReadChunk = 64 * 1024;
// File data queued between two looks at the receiver's answers while streaming (a subpacket).
constexpr std::size_t kStreamBudget = 1024;
// The longest a write waits for room on a full line before the loop hears the other end and
// reports progress again: a subpacket takes more than a second on a slow line.
constexpr int kWriteWaitMs = 20;
// A cancel sequence waits no longer than this for a line that has stopped taking bytes.
constexpr int kCancelWriteMs = 1000;
// After the sender's last bytes ("OO"): time for the receiver to read them before the caller
// may close the line (a pty drops unread bytes on close, and tcdrain does not wait on one).
constexpr int kLingerMs = 50;

std::int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The file to send: the sender asks for a subpacket at a time, from where the receiver wants it.
class FileSource : public SendSource {
 public:
  explicit FileSource(OutgoingFile& file) : file_(file) {}
  int read_at(std::uint32_t position, std::uint8_t* buf, std::size_t len) override {
    std::span<const std::uint8_t> bytes;
    if (int result = file_.read_at(position, len, bytes); result < 0) return result;
    std::copy(bytes.begin(), bytes.end(), buf);
    return static_cast<int>(bytes.size());
  }

 private:
  OutgoingFile& file_;
};

// Bytes on their way to the line: it takes what it can at a time, so the loop keeps hearing
// the other end while a slow line drains. A line that takes nothing for long fails the session.
class Outgoing {
 public:
  void take(Bytes& bytes) {
    if (empty()) {
      queue_.clear();
      sent_ = 0;
      stall_.restart();
    }
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
    bytes.clear();
  }
  bool empty() const { return sent_ == queue_.size(); }
  // Writes what the line takes within kWriteWaitMs; 0 or a negative SIOFT_ result.
  int push(ByteChannel& channel) {
    if (empty()) return 0;
    int n = channel.write_for(queue_.data() + sent_, queue_.size() - sent_, kWriteWaitMs);
    if (n < 0) return n;
    sent_ += static_cast<std::size_t>(n);
    return stall_.note(n) ? 0 : SIOFT_TIMEOUT;
  }
  // Writes the rest (the session has ended), waiting for the line up to limit_ms.
  int flush(ByteChannel& channel, int limit_ms) {
    std::int64_t until = now_ms() + limit_ms;
    while (!empty()) {
      int n = channel.write_for(queue_.data() + sent_, queue_.size() - sent_, kWriteWaitMs);
      if (n < 0) return n;
      sent_ += static_cast<std::size_t>(n);
      if (n == 0 && now_ms() >= until) return SIOFT_TIMEOUT;
    }
    return 0;
  }
  // Forgets what has not gone out (the data of a session that is being cancelled).
  void drop() { sent_ = queue_.size(); }

 private:
  Bytes queue_;
  std::size_t sent_ = 0;
  StallWatch stall_;
};

// Gives the peer time to read our last bytes; ends early when it hangs up.
void linger(ByteChannel& channel) {
  std::uint8_t buf[256];
  std::int64_t until = now_ms() + kLingerMs;
  for (std::int64_t left; (left = until - now_ms()) > 0;)
    if (channel.read(buf, sizeof buf, static_cast<int>(left)) < 0) return;
}

// Runs a core until it finishes: its output goes out, the channel's bytes and the time go in,
// and the caller hears of the progress and may abort. `pump` lets a sender queue more data once
// the line has taken what went before; it says whether it did.
template <typename Core, typename Pump>
int drive(ByteChannel& channel, Core& core, ProgressReporter& progress, Pump pump) {
  std::vector<std::uint8_t> buf(kReadChunk);
  Outgoing out;
  core.start(now_ms());
  while (true) {
    out.take(core.output());
    if (core.finished()) {
      out.flush(channel, kTransferWriteTimeoutMs);
      return core.result();
    }
    if (int pushed = out.push(channel); pushed < 0) {
      out.drop();
      core.line_lost(pushed);
      continue;
    }
    bool busy = !out.empty() || pump();
    int n = channel.read(buf.data(), buf.size(), busy ? 0 : kProgressSliceMs);
    if (n < 0) {
      core.line_lost(n);
      return core.result();
    }
    if (n > 0) core.feed(buf.data(), static_cast<std::size_t>(n), now_ms());
    core.tick(now_ms());
    if (!progress.report(core.bytes_done(), core.bytes_total())) {
      core.abort();
      out.drop();
      out.take(core.output());
      int cancelled = out.flush(channel, kCancelWriteMs);
      // The callback may have closed the port itself.
      return cancelled == SIOFT_BADPORT ? SIOFT_BADPORT : core.result();
    }
  }
}

}  // namespace

int receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
            const Timing& timing) {
  DiskSink sink(folder, stored_name);
  Receiver core(sink, timing);
  ProgressReporter reporter(progress);
  int result = drive(channel, core, reporter, [] { return false; });
  if (result != SIOFT_OK) stored_name.clear();
  if (result == SIOFT_OK) reporter.report(core.bytes_done(), core.bytes_total(), true);
  return result;
}

int send(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const Timing& timing,
         const std::string& announced_name) {
  OutgoingFile file;
  if (int result = file.open(path, announced_name); result < 0) return result;
  if (file.size() > 0x7FFFFFFF) return SIOFT_FOPEN;  // positions are 32-bit
  FileSource source(file);
  Sender core(source, file.name(), static_cast<std::uint32_t>(file.size()), file.mtime(), timing);
  ProgressReporter reporter(progress);
  int result = drive(channel, core, reporter, [&] {
    if (!core.streaming()) return false;
    core.stream(kStreamBudget);
    return true;
  });
  // Only a pseudo-terminal's controlling side drops our last bytes ("OO") when the caller closes
  // it at once; a device waits for its output, and the other side of a pty keeps it readable.
  if (result != SIOFT_BADPORT && channel.loses_unread_on_close()) linger(channel);
  if (result == SIOFT_OK) reporter.report(core.bytes_done(), core.bytes_total(), true);
  return result;
}

}  // namespace sio::zmodem

namespace sio {

int zmodem_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress) {
  return zmodem::receive(channel, folder, stored_name, progress, zmodem::Timing{});
}

int zmodem_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress,
                const std::string& announced_name) {
  return zmodem::send(channel, path, progress, zmodem::Timing{}, announced_name);
}

}  // namespace sio
