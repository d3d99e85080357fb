// Both ZMODEM cores joined in memory, with a clock that moves only when the line is quiet and
// a line that can damage bytes, so whole sessions run in microseconds and repeat exactly.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
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

// Damages bytes on their way: each byte is dropped with chance 1/drop_one_in and has a bit
// flipped with chance 1/flip_one_in.
struct Line {
  std::mt19937 rng{1};
  unsigned flip_one_in = 0;
  unsigned drop_one_in = 0;
  Bytes carry(Bytes& from) {
    Bytes out;
    for (auto c : from) {
      if (drop_one_in && rng() % drop_one_in == 0) continue;
      if (flip_one_in && rng() % flip_one_in == 0) c ^= static_cast<std::uint8_t>(1 << (rng() % 8));
      out.push_back(c);
    }
    from.clear();
    return out;
  }
};

inline Bytes random_bytes(std::size_t n, unsigned seed) {
  const std::string bytes = test_support::random_bytes(n, seed);
  return Bytes(bytes.begin(), bytes.end());
}

// Runs a session until both ends finish (or `limit_ms` of simulated time pass); returns the
// simulated time it took.
std::int64_t run_session(sio::zmodem::Sender& sender, sio::zmodem::Receiver& receiver, Line& to_receiver,
                         Line& to_sender, std::int64_t limit_ms = 600000);

}  // namespace zmodem_test
