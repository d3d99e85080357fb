// The ASCII receiver as a TransferCore: stores every byte that comes, and ends when the line has
// been quiet for `quiet_seconds` after some data (0 or less: never), or on the user's abort. Both
// are the normal end, with the result SIOFT_ABORT: the caller then keeps what came.
#pragma once

#include <vector>

#include "sio/file_sink.h"
#include "sio/result.h"
#include "sio/transfer_core.h"

namespace sio::ascii {

class ReceiveCore final : public TransferCore {
 public:
  ReceiveCore(DiskSink& file, int quiet_seconds) : file_(file), quiet_us_(Micros{quiet_seconds} * 1000000) {}

  void start(Micros) override {}
  void feed(const std::uint8_t* bytes, std::size_t len, Micros now) override;
  void tick(Micros now) override;
  Micros deadline() const override;
  void abort() override { finish(SIOFT_ABORT); }
  void line_lost(int error) override { finish(error); }
  std::vector<std::uint8_t>& output() override { return nothing_; }
  bool finished() const override { return finished_; }
  int result() const override { return result_; }
  long done() const override { return file_.size(); }
  long total() const override { return 0; }

 private:
  void finish(int result);

  DiskSink& file_;
  Micros quiet_us_;
  Micros last_data_ = 0;
  bool finished_ = false;
  int result_ = 0;
  std::vector<std::uint8_t> nothing_;
};

}  // namespace sio::ascii
