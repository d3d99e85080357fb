#include "sio/crc.h"

#include <array>

namespace sio {
namespace {

constexpr std::array<std::uint16_t, 256> make_crc16_table() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    table[i] = crc;
  }
  return table;
}

// Eight tables for the CRC-32: table k gives the effect of a byte followed by k zero bytes, so
// that eight bytes are folded in at a time (the file data of a transfer passes through here).
using Crc32Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Crc32Tables make_crc32_tables() {
  Crc32Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    t[0][i] = crc;
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (std::size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

constexpr auto kCrc16 = make_crc16_table();
constexpr Crc32Tables kCrc32 = make_crc32_tables();

}  // namespace

std::uint16_t crc16_xmodem(const std::uint8_t* data, std::size_t len, std::uint16_t crc) {
  for (std::size_t i = 0; i < len; ++i)
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrc16[((crc >> 8) ^ data[i]) & 0xFF]);
  return crc;
}

std::uint32_t crc32_update(const std::uint8_t* data, std::size_t len, std::uint32_t crc) {
  for (; len >= 8; data += 8, len -= 8) {
    std::uint32_t low = crc ^ (data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24);
    crc = kCrc32[7][low & 0xFF] ^ kCrc32[6][(low >> 8) & 0xFF] ^ kCrc32[5][(low >> 16) & 0xFF] ^
          kCrc32[4][low >> 24] ^ kCrc32[3][data[4]] ^ kCrc32[2][data[5]] ^ kCrc32[1][data[6]] ^ kCrc32[0][data[7]];
  }
  for (std::size_t i = 0; i < len; ++i) crc = kCrc32[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace sio
