// The simulator's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/e365sim/dialogue.h"
#include "tools/e365sim/line_faults.h"

namespace e365sim {

struct Options {
  int port = 5;
  std::string folder;  // where the COMn link goes; empty: the executable's folder
  std::string memos;   // empty: the samples shipped with the project
  bool pacing = true;
  DialogueSettings dialogue;
  LineFaultSettings faults;
  std::vector<std::string> extra_memos;  // names listed besides the folder's memos
  bool help = false;
};

// The options, or nothing with `error` saying what is wrong.
std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error);

extern const char* const kUsage;

}  // namespace e365sim
