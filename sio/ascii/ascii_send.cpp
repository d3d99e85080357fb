#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/ascii/send_core.h"
#include "sio/driver.h"
#include "sio/sio.h"
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
  ascii::SendCore core(file.fd(), static_cast<long>(st.st_size));
  return run_transfer(channel, core, progress);
}

}  // namespace sio
