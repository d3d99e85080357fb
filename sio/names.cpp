#include "sio/names.h"

#include <climits>

namespace sio {

std::optional<std::string> stored_name_for(std::string_view announced) {
  auto slash = announced.rfind('/');
  std::string_view name = slash == std::string_view::npos ? announced : announced.substr(slash + 1);
  if (name.empty() || name == "." || name == ".." || name.size() > NAME_MAX || name.size() > kMaxStoredName)
    return std::nullopt;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return std::nullopt;
  return std::string(name);
}

}  // namespace sio
