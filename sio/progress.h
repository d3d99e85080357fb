// Progress reports of a transfer: often enough to keep the caller's window alive, rarely enough
// not to cost throughput.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>

#include "sio/timing_defaults.h"

namespace sio {

// (bytes so far, file length) -> -1 aborts the transfer, 0 goes on.
using ProgressFn = std::function<int(long done, long total)>;

using defaults::kProgressSliceMs;

class ProgressReporter {
 public:
  explicit ProgressReporter(ProgressFn fn, std::chrono::milliseconds period = std::chrono::milliseconds(kProgressSliceMs))
      : fn_(std::move(fn)), period_(period) {}

  // Reports when the period has passed since the last report, or when forced. Returns false
  // when the callback asked to abort; once it has, every later call returns false too.
  bool report(long done, long total, bool force = false) {
    if (aborted_) return false;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - last_ < period_) return true;
    last_ = now;
    if (fn_ && fn_(done, total) == -1) aborted_ = true;
    return !aborted_;
  }

  bool aborted() const { return aborted_; }

  // How long until the next report is due (0: it is), so that a loop can wait no longer.
  // Rounded up: a loop that waited 0 ms for the last fraction of a millisecond would spin.
  int ms_until_due() const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(last_ + period_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, period_.count()));
  }

 private:
  ProgressFn fn_;
  std::chrono::milliseconds period_;
  std::chrono::steady_clock::time_point last_{};
  bool aborted_ = false;
};

}  // namespace sio
