// Small pieces of POSIX file I/O that the utilities share: a descriptor closed on every way
// out, and whole-file reads and writes that carry on after short transfers and signals.
#pragma once

#include <string>
#include <string_view>

namespace fileutil {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { close(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // False when the system reports a failure on closing (data that may not have been written).
  bool close();

 private:
  int fd_;
};

// read() that carries on after a signal: bytes read, 0 at the end, -1 on failure.
long read_some(int fd, char* buffer, std::size_t size);

// Writes all of `bytes` at the current position.
bool write_all(int fd, std::string_view bytes);

// Reads from the current position to the end of the file into `bytes`.
bool read_to_end(int fd, std::string& bytes);

// Writes all of `bytes` at the start of the file, leaving what lies beyond them.
bool write_at_start(int fd, std::string_view bytes);

}  // namespace fileutil
