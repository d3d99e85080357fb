#include <gtest/gtest.h>

#include <thread>

#include "sio/channel.h"

using namespace std::chrono_literals;

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

