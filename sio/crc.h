// The checks the transfer protocols share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sio {

// CRC-16/XMODEM (polynomial 0x1021, MSB first, no reflection): XMODEM-CRC, YMODEM, ZMODEM.
std::uint16_t crc16_xmodem(const std::uint8_t* data, std::size_t len, std::uint16_t crc = 0);
inline std::uint16_t crc16_xmodem_byte(std::uint8_t byte, std::uint16_t crc) { return crc16_xmodem(&byte, 1, crc); }

// CRC-32 as ZMODEM uses it (IEEE 802.3, reflected). Start with 0xFFFFFFFF and complement the result.
std::uint32_t crc32_update(const std::uint8_t* data, std::size_t len, std::uint32_t crc);
inline std::uint32_t crc32_ieee(const std::uint8_t* data, std::size_t len) {
  return ~crc32_update(data, len, 0xFFFFFFFFu);
}

}  // namespace sio
