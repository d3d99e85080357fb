// The soak's counts per protocol and fault rate, and the table and lines they print as.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "bench/soak/outcome.h"

namespace soak {

struct Counts {
  int transfers = 0;
  int exact = 0;
  int failed = 0;
  int wrong = 0;
  int not_supported = 0;
  int hung = 0;
  int leftovers = 0;          // failed receives that left a file behind
  double exact_seconds = 0;   // time of the exact deliveries together
  double all_seconds = 0;     // time of every transfer together
  void add(const Outcome& o);
};

class Tally {
 public:
  void add(const std::string& protocol, double rate, const Outcome& o) { cells_[{protocol, rate}].add(o); }
  // One row per protocol and rate: counts, mean time of an exact delivery, its overhead against
  // the same protocol's clean line (rate 0), and the goodput against a clean line.
  void print(std::FILE* out) const;
  Counts total() const;

 private:
  std::map<std::pair<std::string, double>, Counts> cells_;
};

}  // namespace soak
