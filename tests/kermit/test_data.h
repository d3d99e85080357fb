// Test data of the Kermit tests: seeded random bytes, and a sender's bytes from memory for
// tests that drive the state machines directly.
#pragma once

#include <algorithm>
#include <random>
#include <string>

#include "sio/kermit/sender.h"

namespace kermit_test {

inline std::string random_bytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

class MemorySource : public sio::kermit::DataSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  long read(std::uint8_t* buf, std::size_t len) override {
    std::size_t n = std::min(len, bytes_.size() - pos_);
    std::copy_n(bytes_.data() + pos_, n, buf);
    pos_ += n;
    return static_cast<long>(n);
  }

 private:
  std::string bytes_;
  std::size_t pos_ = 0;
};

}  // namespace kermit_test
