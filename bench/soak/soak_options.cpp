#include "bench/soak/soak_options.h"

#include <cstdlib>
#include <sstream>

namespace soak {

const char* const kUsage =
    "Usage: soak [options]\n"
    "Runs many transfers over a faulty line and counts how they ended.\n"
    "  --protocols LIST   comma-separated: zmodem,ymodem,xmodem-crc,xmodem-1k,xmodem-checksum,kermit\n"
    "                     (through sio-transfer) and phone (a memo download from e365sim)\n"
    "  --rates LIST       comma-separated fault rates (default 0,0.0001,0.001,0.005): each byte has\n"
    "                     a bit flipped with this chance and is lost with this chance\n"
    "  --transfers N      transfers per protocol and rate (default 40)\n"
    "  --size BYTES       size of the random file sio-transfer sends (default 16384)\n"
    "  --line BPS         pace the line to BPS bytes per second (default: unpaced)\n"
    "  --jobs N           transfers at the same time (default 1)\n"
    "  --timeout S        safety limit of one transfer, counted as hung (default 180)\n"
    "  --csv PATH         write one line per transfer\n"
    "  --bin DIR          folder of sio-transfer and e365sim (default: this program's folder)\n";

namespace {

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, ',');)
    if (!part.empty()) parts.push_back(part);
  return parts;
}

bool to_number(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == 0;
}

}  // namespace

std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i + 1 >= args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    double number = 0;
    bool numeric = to_number(value, number);
    if (arg == "--protocols") {
      o.protocols = split(value);
    } else if (arg == "--rates") {
      o.rates.clear();
      for (const auto& r : split(value)) {
        double rate = 0;
        if (!to_number(r, rate) || rate < 0 || rate >= 1) {
          error = "bad rate " + r;
          return std::nullopt;
        }
        o.rates.push_back(rate);
      }
    } else if (arg == "--csv") {
      o.csv = value;
    } else if (arg == "--bin") {
      o.bin = value;
    } else if (!numeric || number < 0) {
      error = "bad value for " + arg + ": " + value;
      return std::nullopt;
    } else if (arg == "--transfers") {
      o.transfers = static_cast<int>(number);
    } else if (arg == "--size") {
      o.size = static_cast<long>(number);
    } else if (arg == "--line") {
      o.bytes_per_second = static_cast<long>(number);
    } else if (arg == "--jobs") {
      o.jobs = number < 1 ? 1 : static_cast<int>(number);
    } else if (arg == "--timeout") {
      o.timeout_s = static_cast<int>(number);
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  return o;
}

}  // namespace soak
