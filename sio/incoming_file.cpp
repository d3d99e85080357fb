#include "sio/incoming_file.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/result.h"
#include "sio/temporary_files.h"

namespace sio {
namespace {

std::string folder_of(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Bytes gathered before a write to the file.
constexpr std::size_t kGatherBytes = 256 * 1024;

thread_local std::string blocking_path;

// A file of the target's name is in the way.
int blocked_by(const std::string& path) {
  blocking_path = path;
  return SIOFT_FOPEN;
}

int system_failure() {
  keep_last_error(errno);
  return SIOFT_WIN32FAIL;
}

}  // namespace

std::string last_blocking_path() { return blocking_path; }

void clear_blocking_path() { blocking_path.clear(); }

IncomingFile::~IncomingFile() { discard(); }

int IncomingFile::open(const std::string& path) {
  discard();
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return blocked_by(path);
  std::string temp;
  int fd = create_locked_temporary(folder_of(path), temp);
  if (fd < 0) {
    keep_last_error(errno);
    return SIOFT_FOPEN;
  }
  fd_ = fd;
  temp_path_ = temp;
  path_ = path;
  size_ = 0;
  return 0;
}

int IncomingFile::write(const std::uint8_t* data, std::size_t len) {
  gathered_.insert(gathered_.end(), data, data + len);
  size_ += static_cast<long>(len);
  return gathered_.size() >= kGatherBytes ? flush() : 0;
}

int IncomingFile::flush() {
  std::size_t done = 0;
  while (done < gathered_.size()) {
    ssize_t n = ::write(fd_, gathered_.data() + done, gathered_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      gathered_.clear();
      return system_failure();
    }
    done += static_cast<std::size_t>(n);
  }
  gathered_.clear();
  return 0;
}

int IncomingFile::commit() {
  if (fd_ < 0) return SIOFT_FOPEN;
  if (int result = flush(); result < 0) {
    discard();
    return result;
  }
  // Named while still open, so the lock keeps a cleanup off the temporary file until it is gone.
  // link() refuses an existing target, so nothing is ever replaced.
  if (link(temp_path_.c_str(), path_.c_str()) != 0) {
    int result = errno == EEXIST ? blocked_by(path_) : system_failure();
    discard();
    return result;
  }
  unlink(temp_path_.c_str());
  temp_path_.clear();
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) {  // the data may not all have reached the file
    const int result = system_failure();
    unlink(path_.c_str());
    return result;
  }
  return 0;
}

void IncomingFile::discard() {
  gathered_.clear();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_path_.empty()) unlink(temp_path_.c_str());
  temp_path_.clear();
}

}  // namespace sio
