#include "tools/e365sim/command_line.h"

namespace e365sim {

std::optional<CommandLine> CommandLineReader::take(std::string_view& bytes) {
  while (!bytes.empty()) {
    char c = bytes.front();
    bytes.remove_prefix(1);
    if (c == '\r') {
      CommandLine line = overflowed_ ? CommandLine{{}, true} : CommandLine{std::move(pending_), false};
      reset();
      return line;
    }
    if (overflowed_) continue;
    if (pending_.size() < kMaxLine) {
      pending_.push_back(c);
    } else {
      // Keep nothing of a runaway line, so a flood of bytes cannot grow the buffer.
      overflowed_ = true;
      pending_.clear();
    }
  }
  return std::nullopt;
}

void CommandLineReader::reset() {
  pending_.clear();
  overflowed_ = false;
}

}  // namespace e365sim
