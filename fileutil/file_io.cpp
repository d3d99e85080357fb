#include "fileutil/file_io.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace fileutil {

bool UniqueFd::close() {
  if (fd_ < 0) return true;
  int result = ::close(fd_);
  fd_ = -1;
  return result == 0;
}

long read_some(int fd, char* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = read(fd, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

bool read_to_end(int fd, std::string& bytes) {
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    long got = read_some(fd, buffer, sizeof buffer);
    if (got <= 0) return got == 0;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

bool write_at_start(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace fileutil
