#include "sio/incoming_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/port_table.h"
#include "sio/sio.h"

namespace sio {
namespace {

std::string folder_of(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int system_failure() {
  keep_last_error(errno);
  return SIOFT_WIN32FAIL;
}

}  // namespace

IncomingFile::~IncomingFile() { discard(); }

int IncomingFile::open(const std::string& path) {
  discard();
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return SIOFT_FOPEN;
  std::string temp = folder_of(path) + "/.sio-receive-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    keep_last_error(errno);
    return SIOFT_FOPEN;
  }
  fchmod(fd, 0644);
  fd_ = fd;
  temp_path_ = temp;
  path_ = path;
  size_ = 0;
  return 0;
}

int IncomingFile::write(const std::uint8_t* data, std::size_t len) {
  while (len > 0) {
    ssize_t n = ::write(fd_, data, len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return system_failure();
    data += n;
    len -= static_cast<std::size_t>(n);
    size_ += n;
  }
  return 0;
}

int IncomingFile::truncate(long length) {
  if (length < 0 || length >= size_) return 0;
  if (ftruncate(fd_, length) != 0) return system_failure();
  size_ = length;
  return 0;
}

int IncomingFile::commit() {
  if (fd_ < 0) return SIOFT_FOPEN;
  if (::close(fd_) != 0) {
    fd_ = -1;
    int result = system_failure();
    discard();
    return result;
  }
  fd_ = -1;
  // link() refuses an existing target, so nothing is ever replaced.
  if (link(temp_path_.c_str(), path_.c_str()) != 0) {
    int result = errno == EEXIST ? SIOFT_FOPEN : system_failure();
    discard();
    return result;
  }
  unlink(temp_path_.c_str());
  temp_path_.clear();
  return 0;
}

void IncomingFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_path_.empty()) unlink(temp_path_.c_str());
  temp_path_.clear();
}

}  // namespace sio
