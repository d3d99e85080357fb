// soak: many transfers of every protocol over a line with bit flips and dropped bytes; prints
// how they ended and how much longer they took than on a clean line (see soak_options.cpp).
#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/soak/link_runs.h"
#include "bench/soak/soak_options.h"
#include "bench/soak/tally.h"
#include "sio/program_folder.h"

namespace {

struct Job {
  std::string protocol;
  double rate;
  unsigned seed;
};

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(soak::kUsage, stdout);
    return 0;
  }
  std::string error;
  auto options = soak::parse_options(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "soak: %s\n%s", error.c_str(), soak::kUsage);
    return 2;
  }
  if (options->bin.empty()) options->bin = sio::program_folder();

  std::vector<Job> jobs;
  unsigned seed = 1;
  for (const auto& protocol : options->protocols)
    for (double rate : options->rates)
      for (int i = 0; i < options->transfers; ++i) jobs.push_back({protocol, rate, seed++});

  std::FILE* csv = options->csv.empty() ? nullptr : std::fopen(options->csv.c_str(), "w");
  if (csv) std::fprintf(csv, "protocol,rate,seed,ending,result,seconds,leftover,bytes,line_bytes_per_second\n");
  soak::Tally tally;
  std::mutex lock;
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t i; (i = next++) < jobs.size();) {
      const Job& job = jobs[i];
      soak::Noise noise{job.rate, job.rate};
      soak::Outcome o = job.protocol == "phone" ? soak::run_phone_download(*options, noise, job.seed)
                                                : soak::run_sio_transfer(*options, job.protocol, noise, job.seed);
      std::lock_guard<std::mutex> hold(lock);
      tally.add(job.protocol, job.rate, o);
      std::fprintf(stderr, "%s rate %g seed %u: %s, result %d, %.2f s\n", job.protocol.c_str(), job.rate, job.seed,
                   soak::ending_name(o.ending), o.result, o.seconds);
      if (csv)
        std::fprintf(csv, "%s,%g,%u,%s,%d,%.4f,%d,%ld,%ld\n", job.protocol.c_str(), job.rate, job.seed,
                     soak::ending_name(o.ending), o.result, o.seconds, o.leftover ? 1 : 0, o.bytes,
                     job.protocol == "phone" ? 0 : options->bytes_per_second);
    }
  };
  std::vector<std::thread> workers;
  for (int j = 0; j < options->jobs; ++j) workers.emplace_back(worker);
  for (auto& w : workers) w.join();
  if (csv) std::fclose(csv);

  std::printf("Soak: %ld-byte files%s, %d transfers per protocol and rate.\n\n", options->size,
              options->bytes_per_second ? " on a paced line" : " on an unpaced line", options->transfers);
  tally.print(stdout);
  soak::Counts total = tally.total();
  // A wrong file reported as good, or a transfer that never ends, fails the soak.
  return total.wrong == 0 && total.hung == 0 ? 0 : 1;
}
