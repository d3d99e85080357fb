// Files the transfer tests send, and a way to run our side of a transfer beside a peer.
#pragma once

#include <cstdint>
#include <future>
#include <random>
#include <string>

namespace xmodem_test {

inline std::string random_bytes(std::size_t size, std::uint32_t seed) {
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

// Runs `work` on a thread of its own; get() gives its result.
template <typename Work>
auto in_background(Work work) {
  return std::async(std::launch::async, std::move(work));
}

}  // namespace xmodem_test
