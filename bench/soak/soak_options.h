// The command line of the soak program.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bench/soak/outcome.h"

namespace soak {

struct Options {
  std::vector<std::string> protocols{"zmodem", "ymodem", "xmodem-crc", "xmodem-1k", "xmodem-checksum", "kermit", "phone"};
  std::vector<double> rates{0, 1e-4, 1e-3, 5e-3};  // each byte: bit flip and loss, each at this chance
  int transfers = 40;          // per protocol and rate
  long size = 16384;           // bytes of each sio-transfer file
  long bytes_per_second = 0;   // pace of the line (0: as fast as it goes)
  int jobs = 1;                // transfers run at the same time
  int timeout_s = 180;         // safety limit of one transfer
  std::string csv;             // one line per transfer, for the plot
  std::string bin;             // folder of sio-transfer and e365sim (default: beside soak)
};

extern const char* const kUsage;
std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error);

}  // namespace soak
