// One key of an INI file on disk. The file must exist: it is changed in place, never created.
#pragma once

#include <optional>
#include <string>

namespace fileutil {

// Nothing when the file cannot be read or holds no such key.
std::optional<std::string> read_ini_value(const std::string& path, const std::string& section,
                                          const std::string& key);

// False when the file cannot be opened for writing, or when the entry would not fit on one
// line of its own (see ini_entry_fits).
bool write_ini_value(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& value);

}  // namespace fileutil
