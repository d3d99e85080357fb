// The driver's queue towards the line: output a core hands over while earlier output still waits
// for a slow line goes out after it, nothing lost.
#include <gtest/gtest.h>

#include <string>

#include "sio/driver.h"

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

}  // namespace
