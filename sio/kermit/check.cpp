#include "sio/kermit/check.h"

namespace sio::kermit {

std::uint16_t crc16_kermit(const std::uint8_t* data, std::size_t len, std::uint16_t crc) {
  for (std::size_t i = 0; i < len; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
  }
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
