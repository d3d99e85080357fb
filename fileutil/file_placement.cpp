#include "fileutil/file_placement.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace fileutil {

bool rename_noreplace(const std::string& from, const std::string& to) {
  return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

bool link_then_unlink(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) != 0) return false;
  if (unlink(from.c_str()) != 0) {
    int error = errno;
    unlink(to.c_str());
    errno = error;
    return false;
  }
  return true;
}

bool place_without_replacing(const std::string& from, const std::string& to) {
  if (rename_noreplace(from, to)) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  return link_then_unlink(from, to);
}

std::string folder_of(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace fileutil
