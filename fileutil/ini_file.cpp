#include "fileutil/ini_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "fileutil/file_io.h"
#include "fileutil/ini_text.h"

namespace fileutil {

std::optional<std::string> read_ini_value(const std::string& path, const std::string& section,
                                          const std::string& key) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string text;
  if (!fd.valid() || !read_to_end(fd.get(), text)) return std::nullopt;
  return ini_value(text, section, key);
}

bool write_ini_value(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& value) {
  if (!ini_entry_fits(section, key, value)) return false;
  UniqueFd fd(open(path.c_str(), O_RDWR | O_CLOEXEC));
  if (!fd.valid()) return false;
  // Two writers of one file take turns instead of mixing their texts.
  flock(fd.get(), LOCK_EX);
  std::string text;
  if (!read_to_end(fd.get(), text)) return false;
  const std::string changed = ini_with_value(text, section, key, value);
  if (changed == text) return true;
  return write_at_start(fd.get(), changed) &&
         ftruncate(fd.get(), static_cast<off_t>(changed.size())) == 0 && fd.close();
}

}  // namespace fileutil
