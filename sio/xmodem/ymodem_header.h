// The YMODEM header (block 0): the file's name, a zero byte, then its length in decimal and
// optionally more fields separated by spaces (modification time in octal, ...), zero-padded.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sio::xmodem {

struct YmodemHeader {
  std::string name;  // the name's bytes as sent
  long length = -1;  // -1 when the sender gives none
};

// Nothing when the block holds no terminated name. An empty name ends the batch.
std::optional<YmodemHeader> parse_ymodem_header(std::span<const std::uint8_t> block);

// The header's bytes, before padding: name, zero, length, and the modification time when known.
std::vector<std::uint8_t> ymodem_header_bytes(const std::string& name, long length, long mtime = -1);

}  // namespace sio::xmodem
