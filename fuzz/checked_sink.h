// A file sink for the receiving cores that stores nothing: it checks that the core opens,
// writes, commits and discards in order, and now and then refuses a name as if the file existed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_input.h"
#include "sio/sio.h"

namespace fuzz {

template <typename SinkInterface>
class CheckedSink : public SinkInterface {
 public:
  int open(const std::string& name) override {
    FUZZ_CHECK(!open_ && !committed_);
    ++opens_;
    offered_ = name;
    if (name.size() % 5 == 0) return SIOFT_FOPEN;
    open_ = true;
    written_ = 0;
    return 0;
  }
  int write(const std::uint8_t*, std::size_t len) override {
    FUZZ_CHECK(open_);
    written_ += len;
    return 0;
  }
  int commit() override {
    FUZZ_CHECK(open_);
    open_ = false;
    committed_ = true;
    return 0;
  }
  void discard() override { open_ = false; }

  int opens() const { return opens_; }
  const std::string& offered() const { return offered_; }  // the name of the last open
  bool open_now() const { return open_; }
  bool committed() const { return committed_; }
  std::size_t written() const { return written_; }

 private:
  int opens_ = 0;
  std::string offered_;
  bool open_ = false;
  bool committed_ = false;
  std::size_t written_ = 0;
};

}  // namespace fuzz
