// The ASCII sender as a TransferCore: hands the file's bytes to the line as it takes them, about
// a progress slice's worth at a time (on a slow line the figures stay fresh, a fast one gets
// large writes), and ends once the last byte has gone.
#pragma once

#include <vector>

#include "sio/ascii/ascii.h"
#include "sio/outgoing_file.h"
#include "sio/result.h"
#include "sio/transfer_core.h"

namespace sio::ascii {

class SendCore final : public TransferCore {
 public:
  explicit SendCore(OutgoingFile& file) : file_(file) {}

  void start(Micros) override {}
  void feed(const std::uint8_t*, std::size_t, Micros) override {}  // what comes back is no concern
  void tick(Micros) override {}
  void drained(Micros now) override;
  // An abort stops at once: nothing more goes out.
  void abort() override {
    output_.clear();
    finish(SIOFT_ABORT);
  }
  void line_lost(int error) override { finish(error); }
  std::vector<std::uint8_t>& output() override { return output_; }
  std::size_t keep_unsent(std::span<const std::uint8_t> unsent, bool aborted) const override {
    return aborted ? 0 : unsent.size();
  }
  bool finished() const override { return finished_; }
  int result() const override { return result_; }
  long done() const override { return done_; }
  long total() const override { return file_.size(); }

 private:
  void finish(int result);
  void size_next_piece(Micros now);

  OutgoingFile& file_;
  std::span<const std::uint8_t> chunk_;  // read from the file, not yet all handed out
  std::size_t piece_ = 1024;    // bytes handed to the line at once
  std::size_t handed_ = 0;      // of the piece on the line
  Micros handed_at_ = 0;
  long done_ = 0;
  bool finished_ = false;
  int result_ = 0;
  std::vector<std::uint8_t> output_;
};

}  // namespace sio::ascii
