#include "tools/e365sim/line_faults.h"

namespace e365sim {

LineFaults::Passed LineFaults::pass(std::string_view bytes) {
  Passed passed;
  std::size_t keep = bytes.size();
  auto consider = [&](long long threshold, Cut kind) {
    if (threshold < 0) return;
    long long room = threshold > sent_ ? threshold - sent_ : 0;
    if (room > static_cast<long long>(bytes.size())) return;  // not reached by these bytes
    if (passed.cut == Cut::None || room <= static_cast<long long>(keep)) {
      keep = static_cast<std::size_t>(room);
      passed.cut = kind;
    }
  };
  // The earlier threshold wins; at equal ones the hang-up does (the line is gone either way).
  consider(settings_.cancel_after, Cut::Cancel);
  consider(settings_.hangup_after, Cut::HangUp);
  bytes = bytes.substr(0, keep);
  sent_ += static_cast<long long>(bytes.size());

  passed.bytes.reserve(bytes.size());
  for (char c : bytes) {
    if (settings_.drop > 0.0 && fault_allowed() && chance() < settings_.drop) {
      ++faults_;
      continue;
    }
    if (settings_.noise > 0.0 && fault_allowed() && chance() < settings_.noise) {
      ++faults_;
      c = static_cast<char>(c ^ (1 << (random_() % 8)));
    }
    passed.bytes.push_back(c);
  }
  return passed;
}

}  // namespace e365sim
