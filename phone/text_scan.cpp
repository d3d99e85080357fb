#include "phone/text_scan.h"

#include <algorithm>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (from > text.size()) return std::string_view::npos;
  const auto hit = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                               needle.begin(), needle.end(),
                               [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
  return hit == text.end() && !needle.empty() ? std::string_view::npos
                                              : static_cast<std::size_t>(hit - text.begin());
}

std::string RemoveAll(std::string_view text, std::string_view what) {
  std::string result;
  result.reserve(text.size());
  std::size_t at = 0;
  for (auto hit = text.find(what); hit != std::string_view::npos && !what.empty();
       hit = text.find(what, at)) {
    result.append(text.substr(at, hit - at));
    at = hit + what.size();
  }
  result.append(text.substr(at));
  return result;
}
