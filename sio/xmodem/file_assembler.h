// Turns the data blocks of a received file into the file's bytes. The blocks carry the file
// padded to a whole block, so:
// - a file of announced length (YMODEM) is cut to that length, and a file shorter than its
//   announced length is a failure;
// - a file without a length (XMODEM, or a YMODEM sender that gives none) loses the trailing SUB
//   bytes (0x1A) of its last block, the padding a sender adds. A file whose own last bytes are
//   SUBs loses them too: XMODEM cannot tell them from padding. Earlier blocks are kept whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "sio/file_sink.h"

namespace sio::xmodem {

class FileAssembler {
 public:
  // `file` may be null: the data is counted and dropped (a file of a batch that is skipped).
  FileAssembler(FileSink* file, long length) : file_(file), length_(length) {}

  // 0, or a negative result when the file cannot be written.
  int add(std::span<const std::uint8_t> block);
  // At the sender's EOT: drops the padding still held back; 0, or SIOFT_PROTOCOL when fewer
  // bytes came than announced.
  int finish();
  // Bytes of the file so far; SUBs held back count once a later block shows they are data, so
  // that the count never goes back when the padding is dropped.
  long received() const { return written_; }
  long length() const { return length_; }

 private:
  int write(const std::uint8_t* data, std::size_t len);

  FileSink* file_;
  long length_;
  long written_ = 0;
  std::size_t held_subs_ = 0;  // trailing SUBs of the latest block, written once another block comes
};

}  // namespace sio::xmodem
