// A serial line's pace: at 8N1 every byte takes ten bit times, so a line of `baud` bit/s carries
// baud / 10 bytes a second. Output goes in chunks of about 5 ms, so the pace stays smooth.
#pragma once

#include <chrono>
#include <cstddef>

namespace e365sim {

class Pacer {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr std::chrono::milliseconds kSlack{10};

  static long bytes_per_second(long baud) { return baud / 10; }
  static std::size_t chunk_size(long bytes_per_second);

  // When the next chunk may go: once the previous ones have left the line.
  Clock::time_point next_start() const { return free_at_; }
  // Records a chunk of n bytes that went out at `now`. A line that stood idle for more than
  // kSlack does not catch up in a burst: the chunk occupies the line from `now` on.
  void sent(std::size_t n, long bytes_per_second, Clock::time_point now);

 private:
  Clock::time_point free_at_{};
};

}  // namespace e365sim
