// vokarel-cli's command line: which phone, which port, and what to do with its memos.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Action { Identify, List, Get };

struct Options {
  int port = 5;            // COMn, resolved as the window resolves it
  std::string device;      // a device path instead of a COM number (a /dev/serial/by-id link works)
  long speed = 57600;      // the window's start-up speed
  std::string dir = ".";   // where `get` saves
  bool json = false;       // `list` as one JSON object per memo
  bool quiet = false;      // no progress at all
  Action action = Action::Identify;
  bool all = false;        // `get --all`
  std::vector<std::string> names;  // `get NAME...`: display names as the list prints them
};

extern const char* const kUsage;

// The options, or nothing with `error` saying what is wrong.
std::optional<Options> parse_command_line(const std::vector<std::string>& args, std::string& error);

}  // namespace cli
