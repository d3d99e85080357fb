// Kermit rows: our receive from C-Kermit and our send to it, with C-Kermit's own pair as the
// reference.
#include <string>
#include <vector>

#include "bench/transfer/cases.h"

namespace bench {
namespace {

constexpr std::size_t kPacedSize = 100 * 1024;
constexpr std::size_t kUnpacedSize = 10 << 20;
constexpr std::size_t kNoisySize = 16 * 1024;

// C-Kermit on the line's device, binary, with its defaults otherwise (long packets, a window
// of 30): no start-up delay, no carrier, names as they are, and no keys read from the
// terminal it was started on (the line itself). Its -C commands would run after the action,
// too late for settings, so they come as a command file.
std::vector<std::string> ckermit(const std::string& action) {
  return {"bash", "-c", "exec kermit <(printf %s \"$0\") -Y -q -i -l \"$1\" -b 57600 " + action,
          "set carrier-watch off\nset delay 0\nset file names literal\nset transfer interruption off\n",
          "{device}", "{file}"};
}
Endpoint ckermit_sender() { return {"C-Kermit", nullptr, ckermit("-s \"$2\"")}; }
Endpoint ckermit_receiver() { return {"C-Kermit", nullptr, ckermit("-r")}; }

void add_both_ways(std::vector<Case>& cases, const std::string& line_name, Line line, std::size_t size,
                   int timeout_ms = 300000) {
  cases.push_back({"kermit receive from C-Kermit, " + line_name, line, size, ckermit_sender(),
                   our_receiver("kermit"), ckermit_sender(), ckermit_receiver(), timeout_ms});
  cases.push_back({"kermit send to C-Kermit, " + line_name, line, size, our_sender("kermit"),
                   ckermit_receiver(), ckermit_sender(), ckermit_receiver(), timeout_ms});
}

}  // namespace

void add_kermit_cases(std::vector<Case>& cases) {
  add_both_ways(cases, "57600 bit/s, 100 KB", {57600, {}}, kPacedSize);
  add_both_ways(cases, "115200 bit/s, 100 KB", {115200, {}}, kPacedSize);
  add_both_ways(cases, "unpaced, 10 MiB", {0, {}}, kUnpacedSize);
  add_both_ways(cases, "1/1000 bit flips, 16 KB", {0, {1, 1000, 0}}, kNoisySize, kNoisyTimeoutMs);
  add_both_ways(cases, "1/10000 bit flips, 16 KB", {0, {1, 10000, 0}}, kNoisySize, kNoisyTimeoutMs);
}

}  // namespace bench
