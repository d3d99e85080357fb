#include "tools/vokarel-cli/command_line.h"

#include <cstdlib>

#include "serial/option_tables.h"

namespace cli {

const char* const kUsage =
    "usage: vokarel-cli [--port N | --device PATH] [--speed BPS] identify\n"
    "       vokarel-cli [--port N | --device PATH] [--speed BPS] list [--json]\n"
    "       vokarel-cli [--port N | --device PATH] [--speed BPS] get [--dir DIR] [--quiet] NAME... | --all\n";

namespace {

bool parse_number(const std::string& text, long low, long high, long& into) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || value < low || value > high) return false;
  into = value;
  return true;
}

}  // namespace

int speed_index(long speed) {
  for (std::size_t i = 0; i < kBaudRateEntries.size(); ++i)
    if (std::strtol(kBaudRateEntries[i], nullptr, 10) == speed) return static_cast<int>(i);
  return -1;
}

std::optional<Options> parse_command_line(const std::vector<std::string>& args, std::string& error) {
  Options o;
  bool have_action = false;
  bool port_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return nullptr;
      }
      return &args[++i];
    };
    if (a == "--port") {
      const std::string* v = value();
      long port = 0;
      if (!v) return std::nullopt;
      if (!parse_number(*v, 1, 256, port)) {
        error = "--port takes a COM number from 1 to 256";
        return std::nullopt;
      }
      o.port = static_cast<int>(port);
      port_given = true;
    } else if (a == "--device" || a == "--dir") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      (a == "--device" ? o.device : o.dir) = *v;
    } else if (a == "--speed") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      if (!parse_number(*v, 50, 921600, o.speed) || speed_index(o.speed) < 0) {
        error = "--speed takes one of the window's speeds, 50 to 921600 bit/s, not " + *v;
        return std::nullopt;
      }
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--all") {
      o.all = true;
    } else if (a.rfind("--", 0) == 0) {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (!have_action) {
      have_action = true;
      if (a == "identify") o.action = Action::Identify;
      else if (a == "list") o.action = Action::List;
      else if (a == "get") o.action = Action::Get;
      else {
        error = "unknown command " + a;
        return std::nullopt;
      }
    } else if (o.action == Action::Get) {
      o.names.push_back(a);
    } else {
      error = "unexpected argument " + a;
      return std::nullopt;
    }
  }
  if (!have_action) error = "a command is needed: identify, list or get";
  else if (port_given && !o.device.empty()) error = "--port and --device name the port two ways: give one";
  else if (o.action == Action::Get && o.all == !o.names.empty()) error = "get takes memo names or --all";
  else if (o.all && o.action != Action::Get) error = "--all goes with get";
  else if (o.json && o.action != Action::List) error = "--json goes with list";
  if (!error.empty()) return std::nullopt;
  return o;
}

}  // namespace cli
