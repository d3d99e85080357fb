// What a bad cable or a fickle phone does to the bytes of a file transfer: bit flips, lost bytes,
// and a transfer cut short by the sender's cancel or a hang-up. Pure: fed bytes, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace e365sim {

struct LineFaultSettings {
  long long cancel_after = -1;  // bytes of a transfer before the sender cancels; -1: never
  long long hangup_after = -1;  // bytes of a transfer before the line hangs up; -1: never
  double noise = 0.0;           // fraction of bytes with one bit flipped
  double drop = 0.0;            // fraction of bytes lost
  long long fault_limit = -1;   // flipped and lost bytes in all, after which the line is clean; -1: no limit
  std::uint64_t seed = 1;
};

// The ZMODEM sender's cancel: CAN bytes to stop the receiver, backspaces to tidy a terminal.
constexpr std::string_view kCancelSequence =
    "\x18\x18\x18\x18\x18\x18\x18\x18\x18\x18\b\b\b\b\b\b\b\b\b\b";

class LineFaults {
 public:
  enum class Cut { None, Cancel, HangUp };
  struct Passed {
    std::string bytes;    // what reaches the line
    Cut cut = Cut::None;  // the transfer ends after these bytes
  };

  explicit LineFaults(const LineFaultSettings& settings) : settings_(settings), random_(settings.seed) {}

  // A new transfer starts counting from zero; the noise continues its sequence.
  void start_transfer() { sent_ = 0; }
  // Passes the next bytes of a transfer: stops at a cancel or hang-up threshold (counted in
  // bytes offered), then flips bits and drops bytes (until the fault limit is reached).
  Passed pass(std::string_view bytes);

 private:
  double chance() { return static_cast<double>(random_() >> 11) * 0x1.0p-53; }

  bool fault_allowed() const { return settings_.fault_limit < 0 || faults_ < settings_.fault_limit; }

  LineFaultSettings settings_;
  std::mt19937_64 random_;
  long long sent_ = 0;
  long long faults_ = 0;
};

}  // namespace e365sim
