// Seeded random bytes for the XMODEM tests.
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace xmodem_test {

inline std::string random_bytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

}  // namespace xmodem_test
