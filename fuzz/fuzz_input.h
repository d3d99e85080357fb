// How the fuzz targets read their input: the first byte chooses how the rest is cut into the
// chunks that reads from a line deliver (its low two bits), and whether the line now and then
// stalls long enough for a retry to fall due (its top bit); the rest is the bytes from the other end. A capture of a real session, after one leading byte, is a seed as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace fuzz {

class Chunks {
 public:
  Chunks(const std::uint8_t* data, std::size_t size)
      : data_(size ? data + 1 : data), size_(size ? size - 1 : 0), state_(size ? data[0] * 2654435761u + 1 : 1),
        mode_(size ? data[0] % 4 : 0), stalls_(size && (data[0] & 0x80)) {}

  // The next chunk; false when the input is used up.
  bool next(const std::uint8_t*& bytes, std::size_t& len) {
    if (pos_ >= size_) return false;
    std::size_t want = 0;
    switch (mode_) {
      case 0: want = size_; break;                   // everything at once
      case 1: want = 1; break;                       // a byte at a time
      case 2: want = 1 + next_random() % 16; break;       // small reads
      default: want = 1 + next_random() % 2048; break;    // reads of a fast line
    }
    bytes = data_ + pos_;
    len = want < size_ - pos_ ? want : size_ - pos_;
    pos_ += len;
    return true;
  }
  // Milliseconds that pass with the chunk of `len` bytes: about what a 115200 bit/s line takes,
  // or on a stalling line now and then long enough for a retry to fall due.
  int gap_ms(std::size_t len) {
    if (stalls_ && next_random() % 32 == 0) return 1500;
    return static_cast<int>(len / 12 + next_random() % 2);
  }

 private:
  std::uint32_t next_random() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::uint32_t state_;
  unsigned mode_;
  bool stalls_;
  std::size_t pos_ = 0;
};

// A broken promise of the code under test: report it and stop, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

}  // namespace fuzz
