// Splits the bytes the phone receives into command lines: each ends at a carriage return.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace e365sim {

struct CommandLine {
  std::string text;       // without its carriage return
  bool too_long = false;  // the line outgrew the phone's buffer; its text is dropped
};

class CommandLineReader {
 public:
  static constexpr std::size_t kMaxLine = 1024;

  // Takes bytes from the front of `bytes` up to and including the first carriage return and
  // returns the line it ends; takes them all and returns nothing when no line ends there.
  std::optional<CommandLine> take(std::string_view& bytes);
  // Forgets a partial line (after a file transfer the line holds protocol leftovers).
  void reset();

 private:
  std::string pending_;
  bool overflowed_ = false;
};

}  // namespace e365sim
