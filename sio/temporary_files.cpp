#include "sio/temporary_files.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sio {
namespace {

constexpr std::string_view kPrefix = ".sio-receive-";
constexpr std::size_t kUniqueChars = 6;  // the Xs that mkostemp replaces
constexpr int kCreateAttempts = 8;

// Whether `path` still names the file open on `fd`: a cleanup may have removed it in between.
bool still_named(int fd, const std::string& path) {
  struct stat open_file, named;
  return fstat(fd, &open_file) == 0 && lstat(path.c_str(), &named) == 0 && open_file.st_dev == named.st_dev &&
         open_file.st_ino == named.st_ino;
}

bool is_temporary_name(std::string_view name) {
  return name.size() == kPrefix.size() + kUniqueChars && name.starts_with(kPrefix);
}

}  // namespace

int create_locked_temporary(const std::string& folder, std::string& path) {
  // A cleanup may lock a new file before its creator does; it then removes the file, and the
  // creator, finding the lock taken or the name gone, starts another.
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    path = folder + "/" + std::string(kPrefix) + std::string(kUniqueChars, 'X');
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && still_named(fd, path)) {
      fchmod(fd, 0644);
      return fd;
    }
    ::close(fd);
  }
  errno = EAGAIN;
  return -1;
}

int remove_stale_temporaries(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = readdir(dir)) {
    if (!is_temporary_name(entry->d_name)) continue;
    const std::string path = folder + "/" + entry->d_name;
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    // Removed under our own lock, and only while the name is still that file.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 && still_named(fd, path) &&
        unlink(path.c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  closedir(dir);
  return removed;
}

}  // namespace sio
