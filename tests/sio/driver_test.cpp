// The one driver between a core and the line: its queue towards a slow line, its stall watch
// after an abort, and its drain at the end of a session.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>

#include "sio/driver.h"
#include "sio/result.h"

namespace {

using namespace std::chrono_literals;

// Takes nothing at its first `stalled_writes` writes (at every one when negative), then a byte
// a write; its first `late` reads bring a byte each.
struct ScriptedLine : sio::ByteChannel {
  int read(std::uint8_t* buf, std::size_t, int) override {
    if (late == 0) return 0;
    --late;
    *buf = 'z';
    return 1;
  }
  int write(const std::uint8_t*, std::size_t) override { return 0; }
  int write_for(const std::uint8_t* buf, std::size_t, int) override {
    if (stalled_writes != 0) {
      if (stalled_writes > 0) --stalled_writes;
      return 0;
    }
    received.push_back(static_cast<char>(*buf));
    return 1;
  }
  int stalled_writes = 0;
  int late = 0;
  std::string received;
};

// Queues `first` at the start and `second` at its first tick, and ends once the line has taken
// both (at once when there is nothing to send); at the end the line is read until it has been
// quiet. Aborted, it has `cancel` to send and would wait 5 s for the line to take it before giving
// up by itself (with SIOFT_ABORT).
class ScriptedCore : public sio::TransferCore {
 public:
  explicit ScriptedCore(std::string first, std::string second = "", std::string cancel = "")
      : first_(std::move(first)), second_(std::move(second)), cancel_(std::move(cancel)) {}
  void start(Micros) override {
    queue(first_);
    if (first_.empty()) finish(0);
  }
  void feed(const std::uint8_t*, std::size_t, Micros) override {}
  void tick(Micros now) override {
    if (ticks_++ == 0) queue(second_);
    if (aborted_ && since_ < 0) since_ = now;
    if (aborted_ && now - since_ > 5'000'000) finish(SIOFT_ABORT);
  }
  void drained(Micros) override {
    if (ticks_ > 0) finish(0);
  }
  void abort() override {
    aborted_ = true;
    queue(cancel_);
  }
  void line_lost(int error) override { finish(error); }
  Drain drain_after() const override { return {.quiet_ms = 50, .max_ms = 5000}; }
  std::vector<std::uint8_t>& output() override { return output_; }
  bool finished() const override { return finished_; }
  int result() const override { return result_; }
  long done() const override { return 0; }
  long total() const override { return 0; }

 private:
  void queue(std::string_view bytes) { output_.insert(output_.end(), bytes.begin(), bytes.end()); }
  void finish(int result) {
    if (!finished_) result_ = result;
    finished_ = true;
  }

  std::string first_, second_, cancel_;
  std::vector<std::uint8_t> output_;
  bool finished_ = false;
  int result_ = 0;
  int ticks_ = 0;
  bool aborted_ = false;
  Micros since_ = -1;
};

TEST(Driver, OutputQueuedWhileTheLineIsSlowFollowsTheUnsentBytes) {
  ScriptedLine line;
  line.stalled_writes = 1;
  ScriptedCore core("abc", "def");
  EXPECT_EQ(sio::run_transfer(line, core, {}), 0);
  EXPECT_EQ(line.received, "abcdef");
}

// After an abort a line that takes nothing gets one second, whatever the core would wait.
TEST(Driver, AnAbortOnAStoppedLineEndsAsTheLineStalled) {
  ScriptedLine line;
  line.stalled_writes = -1;
  ScriptedCore core("xxxxxxxxxx", "", std::string(5, '\x18'));
  EXPECT_EQ(sio::run_transfer(line, core, [](long, long) { return -1; }), SIOFT_TIMEOUT);
}

TEST(Driver, TheEndDrainReadsOnUntilTheLineIsQuiet) {
  ScriptedLine line;
  line.late = 2;
  ScriptedCore core("");
  EXPECT_EQ(sio::run_transfer(line, core, {}), 0);
  EXPECT_EQ(line.late, 0);
}

// A line is stuck only after taking nothing for the whole limit while output waited: a write
// that moves bytes, or output that waits again after a quiet spell, starts the clock anew.
TEST(StallWatch, CountsOnlyTimeWithOutputWaitingAndNothingTaken) {
  sio::StallWatch watch(400ms);
  EXPECT_TRUE(watch.note(0));
  std::this_thread::sleep_for(250ms);
  EXPECT_TRUE(watch.note(10));  // the line moved
  std::this_thread::sleep_for(150ms);
  EXPECT_TRUE(watch.note(0));   // 150 ms since it moved
  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(watch.note(0));  // 450 ms without a byte taken

  // A quiet spell with nothing to send (waiting for answers) does not count against the line.
  std::this_thread::sleep_for(500ms);
  watch.restart();
  EXPECT_TRUE(watch.note(0));
}

}  // namespace
