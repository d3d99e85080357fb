#include "sio/program_folder.h"

#include <climits>
#include <mutex>
#include <unistd.h>

namespace sio {
namespace {

std::mutex folder_mutex;
std::string folder_override;

std::string executable_folder() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string exe(path, static_cast<size_t>(n));
  auto slash = exe.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : exe.substr(0, slash);
}

}  // namespace

std::string program_folder() {
  std::lock_guard lock(folder_mutex);
  if (!folder_override.empty()) return folder_override;
  static const std::string exe_folder = executable_folder();
  return exe_folder;
}

void set_program_folder(const std::string& folder) {
  std::lock_guard lock(folder_mutex);
  folder_override = folder;
}

}  // namespace sio
