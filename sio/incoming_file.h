// A received file that appears complete or not at all: the data goes to a temporary file beside
// the target, which is put in place at the end without replacing anything. What a line brings in
// small pieces gathers in memory before it goes to the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sio {

class IncomingFile {
 public:
  IncomingFile() = default;
  IncomingFile(const IncomingFile&) = delete;
  IncomingFile& operator=(const IncomingFile&) = delete;
  ~IncomingFile();  // discards what was not committed

  // Starts a file that will become `path`. SIOFT_FOPEN when `path` already exists (it is then the
  // blocking path) or its folder cannot take files; SIOFT_WIN32FAIL for other system failures.
  int open(const std::string& path);
  // 0, or SIOFT_WIN32FAIL with the system error number kept (perhaps of an earlier write's
  // bytes, which reach the file later).
  int write(const std::uint8_t* data, std::size_t len);
  long size() const { return size_; }  // every byte written, gathered ones too
  bool is_open() const { return fd_ >= 0; }
  // Puts the file in place under its name, never replacing an existing file (then SIOFT_FOPEN, and
  // that file is the blocking path).
  int commit();
  // Removes the temporary file; the target is untouched.
  void discard();

 private:
  int flush();

  int fd_ = -1;
  std::vector<std::uint8_t> gathered_;  // written, not yet in the file
  std::string temp_path_;
  std::string path_;
  long size_ = 0;
};

// The file that was in the way when a receive on this thread last could not store its file, or
// empty. Every transfer starts with it empty.
std::string last_blocking_path();
void clear_blocking_path();

}  // namespace sio
