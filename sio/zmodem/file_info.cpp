#include "sio/zmodem/file_info.h"

#include <algorithm>
#include <cstdio>

namespace sio::zmodem {

FileInfo parse_file_info(const std::uint8_t* data, std::size_t len) {
  FileInfo info;
  const std::uint8_t* end = data + len;
  const std::uint8_t* zero = std::find(data, end, 0);
  info.name.assign(data, zero);
  if (zero == end) return info;
  long length = 0;
  bool any = false;
  for (const std::uint8_t* p = zero + 1; p < end && *p >= '0' && *p <= '9'; ++p) {
    if (length > (0x7FFFFFFFL - 9) / 10) return info;  // beyond what a position can reach
    length = length * 10 + (*p - '0');
    any = true;
  }
  if (any) info.length = length;
  return info;
}

std::vector<std::uint8_t> format_file_info(const std::string& name, long length, long mtime) {
  char tail[96];
  int n = std::snprintf(tail, sizeof tail, "%ld %lo %o 0 1 %ld", length, mtime, 0100644, length);
  std::vector<std::uint8_t> out(name.begin(), name.end());
  out.push_back(0);
  out.insert(out.end(), tail, tail + n);
  out.push_back(0);
  return out;
}

}  // namespace sio::zmodem
