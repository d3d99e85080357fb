// Times `vokarel-cli get --all` of the simulator's memos, the simulator pacing the line like a
// 57600 bit/s cable, from the start of the command to its end. Prints the time against the
// line's limit for the bytes saved (5760 bytes a second) plus the fixed starts: the command's own
// (the identification's three lines and the listing's, each sent at a 300 ms tick of the queue)
// and each memo's (the Save sequence's send timer and the queue's next tick, 300 ms each, and
// the phone's 200 ms before it begins to send).
// Run it: build/bin/bench_cli
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <unistd.h>

#include "tools/e365sim/sim_process.h"
#include "tools/testbed/child_process.h"
#include "tools/testbed/temp_folder.h"

int main() {
  constexpr double kLineBytesPerSecond = 5760;
  constexpr double kCommandStart = 4 * 0.3;
  constexpr double kMemoStart = 0.3 + 0.3 + 0.2;
  testbed::TempFolder work;
  e365sim_client::SimProcess sim({"--folder", work.path()});
  if (sim.device().empty()) {
    std::fprintf(stderr, "the simulator did not start\n");
    return 1;
  }
  const std::string cli = std::filesystem::path(e365sim_client::simulator_path()).replace_filename("vokarel-cli");
  const int out = open(work.file("out").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const auto start = std::chrono::steady_clock::now();
  testbed::ChildProcess run({cli, "--device", sim.device(), "get", "--all", "--quiet", "--dir", work.path()}, out);
  close(out);
  const int status = run.wait(600000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  double bytes = 0;
  int memos = 0;
  for (const auto& entry : std::filesystem::directory_iterator(work.path()))
    if (entry.path().extension() == ".amr") {
      bytes += static_cast<double>(entry.file_size());
      ++memos;
    }
  const double reference = bytes / kLineBytesPerSecond + kCommandStart + memos * kMemoStart;
  std::fputs(testbed::read_file(work.file("out")).c_str(), stderr);
  std::printf("| case | memos | bytes | time, s | line limit + starts, s | efficiency |\n");
  std::printf("|---|---:|---:|---:|---:|---:|\n");
  std::printf("| vokarel-cli get --all, 57600 bit/s paced | %d | %.0f | %.2f | %.2f | %.1f%% |\n", memos, bytes,
              seconds, reference, 100.0 * reference / seconds);
  // The sample with a space in its name is refused, as the window refuses it: status 1.
  return status == 0 || status == 1 ? 0 : 1;
}
