#include "tools/sio-transfer/command_line.h"

#include <cstdlib>

#include "sio/protocols.h"

std::string usage() {
  std::string names;
  for (const sio::Protocol& p : sio::protocols()) names += (names.empty() ? "" : "|") + std::string(p.name);
  return "usage: sio-transfer send|receive --protocol " + names +
         "\n                    --device PATH [--baud N] [--dir DIR] [--progress] [FILE]\n";
}

std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error) {
  CommandLine cl;
  if (args.empty() || (args[0] != "send" && args[0] != "receive")) {
    error = "first argument must be send or receive";
    return std::nullopt;
  }
  cl.send = args[0] == "send";
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    std::string baud;
    if (a == "--protocol") {
      if (!value(cl.protocol)) return std::nullopt;
    } else if (a == "--device") {
      if (!value(cl.device)) return std::nullopt;
    } else if (a == "--dir") {
      if (!value(cl.dir)) return std::nullopt;
    } else if (a == "--baud") {
      if (!value(baud)) return std::nullopt;
      char* end = nullptr;
      cl.baud = std::strtol(baud.c_str(), &end, 10);
      if (baud.empty() || *end || cl.baud <= 0) {
        error = "bad --baud " + baud;
        return std::nullopt;
      }
    } else if (a == "--progress") {
      cl.progress = true;
    } else if (a.rfind("--", 0) == 0 || !cl.file.empty()) {
      error = "unexpected argument " + a;
      return std::nullopt;
    } else {
      cl.file = a;
    }
  }
  if (cl.protocol.empty() || cl.device.empty()) {
    error = "--protocol and --device are required";
    return std::nullopt;
  }
  return cl;
}
