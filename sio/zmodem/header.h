// A ZMODEM header: a frame type and four data bytes, which hold either a file position or flags.
#pragma once

#include <array>
#include <cstdint>

namespace sio::zmodem {

enum class HeaderFormat : std::uint8_t { Hex, Bin16, Bin32 };

struct Header {
  std::uint8_t type = 0;
  std::array<std::uint8_t, 4> data{};
  HeaderFormat format = HeaderFormat::Hex;

  std::uint32_t position() const {
    return data[0] | (std::uint32_t(data[1]) << 8) | (std::uint32_t(data[2]) << 16) | (std::uint32_t(data[3]) << 24);
  }
  static Header at(std::uint8_t type, std::uint32_t position) {
    Header h;
    h.type = type;
    for (int i = 0; i < 4; ++i) h.data[i] = static_cast<std::uint8_t>(position >> (8 * i));
    return h;
  }
  static Header flags(std::uint8_t type, std::uint8_t f0, std::uint8_t f1 = 0, std::uint8_t f2 = 0, std::uint8_t f3 = 0) {
    Header h;
    h.type = type;
    h.data = {f3, f2, f1, f0};
    return h;
  }
};

}  // namespace sio::zmodem
