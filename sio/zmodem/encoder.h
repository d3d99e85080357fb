// Turns headers and data subpackets into the bytes that go on the wire.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sio/zmodem/header.h"
#include "sio/zmodem/protocol.h"

namespace sio::zmodem {

using Bytes = std::vector<std::uint8_t>;

// Sends bytes that a link could act on (ZDLE, XON and XOFF with or without the high bit, CR
// after '@' which some modems take for an escape) as ZDLE pairs; with `escape_controls` every
// control character too.
class Escaper {
 public:
  explicit Escaper(bool escape_controls = false);
  void put(Bytes& out, const std::uint8_t* data, std::size_t len);
  void put(Bytes& out, std::uint8_t byte) { put(out, &byte, 1); }

 private:
  std::array<bool, 256> escaped_{};
  std::array<bool, 256> watched_{};  // escaped, or CR (escaped after '@')
  std::uint8_t last_ = 0;
};

// Hex headers go out as "**", ZDLE, 'B', fourteen hex digits, CR, LF (and XON); binary ones as
// '*', ZDLE, 'A' or 'C' and escaped bytes.
void append_header(Bytes& out, const Header& header, Escaper& escaper);
// A data subpacket: escaped data, ZDLE and the frame end, then the escaped CRC of data and end.
void append_subpacket(Bytes& out, const std::uint8_t* data, std::size_t len, FrameEnd end, bool crc32, Escaper& escaper);

}  // namespace sio::zmodem
