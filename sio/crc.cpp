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

constexpr std::array<std::uint32_t, 256> make_crc32_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    table[i] = crc;
  }
  return table;
}

constexpr auto kCrc16 = make_crc16_table();
constexpr auto kCrc32 = make_crc32_table();

}  // namespace

std::uint16_t crc16_xmodem(const std::uint8_t* data, std::size_t len, std::uint16_t crc) {
  for (std::size_t i = 0; i < len; ++i)
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrc16[((crc >> 8) ^ data[i]) & 0xFF]);
  return crc;
}

std::uint32_t crc32_update(const std::uint8_t* data, std::size_t len, std::uint32_t crc) {
  for (std::size_t i = 0; i < len; ++i) crc = kCrc32[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace sio
