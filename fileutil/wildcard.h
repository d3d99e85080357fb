// Matching one name against a pattern the way the Windows file search does it.
#pragma once

#include <string_view>

namespace fileutil {

// "*" stands for any run of characters, "?" for exactly one, letters match in either case.
// A "." followed only by "*" up to the end may also match the end of a name without a dot,
// so "*.*" matches every name and "memo.*" matches "memo".
bool wildcard_match(std::string_view pattern, std::string_view name);

}  // namespace fileutil
