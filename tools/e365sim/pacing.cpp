#include "tools/e365sim/pacing.h"

#include <algorithm>

namespace e365sim {

std::size_t Pacer::chunk_size(long bytes_per_second) {
  return static_cast<std::size_t>(std::max(1L, bytes_per_second / 200));
}

void Pacer::sent(std::size_t n, long bytes_per_second, Clock::time_point now) {
  if (bytes_per_second <= 0) return;
  auto busy = std::chrono::nanoseconds(static_cast<long long>(n) * 1'000'000'000LL / bytes_per_second);
  // A sleep that overslept a little is made up by the next chunk; a line that stood idle is not.
  Clock::time_point from = now - free_at_ > kSlack ? now : free_at_;
  free_at_ = from + std::chrono::duration_cast<Clock::duration>(busy);
}

}  // namespace e365sim
