// The ZFILE subpacket: the file's name, a zero byte, then "length mtime mode ..." in ASCII
// (decimal length, octal time and mode) and another zero byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sio::zmodem {

struct FileInfo {
  std::string name;  // as announced, bytes unchanged
  long length = -1;  // -1 when the sender did not say
};

FileInfo parse_file_info(const std::uint8_t* data, std::size_t len);
std::vector<std::uint8_t> format_file_info(const std::string& name, long length, long mtime);

}  // namespace sio::zmodem
