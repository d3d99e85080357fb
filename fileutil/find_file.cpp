#include "fileutil/find_file.h"

#include <dirent.h>
#include <sys/stat.h>

#include "fileutil/file_placement.h"
#include "fileutil/wildcard.h"

namespace fileutil {
namespace {

class Dir {
 public:
  explicit Dir(const std::string& path) : dir_(opendir(path.c_str())) {}
  ~Dir() {
    if (dir_) closedir(dir_);
  }
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

}  // namespace

bool find_first_match(const std::string& path) {
  const std::string pattern = path.substr(path.rfind('/') + 1);
  if (pattern.empty()) return false;
  Dir dir(folder_of(path));
  if (!dir.get()) return false;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (wildcard_match(pattern, name)) return true;
  }
  return false;
}

bool regular_file_exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace fileutil
