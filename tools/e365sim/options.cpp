#include "tools/e365sim/options.h"

#include <charconv>

namespace e365sim {

const char* const kUsage =
    "Usage: e365sim [options]\n"
    "Plays a Motorola E365 phone on a pseudo-terminal linked as COMn, for Vokarel and its tests.\n"
    "Prints the device path on its first line; removes the link when it ends (Ctrl-C, SIGTERM).\n"
    "\n"
    "  --port N            link name COMn, 1-256 (default 5)\n"
    "  --folder DIR        folder of the link (default: the folder of this program)\n"
    "  --memos DIR         folder of the .amr memos (default: the project's samples)\n"
    "  --no-pacing         send at full speed instead of the line speed the other side set\n"
    "Faults:\n"
    "  --model TEXT        answer the model query with TEXT (default E365)\n"
    "  --firmware TEXT     answer the firmware query with TEXT\n"
    "  --error-on CMD      answer ERROR to every line that begins with CMD (repeatable)\n"
    "  --silent-get        echo GET and send nothing\n"
    "  --cancel-after N    cancel a transfer after sending N bytes of it\n"
    "  --hangup-after N    hang up after sending N bytes of a transfer, and exit\n"
    "  --noise RATE        flip one bit in this fraction of the bytes sent during a transfer\n"
    "  --drop RATE         drop this fraction of the bytes sent during a transfer\n"
    "  --seed N            seed of the noise and drops (default 1)\n"
    "  --fault-limit N     flip or drop no more than N bytes in all, then keep the line clean\n"
    "  --extra-memo NAME   list a memo under NAME too, with small content (repeatable)\n"
    "  --announce NAME     announce every memo under NAME in the file header\n"
    "A memo is announced by the first 30 bytes of its name; of a name with \"/\" only the\n"
    "last part can be announced.\n";

namespace {

template <typename Number>
bool parse_number(const std::string& text, Number& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool parse_rate(const std::string& text, double& rate) {
  return parse_number(text, rate) && rate >= 0.0 && rate <= 1.0;
}

}  // namespace

std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    auto bad = [&](const std::string& what) {
      error = "bad value for " + arg + ": " + what;
      return std::nullopt;
    };
    std::string text;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--no-pacing") {
      options.pacing = false;
    } else if (arg == "--silent-get") {
      options.dialogue.silent_get = true;
    } else if (arg == "--port") {
      if (!value(text)) return std::nullopt;
      if (!parse_number(text, options.port) || options.port < 1 || options.port > 256) return bad(text);
    } else if (arg == "--folder") {
      if (!value(options.folder)) return std::nullopt;
    } else if (arg == "--memos") {
      if (!value(options.memos)) return std::nullopt;
    } else if (arg == "--model") {
      if (!value(options.dialogue.model)) return std::nullopt;
    } else if (arg == "--firmware") {
      if (!value(options.dialogue.firmware)) return std::nullopt;
    } else if (arg == "--error-on") {
      if (!value(text)) return std::nullopt;
      if (text.empty()) return bad("empty command");
      options.dialogue.error_commands.push_back(text);
    } else if (arg == "--announce") {
      if (!value(options.dialogue.announce_as)) return std::nullopt;
      if (options.dialogue.announce_as.empty()) return bad("empty name");
    } else if (arg == "--extra-memo") {
      if (!value(text)) return std::nullopt;
      if (text.empty()) return bad("empty name");
      options.extra_memos.push_back(text);
    } else if (arg == "--cancel-after") {
      if (!value(text)) return std::nullopt;
      if (!parse_number(text, options.faults.cancel_after) || options.faults.cancel_after < 0) return bad(text);
    } else if (arg == "--hangup-after") {
      if (!value(text)) return std::nullopt;
      if (!parse_number(text, options.faults.hangup_after) || options.faults.hangup_after < 0) return bad(text);
    } else if (arg == "--noise") {
      if (!value(text)) return std::nullopt;
      if (!parse_rate(text, options.faults.noise)) return bad(text);
    } else if (arg == "--drop") {
      if (!value(text)) return std::nullopt;
      if (!parse_rate(text, options.faults.drop)) return bad(text);
    } else if (arg == "--fault-limit") {
      if (!value(text)) return std::nullopt;
      if (!parse_number(text, options.faults.fault_limit) || options.faults.fault_limit < 0) return bad(text);
    } else if (arg == "--seed") {
      if (!value(text)) return std::nullopt;
      if (!parse_number(text, options.faults.seed)) return bad(text);
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace e365sim
