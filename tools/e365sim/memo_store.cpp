#include "tools/e365sim/memo_store.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace e365sim {

std::vector<Memo> MemoStore::memos() const {
  constexpr std::string_view kExtension = ".amr";
  std::vector<Memo> found;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder_.c_str()), closedir);
  if (dir) {
    while (dirent* entry = readdir(dir.get())) {
      std::string file = entry->d_name;
      if (file.size() <= kExtension.size() || !file.ends_with(kExtension)) continue;
      std::string path = folder_ + "/" + file;
      struct stat st;
      if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      found.push_back({file.substr(0, file.size() - kExtension.size()), path, static_cast<long long>(st.st_size)});
    }
  }
  std::sort(found.begin(), found.end(), [](const Memo& a, const Memo& b) { return a.name < b.name; });
  found.insert(found.end(), extra_.begin(), extra_.end());
  return found;
}

}  // namespace e365sim
