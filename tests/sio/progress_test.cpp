#include "sio/progress.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

// The reporter throttles the callback to its period and says how long a loop may wait for the
// next report; an abort sticks.
TEST(ProgressReporter, ThrottlesReportsAndTellsWhenTheNextIsDue) {
  int calls = 0;
  long last_done = -1;
  sio::ProgressReporter reporter(
      [&](long done, long) {
        ++calls;
        last_done = done;
        return done >= 30 ? -1 : 0;
      },
      300ms);
  EXPECT_EQ(reporter.ms_until_due(), 0);  // nothing reported yet: due at once
  EXPECT_TRUE(reporter.report(10, 100));
  EXPECT_EQ(calls, 1);
  const int wait = reporter.ms_until_due();
  EXPECT_GT(wait, 200);
  EXPECT_LE(wait, 300);
  EXPECT_TRUE(reporter.report(20, 100));  // within the period: not passed on
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(reporter.report(20, 100, true));  // forced
  EXPECT_EQ(last_done, 20);
  std::this_thread::sleep_for(std::chrono::milliseconds(reporter.ms_until_due() + 5));
  EXPECT_EQ(reporter.ms_until_due(), 0);
  EXPECT_FALSE(reporter.report(30, 100));
  EXPECT_TRUE(reporter.aborted());
  EXPECT_FALSE(reporter.report(40, 100, true));  // no call after the abort
  EXPECT_EQ(calls, 3);
}

// A loop that waits ms_until_due() and then reports never finds the report not yet due: a wait
// of 0 while a fraction of a millisecond is left would make it spin.
TEST(ProgressReporter, ReportIsDueWheneverTheWaitLeftIsZero) {
  int calls = 0;
  sio::ProgressReporter reporter([&](long, long) { return ++calls, 0; }, 20ms);
  reporter.report(0, 0);
  ASSERT_EQ(calls, 1);
  int zero_waits = 0;
  for (const auto end = std::chrono::steady_clock::now() + 100ms; std::chrono::steady_clock::now() < end;) {
    if (reporter.ms_until_due() != 0) continue;
    ++zero_waits;
    const int before = calls;
    reporter.report(0, 0);
    EXPECT_EQ(calls, before + 1) << "after " << zero_waits << " waits of 0 ms";
    if (calls != before + 1) break;
  }
  EXPECT_GE(zero_waits, 3);
}

