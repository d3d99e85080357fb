#include "bench/soak/tally.h"

namespace soak {

const char* ending_name(Ending ending) {
  switch (ending) {
    case Ending::Exact: return "exact";
    case Ending::Failed: return "failed";
    case Ending::WrongFile: return "WRONG";
    case Ending::NotSupported: return "not-supported";
    case Ending::Hung: return "hung";
  }
  return "?";
}

void Counts::add(const Outcome& o) {
  ++transfers;
  all_seconds += o.seconds;
  switch (o.ending) {
    case Ending::Exact:
      ++exact;
      exact_seconds += o.seconds;
      break;
    case Ending::Failed: ++failed; break;
    case Ending::WrongFile: ++wrong; break;
    case Ending::NotSupported: ++not_supported; break;
    case Ending::Hung: ++hung; break;
  }
  if (o.leftover) ++leftovers;
}

Counts Tally::total() const {
  Counts sum;
  for (const auto& [key, c] : cells_) {
    sum.transfers += c.transfers;
    sum.exact += c.exact;
    sum.failed += c.failed;
    sum.wrong += c.wrong;
    sum.not_supported += c.not_supported;
    sum.hung += c.hung;
    sum.leftovers += c.leftovers;
    sum.exact_seconds += c.exact_seconds;
    sum.all_seconds += c.all_seconds;
  }
  return sum;
}

void Tally::print(std::FILE* out) const {
  std::fprintf(out, "| protocol | fault rate | transfers | exact | failed | wrong file | not supported | hung | "
                    "mean time (s) | overhead | goodput vs clean |\n");
  std::fprintf(out, "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const auto& [key, c] : cells_) {
    const auto& [protocol, rate] = key;
    auto clean = cells_.find({protocol, 0.0});
    double mean = c.exact ? c.exact_seconds / c.exact : 0;
    double clean_mean = clean != cells_.end() && clean->second.exact ? clean->second.exact_seconds / clean->second.exact : 0;
    char overhead[32] = "-", goodput[32] = "-";
    if (mean > 0 && clean_mean > 0) std::snprintf(overhead, sizeof overhead, "%+.0f%%", (mean / clean_mean - 1) * 100);
    // Files delivered per second of line time, against the clean line's rate.
    if (c.all_seconds > 0 && clean_mean > 0)
      std::snprintf(goodput, sizeof goodput, "%.0f%%", c.exact / c.all_seconds * clean_mean * 100);
    if (c.not_supported == c.transfers) mean = 0;
    std::fprintf(out, "| %s | %g | %d | %d | %d | %d | %d | %d | %s | %s | %s |\n", protocol.c_str(), rate, c.transfers,
                 c.exact, c.failed, c.wrong, c.not_supported, c.hung, mean > 0 ? std::to_string(mean).substr(0, 5).c_str() : "-",
                 overhead, goodput);
  }
  Counts t = total();
  std::fprintf(out, "\nTotal: %d transfers: %d delivered exact, %d failed with a result (%d left a file behind), "
                    "%d reported good with a wrong file, %d not supported, %d hung.\n",
               t.transfers, t.exact, t.failed, t.leftovers, t.wrong, t.not_supported, t.hung);
}

}  // namespace soak
