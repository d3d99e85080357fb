#include "sio/outgoing_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/result.h"

namespace sio {
namespace {

// File bytes read at a time.
constexpr std::size_t kReadAhead = 64 * 1024;

}  // namespace

OutgoingFile::~OutgoingFile() {
  if (fd_ >= 0) ::close(fd_);
}

int OutgoingFile::open(const std::string& path, const std::string& announced_name) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd_ < 0) keep_last_error(errno);
    return SIOFT_FOPEN;
  }
  size_ = static_cast<long>(st.st_size);
  mtime_ = static_cast<long>(st.st_mtime);
  name_ = announced_name.empty() ? path.substr(path.rfind('/') + 1) : announced_name;
  return 0;
}

int OutgoingFile::read_at(long position, std::size_t len, std::span<const std::uint8_t>& bytes) {
  const long ahead_end = ahead_at_ + static_cast<long>(ahead_.size());
  const bool held = position >= ahead_at_ && (position + static_cast<long>(len) <= ahead_end ||
                                              (ahead_to_end_ && position <= ahead_end));
  if (!held) {
    if (int result = fill(position, std::max(len, kReadAhead)); result < 0) return result;
  }
  const auto from = static_cast<std::size_t>(position - ahead_at_);
  bytes = std::span<const std::uint8_t>(ahead_).subspan(from, std::min(len, ahead_.size() - from));
  return 0;
}

int OutgoingFile::read(std::size_t len, std::span<const std::uint8_t>& bytes) {
  if (int result = read_at(next_, len, bytes); result < 0) return result;
  next_ += static_cast<long>(bytes.size());
  return 0;
}

int OutgoingFile::fill(long position, std::size_t len) {
  ahead_.resize(len);
  ahead_at_ = position;
  std::size_t got = 0;
  while (got < len) {
    ssize_t n = pread(fd_, ahead_.data() + got, len - got, static_cast<off_t>(position) + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ahead_.clear();
      keep_last_error(errno);
      return SIOFT_WIN32FAIL;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ahead_.resize(got);
  ahead_to_end_ = got < len;
  return 0;
}

}  // namespace sio
