// A ZMODEM sender's file and a receiver's sink in memory, for the tests that drive the cores directly.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "sio/sio.h"
#include "sio/zmodem/receiver.h"
#include "sio/zmodem/sender.h"
#include "tests/support/test_bytes.h"

namespace zmodem_test {

using sio::zmodem::Bytes;

struct MemorySink : sio::FileSink {
  std::string name;
  Bytes data;
  bool committed = false;
  bool discarded = false;
  int opens = 0;
  int open(const std::string& n) override {
    ++opens;
    name = n;
    data.clear();
    return 0;
  }
  int write(const std::uint8_t* d, std::size_t len) override {
    data.insert(data.end(), d, d + len);
    return 0;
  }
  int commit() override {
    committed = true;
    return 0;
  }
  void discard() override { discarded = true; }
};

struct MemorySource : sio::zmodem::SendSource {
  Bytes data;
  int read_at(std::uint32_t pos, std::uint8_t* buf, std::size_t len) override {
    if (pos > data.size()) return 0;
    std::size_t n = std::min(len, data.size() - pos);
    std::copy_n(data.begin() + pos, n, buf);
    return static_cast<int>(n);
  }
};

inline Bytes random_bytes(std::size_t n, unsigned seed) {
  const std::string bytes = test_support::random_bytes(n, seed);
  return Bytes(bytes.begin(), bytes.end());
}

}  // namespace zmodem_test
