// The file a sender reads, cut into the payloads of its blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "sio/outgoing_file.h"
#include "sio/xmodem/sender_core.h"

namespace sio::xmodem {

class FileSource : public PayloadSource {
 public:
  explicit FileSource(OutgoingFile& file) : file_(file) {}

  // The next block's payload (empty at the end of the file), or SIOFT_WIN32FAIL. With long
  // blocks allowed, a 1024-byte block carries it while more than 768 bytes remain; the tail goes
  // in 128-byte blocks, which waste less on padding.
  int next(bool long_blocks, std::span<const std::uint8_t>& payload) override;
  // Drops the payload that next() gave, once the receiver has it. Returns the bytes sent so far.
  long consume() override;

 private:
  OutgoingFile& file_;
  long sent_ = 0;
  std::size_t offered_ = 0;
};

}  // namespace sio::xmodem
