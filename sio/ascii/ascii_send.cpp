#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "sio/ascii/ascii.h"
#include "sio/result.h"
#include "sio/transfers.h"

namespace sio {
namespace {

class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

int ascii_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress) {
  ReadOnlyFile file(path);
  struct stat st;
  if (file.fd() < 0 || fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode)) return SIOFT_FOPEN;
  const long total = static_cast<long>(st.st_size);
  ProgressReporter reporter(progress);
  long sent = 0;
  std::vector<std::uint8_t> chunk(ascii::kSendChunk);
  StallWatch stall;
  for (;;) {
    if (!reporter.report(sent, total)) return SIOFT_ABORT;
    ssize_t n = ::read(file.fd(), chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      keep_last_error(errno);
      return SIOFT_WIN32FAIL;
    }
    if (n == 0) break;
    // A slow or stopped line hands back control after a slice, for the report and an abort.
    for (std::size_t done = 0; done < static_cast<std::size_t>(n);) {
      int written = channel.write_for(chunk.data() + done, static_cast<std::size_t>(n) - done, kProgressSliceMs);
      if (written < 0) return written;
      done += static_cast<std::size_t>(written);
      sent += written;
      if (!stall.note(written)) return SIOFT_TIMEOUT;
      if (done < static_cast<std::size_t>(n) && !reporter.report(sent, total)) return SIOFT_ABORT;
    }
  }
  reporter.report(sent, total, true);
  return SIOFT_OK;
}

}  // namespace sio
