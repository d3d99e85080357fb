// The file a sender reads: opened and checked once, with its size, its time and the name the
// receiver is told. Its bytes are read ahead in large pieces, in order (most protocols) or from
// any position (a ZMODEM receiver asks again from where it lost data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sio {

class OutgoingFile {
 public:
  OutgoingFile() = default;
  OutgoingFile(const OutgoingFile&) = delete;
  OutgoingFile& operator=(const OutgoingFile&) = delete;
  ~OutgoingFile();

  // 0, or SIOFT_FOPEN when `path` is not a regular file that can be read. The receiver is told
  // `announced_name`, or when it is empty the last component of `path`.
  int open(const std::string& path, const std::string& announced_name = {});
  long size() const { return size_; }
  long mtime() const { return mtime_; }
  const std::string& name() const { return name_; }

  // Up to `len` bytes from `position`, fewer only at the end of the file; 0 or SIOFT_WIN32FAIL.
  // The bytes stay valid until the next read.
  int read_at(long position, std::size_t len, std::span<const std::uint8_t>& bytes);
  // Up to `len` bytes after those read before by this call.
  int read(std::size_t len, std::span<const std::uint8_t>& bytes);

 private:
  int fill(long position, std::size_t len);

  int fd_ = -1;
  long size_ = 0;
  long mtime_ = -1;
  std::string name_;
  std::vector<std::uint8_t> ahead_;  // file bytes from ahead_at_, ahead_.size() of them
  long ahead_at_ = 0;
  bool ahead_to_end_ = false;  // ahead_ reaches the end of the file
  long next_ = 0;              // where read() goes on
};

}  // namespace sio
