// Kermit's character encoding of numbers and its three block checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sio::kermit {

// Numbers 0..94 travel as the printable characters ' '..'~'.
inline char tochar(int x) { return static_cast<char>(x + 32); }
inline int unchar(char c) { return static_cast<unsigned char>(c) - 32; }
// Flips the bit that turns a control character into a printable one and back.
inline char ctl(char c) { return static_cast<char>(c ^ 64); }

// CRC-16/KERMIT: polynomial 0x1021 reflected (0x8408), start 0, no final xor.
std::uint16_t crc16_kermit(const std::uint8_t* data, std::size_t len, std::uint16_t crc = 0);

// Type 1 (6-bit sum), 2 (12-bit sum) or 3 (CRC) as its 1, 2 or 3 check characters.
std::string block_check(int type, std::string_view covered);
inline int check_length(int type) { return type; }

}  // namespace sio::kermit
