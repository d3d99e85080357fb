#include "sio/lock_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/result.h"

namespace sio::os {
namespace {

bool is_folder(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// The PID a lock file names: ten ASCII digits, or four binary bytes from older programs.
// 0 when it names none.
pid_t owner_of(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[32] = {};
  const ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  if (n == static_cast<ssize_t>(sizeof(int))) {
    int binary;
    std::memcpy(&binary, text, sizeof binary);
    if (binary > 0 && std::strspn(text, " 0123456789\n") != 4) return binary;
  }
  return n > 0 ? static_cast<pid_t>(std::atol(text)) : 0;
}

// A lock of a process that no longer exists (or of our own that was never released).
bool is_stale(pid_t owner) { return owner > 0 && (owner == getpid() || (kill(owner, 0) != 0 && errno == ESRCH)); }

// Writes a complete lock file under `path`, or fails with EEXIST when one is there: written
// under a name of our own first, so nobody reads a half-written one.
bool create_lock_file(const std::string& folder, const std::string& path) {
  const std::string draft = folder + "/LTMP." + std::to_string(getpid());
  int fd = open(draft.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  char text[16];
  const int len = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
  const bool written = write(fd, text, static_cast<size_t>(len)) == len;
  close(fd);
  const bool linked = written && link(draft.c_str(), path.c_str()) == 0;
  const int error = errno;
  unlink(draft.c_str());
  errno = written ? error : EIO;
  return linked;
}

}  // namespace

std::string lock_folder() {
  for (const char* folder : {"/var/lock", "/run/lock"})
    if (is_folder(folder)) return folder;
  return {};
}

std::string lock_file_name(const std::string& device) { return "LCK.." + device.substr(device.rfind('/') + 1); }

int take_lock_file(const std::string& folder, const std::string& device, std::string& path) {
  path.clear();
  if (folder.empty()) return SIO_OK;
  const std::string wanted = folder + "/" + lock_file_name(device);
  // A second round after removing a stale file; a process that took it meanwhile wins.
  for (int round = 0; round < 2; ++round) {
    if (create_lock_file(folder, wanted)) {
      path = wanted;
      return SIO_OK;
    }
    // A folder we may not write still shows the locks of others.
    if (errno != EEXIST && access(wanted.c_str(), F_OK) != 0) return SIO_OK;
    if (!is_stale(owner_of(wanted))) break;
    if (unlink(wanted.c_str()) != 0) return SIO_OK;  // stale, and not ours to remove: it holds nobody
  }
  errno = EBUSY;
  return SIO_OPENFAIL;
}

void release_lock_file(const std::string& path) {
  if (!path.empty() && owner_of(path) == getpid()) unlink(path.c_str());
}

}  // namespace sio::os
