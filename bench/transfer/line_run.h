// One transfer between two ends over a pty line that a relay paces and may damage: either end
// is ours (run in this process) or an external program (sz, rz, kermit, ...).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sio/channel.h"
#include "tools/testbed/link_relay.h"

namespace bench {

struct Endpoint {
  std::string label;
  // Ours: runs on the channel; `file` is the file to send, or the path a receive of a protocol
  // without names stores under; `folder` is where a receive stores.
  std::function<int(sio::ByteChannel& channel, const std::string& file, const std::string& folder)> run;
  // Or an external program, "{file}" in an argument standing for the file's name and "{device}"
  // for its end of the line (also its standard input and output); a sender runs in the file's
  // folder, a receiver in the folder it stores into.
  std::vector<std::string> command;
};

struct Line {
  long bits_per_second = 0;  // 0: unpaced; else 8N1, a tenth of it in bytes per second
  testbed::LinkFaults faults;
};

struct RunResult {
  double seconds = 0;
  bool exact = false;  // every end reported success and the received file is the sent one
  bool wrong = false;  // the receiver reported success with a file that is not the sent one
  double sender_cpu = 0, receiver_cpu = 0;  // processor time each end used, in seconds
};

RunResult run_transfer(const Endpoint& sender, const Endpoint& receiver, const Line& line, const std::string& data,
                       int timeout_ms);

}  // namespace bench
