#include "sio/xmodem/file_source.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/result.h"

namespace sio::xmodem {

namespace {
constexpr std::size_t kLongBlockThreshold = 768;
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

int FileSource::open(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd_ < 0) keep_last_error(errno);
    return SIOFT_FOPEN;
  }
  size_ = static_cast<long>(st.st_size);
  mtime_ = static_cast<long>(st.st_mtime);
  return 0;
}

int FileSource::fill() {
  while (!at_end_ && buffered_ < buffer_.size()) {
    ssize_t n = ::read(fd_, buffer_.data() + buffered_, buffer_.size() - buffered_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      keep_last_error(errno);
      return SIOFT_WIN32FAIL;
    }
    if (n == 0) at_end_ = true;
    buffered_ += static_cast<std::size_t>(n);
  }
  return 0;
}

int FileSource::next(bool long_blocks, std::span<const std::uint8_t>& payload) {
  if (int result = fill(); result < 0) return result;
  offered_ = long_blocks && buffered_ > kLongBlockThreshold ? buffered_ : std::min(buffered_, kShortBlock);
  payload = {buffer_.data(), offered_};
  return 0;
}

long FileSource::consume() {
  std::memmove(buffer_.data(), buffer_.data() + offered_, buffered_ - offered_);
  buffered_ -= offered_;
  sent_ += static_cast<long>(offered_);
  offered_ = 0;
  return sent_;
}

}  // namespace sio::xmodem
