// The file a sender reads, cut into the payloads of its blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "sio/xmodem/block.h"
#include "sio/xmodem/sender_core.h"

namespace sio::xmodem {

class FileSource : public PayloadSource {
 public:
  FileSource() = default;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  ~FileSource() override;

  // 0, or SIOFT_FOPEN when `path` is not a regular file that can be read.
  int open(const std::string& path);
  long size() const { return size_; }
  long mtime() const { return mtime_; }

  // The next block's payload (empty at the end of the file), or SIOFT_WIN32FAIL. With long
  // blocks allowed, a 1024-byte block carries it while more than 768 bytes remain; the tail goes
  // in 128-byte blocks, which waste less on padding.
  int next(bool long_blocks, std::span<const std::uint8_t>& payload) override;
  // Drops the payload that next() gave, once the receiver has it. Returns the bytes sent so far.
  long consume() override;

 private:
  int fill();

  int fd_ = -1;
  long size_ = 0;
  long mtime_ = -1;
  long sent_ = 0;
  bool at_end_ = false;
  std::array<std::uint8_t, kLongBlock> buffer_{};
  std::size_t buffered_ = 0;
  std::size_t offered_ = 0;
};

}  // namespace sio::xmodem
