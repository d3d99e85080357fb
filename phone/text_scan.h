// Small text helpers over received bytes (one char per byte).
#pragma once

#include <string>
#include <string_view>

// Without leading and trailing blanks (spaces only; tabs and line breaks stay).
std::string TrimSpaces(std::string_view text);

// Position of `needle` in `text` at or after `from`, comparing ASCII letters without case;
// npos when absent.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from = 0);

// `text` with every occurrence of `what` removed.
std::string RemoveAll(std::string_view text, std::string_view what);

inline bool Contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}
