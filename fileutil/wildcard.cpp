#include "fileutil/wildcard.h"

#include <string>

#include "fileutil/case_fold.h"

namespace fileutil {
namespace {

bool only_stars_from(const std::u32string& p, std::size_t i) {
  return p.find_first_not_of(U'*', i) == std::u32string::npos;
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
  const std::u32string p = folded(pattern);
  const std::u32string n = folded(name);
  // Greedy matching with one backtrack point, the last "*" seen: linear in practice and never
  // worse than |p| * |n|, whatever the pattern.
  std::size_t pi = 0, ni = 0;
  std::size_t star = std::u32string::npos, star_ni = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == U'?' || (p[pi] != U'*' && p[pi] == n[ni]))) {
      ++pi, ++ni;
    } else if (pi < p.size() && p[pi] == U'*') {
      star = pi++;
      star_ni = ni;
    } else if (star != std::u32string::npos) {
      pi = star + 1;
      ni = ++star_ni;
    } else {
      return false;
    }
  }
  if (pi < p.size() && p[pi] == U'.' && only_stars_from(p, pi + 1)) return true;
  return only_stars_from(p, pi);
}

}  // namespace fileutil
