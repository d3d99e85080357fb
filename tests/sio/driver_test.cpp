// The driver's queue towards the line: output a core hands over while earlier output still waits
// for a slow line goes out after it, nothing lost.
#include <gtest/gtest.h>

#include <string>

#include "sio/driver.h"
#include "sio/result.h"

namespace {

// Takes nothing at the first write, then one byte per write.
class SlowLine : public sio::ByteChannel {
 public:
  int read(std::uint8_t*, std::size_t, int) override { return 0; }
  int write(const std::uint8_t* buf, std::size_t len) override {
    received.append(buf, buf + len);
    return 0;
  }
  int write_for(const std::uint8_t* buf, std::size_t, int) override {
    if (writes++ == 0) return 0;
    received.push_back(static_cast<char>(*buf));
    return 1;
  }
  std::string received;
  int writes = 0;
};

// Queues "abc" at the start and "def" at its first tick, and ends once the line has taken all.
class TwoPieces : public sio::TransferCore {
 public:
  void start(Micros) override { queue("abc"); }
  void feed(const std::uint8_t*, std::size_t, Micros) override {}
  void tick(Micros) override {
    if (ticks_++ == 0) queue("def");
  }
  void drained(Micros) override { finished_ = ticks_ > 0; }
  void abort() override { finished_ = true; }
  void line_lost(int) override { finished_ = true; }
  std::vector<std::uint8_t>& output() override { return output_; }
  bool finished() const override { return finished_; }
  int result() const override { return 0; }
  long done() const override { return 0; }
  long total() const override { return 0; }

 private:
  void queue(const std::string& s) { output_.insert(output_.end(), s.begin(), s.end()); }
  std::vector<std::uint8_t> output_;
  int ticks_ = 0;
  bool finished_ = false;
};

TEST(Driver, OutputQueuedWhileTheLineIsSlowFollowsTheUnsentBytes) {
  SlowLine line;
  TwoPieces core;
  EXPECT_EQ(sio::run_transfer(line, core, {}), 0);
  EXPECT_EQ(line.received, "abcdef");
}

// Takes nothing at all; its first `late` reads bring a byte each.
class StoppedLine : public sio::ByteChannel {
 public:
  int read(std::uint8_t* buf, std::size_t, int) override {
    if (late == 0) return 0;
    --late;
    *buf = 'z';
    return 1;
  }
  int write(const std::uint8_t*, std::size_t) override { return 0; }
  int write_for(const std::uint8_t*, std::size_t, int) override { return 0; }
  int late = 0;
};

// Aborted, it has a cancel sequence to send and would wait 5 s for the line to take it before
// giving up by itself (with SIOFT_ABORT).
class Canceller : public sio::TransferCore {
 public:
  void start(Micros) override { output_.assign(10, 'x'); }
  void feed(const std::uint8_t*, std::size_t, Micros) override {}
  void tick(Micros now) override {
    if (aborted_ && since_ < 0) since_ = now;
    if (aborted_ && now - since_ > 5'000'000) finish(SIOFT_ABORT);
  }
  void abort() override {
    aborted_ = true;
    output_.assign(5, 0x18);
  }
  void line_lost(int error) override { finish(error); }
  std::size_t keep_unsent(std::span<const std::uint8_t> unsent, bool) const override { return unsent.size(); }
  std::vector<std::uint8_t>& output() override { return output_; }
  bool finished() const override { return finished_; }
  int result() const override { return result_; }
  long done() const override { return 0; }
  long total() const override { return 0; }

 private:
  void finish(int result) {
    if (!finished_) result_ = result;
    finished_ = true;
  }
  std::vector<std::uint8_t> output_;
  bool aborted_ = false;
  bool finished_ = false;
  Micros since_ = -1;
  int result_ = 0;
};

// After an abort a line that takes nothing gets one second, whatever the core would wait.
TEST(Driver, AnAbortOnAStoppedLineEndsAsTheLineStalled) {
  StoppedLine line;
  Canceller core;
  EXPECT_EQ(sio::run_transfer(line, core, [](long, long) { return -1; }), SIOFT_TIMEOUT);
}

// Done at once, with nothing to send; then the line is read until it has been quiet.
class FinishedAtOnce : public Canceller {
 public:
  void start(Micros) override {}
  bool finished() const override { return true; }
  Drain drain_after() const override { return {.quiet_ms = 50, .max_ms = 5000}; }
};

TEST(Driver, TheEndDrainReadsOnUntilTheLineIsQuiet) {
  StoppedLine line;
  line.late = 2;
  FinishedAtOnce core;
  EXPECT_EQ(sio::run_transfer(line, core, {}), 0);
  EXPECT_EQ(line.late, 0);
}

}  // namespace
