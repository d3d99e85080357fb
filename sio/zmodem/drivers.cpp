#include "sio/zmodem/drivers.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/driver.h"
#include "sio/incoming_file.h"
#include "sio/port_table.h"
#include "sio/sio.h"
#include "sio/transfers.h"
#include "sio/zmodem/session.h"

namespace sio::zmodem {
namespace {

// File data read ahead per read when sending.
constexpr std::size_t kReadAhead = 64 * 1024;

// Received data goes to a temporary file beside its name in the folder.
class FolderSink : public ReceiveSink {
 public:
  explicit FolderSink(std::string folder) : folder_(std::move(folder)) {}
  int open(const std::string& name) override { return file_.open(folder_ + "/" + name); }
  int write(const std::uint8_t* data, std::size_t len) override { return file_.write(data, len); }
  int commit() override { return file_.commit(); }
  void discard() override { file_.discard(); }

 private:
  std::string folder_;
  IncomingFile file_;
};

// The file to send, read ahead in large blocks: the sender asks for a subpacket at a time.
class FileSource : public SendSource {
 public:
  explicit FileSource(int fd) : fd_(fd), cache_(kReadAhead) {}
  int read_at(std::uint32_t position, std::uint8_t* buf, std::size_t len) override {
    bool cached = position >= cached_at_ && position + len <= cached_at_ + cached_;
    if (!cached) {
      int n = fill(position, std::max(len, kReadAhead));
      if (n < 0) return n;
    }
    std::size_t from = position - cached_at_;
    std::size_t n = std::min(len, cached_ - std::min(cached_, from));
    std::copy_n(cache_.data() + from, n, buf);
    return static_cast<int>(n);
  }

 private:
  int fill(std::uint32_t position, std::size_t len) {
    cache_.resize(std::max(cache_.size(), len));
    cached_at_ = position;
    cached_ = 0;
    while (cached_ < len) {
      ssize_t n = pread(fd_, cache_.data() + cached_, len - cached_, static_cast<off_t>(position + cached_));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        keep_last_error(errno);
        return SIOFT_WIN32FAIL;
      }
      if (n == 0) break;
      cached_ += static_cast<std::size_t>(n);
    }
    return 0;
  }

  int fd_;
  std::vector<std::uint8_t> cache_;
  std::uint32_t cached_at_ = 0;  // file position of cache_[0]
  std::size_t cached_ = 0;       // bytes valid in cache_
};

}  // namespace

int receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
            const Timing& timing) {
  FolderSink sink(folder);
  Receiver core(sink, timing);
  Session session(core);
  // The callback may show the name the file is stored under as soon as it is known.
  int result = run_transfer(channel, session, [&](long done, long total) {
    stored_name = core.stored_name();
    return progress ? progress(done, total) : 0;
  });
  stored_name = result == SIOFT_OK ? core.stored_name() : std::string();
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
  Session session(core);
  int result = run_transfer(channel, session, progress);
  ::close(fd);
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
