#include "fileutil/file_copy.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileutil/file_io.h"
#include "fileutil/file_placement.h"

namespace fileutil {
namespace {

bool copy_with_read_write(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    long got = read_some(from, buffer, sizeof buffer);
    if (got <= 0) return got == 0;
    if (!write_all(to, std::string_view(buffer, static_cast<std::size_t>(got)))) return false;
  }
}

// The kernel copies on its own (and may share extents) where it can; other pairs of file
// systems fall back to a plain loop.
bool copy_bytes(int from, int to) {
  bool copied_any = false;
  for (;;) {
    ssize_t n = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
    if (n > 0) {
      copied_any = true;
      continue;
    }
    if (n == 0) return true;
    if (errno == EINTR) continue;
    bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                       errno == EOPNOTSUPP || errno == EBADF;
    if (copied_any || !unsupported) return false;
    return copy_with_read_write(from, to);
  }
}

void sync_folder(const std::string& folder) {
  UniqueFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) fsync(dir.get());
}

struct Placed {
  dev_t device = 0;
  ino_t inode = 0;
};

// The common body: copy into a temporary file beside `destination`, then put it in place.
bool copy_beside(const std::string& source, const std::string& destination, Existing existing,
                 bool durable, int source_flags, Placed* placed) {
  UniqueFd in(open(source.c_str(), O_RDONLY | O_CLOEXEC | source_flags));
  if (!in.valid()) return false;
  struct stat st;
  if (fstat(in.get(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }

  std::string temp = folder_of(destination) + "/.vokarel-copy-XXXXXX";
  UniqueFd out(mkostemp(temp.data(), O_CLOEXEC));
  if (!out.valid()) return false;
  struct stat temp_st;
  bool ok = copy_bytes(in.get(), out.get()) && fchmod(out.get(), st.st_mode & 0777) == 0 &&
            fstat(out.get(), &temp_st) == 0;
  if (ok) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out.get(), times);  // a copy with a fresh time is still a good copy
  }
  ok = ok && (!durable || fsync(out.get()) == 0);
  ok = out.close() && ok;
  if (ok) {
    ok = existing == Existing::Replace ? rename(temp.c_str(), destination.c_str()) == 0
                                       : place_without_replacing(temp, destination);
  }
  if (!ok) {
    int error = errno;
    unlink(temp.c_str());
    errno = error;
    return false;
  }
  if (durable) sync_folder(folder_of(destination));
  if (placed) *placed = {temp_st.st_dev, temp_st.st_ino};
  return true;
}

}  // namespace

bool copy_file(const std::string& source, const std::string& destination, Existing existing) {
  return copy_beside(source, destination, existing, false, 0, nullptr);
}

bool move_by_copying(const std::string& source, const std::string& destination) {
  struct stat st;
  // Not needed for safety (the copy is never put over a file) but spares copying in vain.
  if (lstat(destination.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  Placed placed;
  // A link is moved as a link or not at all: its target is not ours to copy.
  if (!copy_beside(source, destination, Existing::Keep, true, O_NOFOLLOW, &placed)) return false;
  if (unlink(source.c_str()) == 0) return true;
  int error = errno;
  // The source stays, so the copy goes again; only our own copy, should the name have changed
  // hands meanwhile.
  if (lstat(destination.c_str(), &st) == 0 && st.st_dev == placed.device &&
      st.st_ino == placed.inode) {
    unlink(destination.c_str());
  }
  errno = error;
  return false;
}

}  // namespace fileutil
