#include "sio/kermit/check.h"

#include <array>

namespace sio::kermit {
namespace {

// A byte at a time: every packet of a long transfer goes through it twice (sent and checked).
constexpr std::array<std::uint16_t, 256> kCrcTable = [] {
  std::array<std::uint16_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
    t[i] = crc;
  }
  return t;
}();

}  // namespace

std::uint16_t crc16_kermit(const std::uint8_t* data, std::size_t len, std::uint16_t crc) {
  for (std::size_t i = 0; i < len; ++i) crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ data[i]) & 0xFF]);
  return crc;
}

std::string block_check(int type, std::string_view covered) {
  if (type == 3) {
    auto crc = crc16_kermit(reinterpret_cast<const std::uint8_t*>(covered.data()), covered.size());
    return {tochar((crc >> 12) & 0x0F), tochar((crc >> 6) & 0x3F), tochar(crc & 0x3F)};
  }
  unsigned sum = 0;
  for (unsigned char c : covered) sum += c;
  if (type == 2) return {tochar((sum >> 6) & 0x3F), tochar(sum & 0x3F)};
  return {tochar((sum + ((sum & 0xC0) >> 6)) & 0x3F)};
}

}  // namespace sio::kermit
