// File contents for transfer tests: seeded random bytes (the same for a seed on every run) and
// every byte value once.
#pragma once

#include <random>
#include <string>

namespace test_support {

inline std::string random_bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

inline std::string all_byte_values() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  return bytes;
}

}  // namespace test_support
