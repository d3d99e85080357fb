#include "sio/zmodem/drivers.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/incoming_file.h"
#include "sio/port_table.h"
#include "sio/sio.h"
#include "sio/transfers.h"
#include "sio/zmodem/receiver.h"
#include "sio/zmodem/sender.h"

namespace sio::zmodem {
namespace {

// Bytes taken from the channel per read, and written to the file per write.
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kWriteChunk = 256 * 1024;
// File data queued between two looks at the receiver's answers while streaming: small, so that
// a slow line blocks a write only briefly and a resend request is heard at once.
constexpr std::size_t kStreamBudget = 1024;
// After the sender's last bytes ("OO"): time for the receiver to read them before the caller
// may close the line (a pty drops unread bytes on close, and tcdrain does not wait on one).
constexpr int kLingerMs = 50;

std::int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Received data, gathered into large writes of the temporary file.
class FolderSink : public ReceiveSink {
 public:
  explicit FolderSink(std::string folder) : folder_(std::move(folder)) { buffer_.reserve(kWriteChunk); }
  int open(const std::string& name) override { return file_.open(folder_ + "/" + name); }
  int write(const std::uint8_t* data, std::size_t len) override {
    buffer_.insert(buffer_.end(), data, data + len);
    return buffer_.size() >= kWriteChunk ? flush() : 0;
  }
  int commit() override {
    int flushed = flush();
    if (flushed < 0) {
      file_.discard();
      return flushed;
    }
    return file_.commit();
  }
  void discard() override {
    buffer_.clear();
    file_.discard();
  }

 private:
  int flush() {
    int result = buffer_.empty() ? 0 : file_.write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return result;
  }
  std::string folder_;
  IncomingFile file_;
  std::vector<std::uint8_t> buffer_;
};

class FileSource : public SendSource {
 public:
  explicit FileSource(int fd) : fd_(fd) {}
  int read_at(std::uint32_t position, std::uint8_t* buf, std::size_t len) override {
    std::size_t done = 0;
    while (done < len) {
      ssize_t n = pread(fd_, buf + done, len - done, static_cast<off_t>(position + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        keep_last_error(errno);
        return SIOFT_WIN32FAIL;
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<int>(done);
  }

 private:
  int fd_;
};

int write_out(ByteChannel& channel, Bytes& out) {
  if (out.empty()) return 0;
  int result = channel.write(out.data(), out.size());
  out.clear();
  return result;
}

// Gives the peer time to read our last bytes; ends early when it hangs up.
void linger(ByteChannel& channel) {
  std::uint8_t buf[256];
  std::int64_t until = now_ms() + kLingerMs;
  for (std::int64_t left; (left = until - now_ms()) > 0;)
    if (channel.read(buf, sizeof buf, static_cast<int>(left)) < 0) return;
}

// Runs a core until it finishes: its output goes out, the channel's bytes and the time go in,
// and the caller hears of the progress and may abort.
template <typename Core, typename Pump>
int drive(ByteChannel& channel, Core& core, ProgressReporter& progress, Pump pump) {
  std::vector<std::uint8_t> buf(kReadChunk);
  core.start(now_ms());
  while (true) {
    int written = write_out(channel, core.output());
    if (written < 0) core.line_lost(written);
    if (core.finished()) return core.result();
    int wait_ms = pump() ? 0 : kProgressSliceMs;
    int n = channel.read(buf.data(), buf.size(), wait_ms);
    if (n < 0) {
      core.line_lost(n);
      return core.result();
    }
    if (n > 0) core.feed(buf.data(), static_cast<std::size_t>(n), now_ms());
    core.tick(now_ms());
    if (!progress.report(core.bytes_done(), core.bytes_total())) {
      core.abort();
      int cancelled = write_out(channel, core.output());
      // The callback may have closed the port itself.
      return cancelled == SIOFT_BADPORT ? SIOFT_BADPORT : core.result();
    }
  }
}

}  // namespace

int receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
            const Timing& timing) {
  FolderSink sink(folder);
  Receiver core(sink, timing);
  ProgressReporter reporter(progress);
  int result = drive(channel, core, reporter, [&] {
    stored_name = core.stored_name();
    return false;
  });
  stored_name = result == SIOFT_OK ? core.stored_name() : std::string();
  if (result == SIOFT_OK) reporter.report(core.bytes_done(), core.bytes_total(), true);
  return result;
}

int send(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const Timing& timing) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return SIOFT_FOPEN;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 0x7FFFFFFF) {
    ::close(fd);
    return SIOFT_FOPEN;
  }
  FileSource source(fd);
  auto slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  Sender core(source, name, static_cast<std::uint32_t>(st.st_size), static_cast<long>(st.st_mtime), timing);
  ProgressReporter reporter(progress);
  int result = drive(channel, core, reporter, [&] {
    if (!core.streaming()) return false;
    core.stream(kStreamBudget);
    return true;
  });
  ::close(fd);
  if (result != SIOFT_BADPORT) linger(channel);
  if (result == SIOFT_OK) reporter.report(core.bytes_done(), core.bytes_total(), true);
  return result;
}

}  // namespace sio::zmodem

namespace sio {

int zmodem_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress) {
  return zmodem::receive(channel, folder, stored_name, progress, zmodem::Timing{});
}

int zmodem_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress) {
  return zmodem::send(channel, path, progress, zmodem::Timing{});
}

}  // namespace sio
