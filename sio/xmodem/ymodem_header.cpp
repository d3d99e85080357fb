#include "sio/xmodem/ymodem_header.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace sio::xmodem {

std::optional<YmodemHeader> parse_ymodem_header(std::span<const std::uint8_t> block) {
  auto name_end = std::find(block.begin(), block.end(), std::uint8_t{0});
  if (name_end == block.end()) return std::nullopt;
  YmodemHeader header;
  header.name.assign(block.begin(), name_end);
  long length = 0;
  bool digits = false;
  for (auto it = name_end + 1; it != block.end() && *it >= '0' && *it <= '9'; ++it) {
    if (length > (LONG_MAX - 9) / 10) return std::nullopt;
    length = length * 10 + (*it - '0');
    digits = true;
  }
  if (digits) header.length = length;
  return header;
}

std::vector<std::uint8_t> ymodem_header_bytes(const std::string& name, long length, long mtime) {
  std::vector<std::uint8_t> bytes(name.begin(), name.end());
  bytes.push_back(0);
  char fields[48];
  int n = mtime >= 0 ? std::snprintf(fields, sizeof fields, "%ld %lo", length, mtime)
                     : std::snprintf(fields, sizeof fields, "%ld", length);
  bytes.insert(bytes.end(), fields, fields + n);
  bytes.push_back(0);
  return bytes;
}

}  // namespace sio::xmodem
