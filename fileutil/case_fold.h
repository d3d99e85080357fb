// Case-insensitive comparison of names that are bytes: UTF-8 text folds letter by letter
// (Cyrillic as well as Latin), and bytes that are not UTF-8 stay distinct values of their own.
#pragma once

#include <string>
#include <string_view>

namespace fileutil {

// One unit per character of valid UTF-8, one per byte otherwise, each folded to one case.
std::u32string folded(std::string_view bytes);

bool equal_ignoring_case(std::string_view a, std::string_view b);

}  // namespace fileutil
