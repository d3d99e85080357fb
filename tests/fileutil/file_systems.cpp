#include "tests/fileutil/file_systems.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace {

bool device_of(const std::string& path, dev_t& device) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  device = st.st_dev;
  return true;
}

}  // namespace

FoldersOnTwoFileSystems folders_on_two_file_systems() {
  FoldersOnTwoFileSystems folders;
  dev_t shm;
  if (!device_of("/dev/shm", shm) || access("/dev/shm", W_OK) != 0) return folders;
  // ctest runs each test inside the build tree.
  for (std::string candidate : {std::filesystem::current_path().string(), std::string("/var/tmp"),
                                std::string("/tmp")}) {
    dev_t device;
    if (!device_of(candidate, device) || device == shm || access(candidate.c_str(), W_OK) != 0) {
      continue;
    }
    try {
      folders.tmpfs = std::make_unique<test_support::TempFolder>("/dev/shm");
      folders.disk = std::make_unique<test_support::TempFolder>(candidate);
    } catch (const std::runtime_error&) {
      folders = {};
      continue;
    }
    return folders;
  }
  return folders;
}
