// Where the receiving protocols put a file: the one interface their cores write through, and the
// sink that stores on disk and owns the rules for the names senders announce.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sio/incoming_file.h"

namespace sio {

// Each call returns 0 or a negative SIOFT_ result.
class FileSink {
 public:
  virtual ~FileSink() = default;
  // Starts the file the sender announces; SIOFT_FOPEN refuses it (a name that is not allowed, or
  // a file of that name exists).
  virtual int open(const std::string& announced) = 0;
  virtual int write(const std::uint8_t* data, std::size_t len) = 0;
  // Puts the complete file in place.
  virtual int commit() = 0;
  // Drops what was received.
  virtual void discard() = 0;
};

// Files on disk that appear complete or not at all (IncomingFile): an announced file in a
// folder, under the name stored_name_for() makes of the announced one, or a file at a path the
// caller chose.
class DiskSink : public FileSink {
 public:
  DiskSink() = default;
  // Announced files go to `folder`; `stored_name` is emptied and gets the name of a file as
  // soon as it is opened.
  DiskSink(std::string folder, std::string& stored_name);

  int open(const std::string& announced) override;
  // Starts the file at `path`, taken as it is.
  int open_path(const std::string& path) { return file_.open(path); }
  int write(const std::uint8_t* data, std::size_t len) override { return file_.write(data, len); }
  int commit() override { return file_.commit(); }
  void discard() override { file_.discard(); }
  long size() const { return file_.size(); }
  bool is_open() const { return file_.is_open(); }

 private:
  std::string folder_;
  std::string* stored_name_ = nullptr;
  IncomingFile file_;
};

}  // namespace sio
