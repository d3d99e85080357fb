// vokarel-cli's command line: which phone, which port, and what to do with its memos.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Action { Identify, List, Get };

// What the program's exit status tells a script.
enum ExitStatus : int {
  kAllDone = 0,         // every memo asked for saved (or the listing, the identification given)
  kNotAllSaved = 1,     // some memo not saved (skipped, failed, not tried), or no listing
  kBadCommandLine = 2,
  kNoPhone = 3,         // the port did not open, or no E365 answered the identification
};

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

// The place of a speed in the window's list of speeds, or -1 when the list does not offer it.
int speed_index(long speed);

// The options, or nothing with `error` saying what is wrong.
std::optional<Options> parse_command_line(const std::vector<std::string>& args, std::string& error);

}  // namespace cli
