#include "sio/program_folder.h"

#include <climits>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
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

bool is_system_folder(const std::string& folder) {
  for (const char* root : {"/usr/", "/bin", "/sbin", "/opt/"}) {
    const std::string prefix(root);
    if (folder.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

// mkdir -p for the per-user folder; a failure shows later, when a file cannot be made there.
void make_folders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

}  // namespace

std::string user_folder_for(const std::string& exe_folder) {
  if (access(exe_folder.c_str(), W_OK) == 0 && !is_system_folder(exe_folder)) return exe_folder;
  const char* data_home = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::string base;
  if (data_home && data_home[0] == '/') base = data_home;
  else if (home && home[0] == '/') base = std::string(home) + "/.local/share";
  else return exe_folder;  // no home to keep files in: the folder's own rights decide
  const std::string folder = base + "/vokarel";
  make_folders(folder);
  return folder;
}

std::string program_folder() {
  std::lock_guard lock(folder_mutex);
  if (!folder_override.empty()) return folder_override;
  static const std::string folder = user_folder_for(executable_folder());
  return folder;
}

void set_program_folder(const std::string& folder) {
  std::lock_guard lock(folder_mutex);
  folder_override = folder;
}

}  // namespace sio
