#include "tests/zmodem/memory_session.h"

#include <random>

namespace zmodem_test {

Bytes random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

}  // namespace zmodem_test
