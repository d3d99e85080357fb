// Transfer throughput: each case of cases.cpp runs our pair and the reference pair over the
// same line with the same random file, checks the received file byte for byte, and prints one
// row: on a paced line the share of the line's byte rate reached, unpaced the MiB/s; and the
// processor time of the ends that are ours against that of the programs in their place, which
// scatters far less than the time of a fast line on a busy machine.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/transfer/cases.h"

namespace {

std::string file_data(std::size_t n) {
  std::mt19937 rng(2026);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

// Efficiency in percent of the line's byte rate, or MiB/s on an unpaced line.
double figure(const bench::Case& c, const bench::RunResult& r) {
  double bytes_per_second = static_cast<double>(c.file_size) / r.seconds;
  if (c.line.bits_per_second > 0) return 100.0 * bytes_per_second / (c.line.bits_per_second / 10.0);
  return bytes_per_second / (1024.0 * 1024.0);
}

// The median run's time and figure; when some runs failed, how many of them were exact, and
// how many the receiver reported good with a wrong file.
std::string cell(const bench::Case& c, const std::vector<bench::RunResult>& runs, const bench::RunResult& r) {
  char buf[96];
  const char* unit = c.line.bits_per_second > 0 ? "%" : "MiB/s";
  const auto count = [&](bool bench::RunResult::*flag) {
    return std::count_if(runs.begin(), runs.end(), [flag](const auto& run) { return run.*flag; });
  };
  std::string failed;
  if (!r.exact) failed = " FAILED " + std::to_string(count(&bench::RunResult::exact)) + "/" + std::to_string(runs.size());
  if (const auto wrong = count(&bench::RunResult::wrong)) failed += " WRONG " + std::to_string(wrong);
  std::snprintf(buf, sizeof buf, "%7.2f s %8.2f %-5s%s", r.seconds, figure(c, r), unit, failed.c_str());
  return buf;
}

// The processor time of the ends at the places of `c`'s pair that are ours.
double measured_cpu(const bench::Case& c, const bench::RunResult& r) {
  return (c.our_sender.run ? r.sender_cpu : 0) + (c.our_receiver.run ? r.receiver_cpu : 0);
}

double median_cpu(const bench::Case& c, const std::vector<bench::RunResult>& runs) {
  std::vector<double> cpu;
  for (const auto& r : runs) cpu.push_back(measured_cpu(c, r));
  std::sort(cpu.begin(), cpu.end());
  return cpu[cpu.size() / 2];
}

// The run of median time among `runs` (a failed run counts as the slowest); exact only when
// every run was.
bench::RunResult median(std::vector<bench::RunResult> runs) {
  std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) {
    return std::make_pair(!a.exact, a.seconds) < std::make_pair(!b.exact, b.seconds);
  });
  bench::RunResult middle = runs[runs.size() / 2];
  middle.exact = std::all_of(runs.begin(), runs.end(), [](const auto& r) { return r.exact; });
  return middle;
}

}  // namespace

// NAME-PART: only the cases whose name contains it run. RUNS: each pair runs that many times,
// ours and the reference by turns, and the row shows the medians (the machine's load scatters
// single runs of the fast lines widely).
int main(int argc, char** argv) {
  std::string only = argc > 1 ? argv[1] : "";
  const int run_count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
  std::printf("%-48s %-24s %-24s %5s  %s\n", "case", "ours: time, figure", "reference: time, figure", "ratio",
              "cpu: ours/reference");
  bool all_exact = true;
  for (const auto& c : bench::transfer_cases()) {
    if (c.name.find(only) == std::string::npos) continue;
    std::string data = file_data(c.file_size);
    std::vector<bench::RunResult> our_runs, reference_runs;
    for (int i = 0; i < run_count; ++i) {
      // Each run damages other bytes; both pairs of a run see the same faults.
      bench::Line line = c.line;
      line.faults.seed = static_cast<std::uint32_t>(i + 1);
      our_runs.push_back(bench::run_transfer(c.our_sender, c.our_receiver, line, data, c.timeout_ms));
      reference_runs.push_back(bench::run_transfer(c.reference_sender, c.reference_receiver, line, data, c.timeout_ms));
    }
    const auto ours = median(our_runs);
    const auto reference = median(reference_runs);
    all_exact = all_exact && ours.exact;
    std::printf("%-48s %-24s %-24s %5.2f  %.3f/%.3f s\n", c.name.c_str(), cell(c, our_runs, ours).c_str(),
                cell(c, reference_runs, reference).c_str(), reference.seconds / ours.seconds, median_cpu(c, our_runs),
                median_cpu(c, reference_runs));
    std::fflush(stdout);
  }
  std::printf("\nreference: the row's reference pair (ZMODEM: lrzsz's sz and rz; Kermit: C-Kermit to C-Kermit)\n"
              "ratio: reference time / our time (above 1: ours is faster)\n"
              "cpu: processor time (median) of our ends, and of the reference programs in their place\n");
  return all_exact ? 0 : 1;
}
