// Looking for files and folders by name or by wildcard pattern.
#pragma once

#include <string>

namespace fileutil {

// True when the folder part of `path` holds an entry (file or folder, "." and ".." aside)
// whose name matches its last component, wildcards and case as wildcard_match() takes them.
bool find_first_match(const std::string& path);

// True when `path` names a regular file (or a link to one).
bool regular_file_exists(const std::string& path);

}  // namespace fileutil
