// Names from the phone become file names only when they cannot reach outside the program folder.
#pragma once

#include <string>

// True when `name` can be used as it is for a file in the program folder: not empty, not "."
// or "..", no "/" and no control characters.
bool IsSafeFileName(const std::string& name);

// The display name (Windows-1251 bytes) as a file name in UTF-8, or empty when it is not safe.
std::string DisplayFileName(const std::string& display_name);
