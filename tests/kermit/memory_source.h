// A sender's bytes from memory, for the Kermit tests that drive the state machines directly.
#pragma once

#include <algorithm>
#include <string>

#include "sio/kermit/sender.h"
#include "tests/support/test_bytes.h"

namespace kermit_test {

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
