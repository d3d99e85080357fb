// The command line of sio-transfer:
//   sio-transfer send|receive --protocol NAME --device PATH [--baud N] [--dir DIR] [--progress] [FILE]
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CommandLine {
  bool send = false;
  std::string protocol;
  std::string device;
  long baud = 0;           // 0 keeps the device's speed
  std::string dir = ".";   // where receives of announced names land
  bool progress = false;   // progress lines on standard error
  std::string file;        // the file to send, or to receive for protocols without names
};

// The parsed command line, or nothing (with `error` set) when it is not usable.
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error);

// The usage text, naming every protocol of the library's table.
std::string usage();
