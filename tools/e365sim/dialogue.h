// The phone's AT dialogue, as a pure core: fed one command line, it returns what the phone says
// and whether a memo is to follow by ZMODEM. No I/O, no clock.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/e365sim/command_line.h"
#include "tools/e365sim/memo.h"

namespace e365sim {

struct DialogueSettings {
  std::string model = "E365";
  std::string firmware = "R365_G_0B.A0.1DR";
  std::vector<std::string> error_commands;  // lines that begin with one of these get "ERROR"
  bool silent_get = false;                  // GET is echoed and then nothing follows
  std::string announce_as;                  // when set, every memo is announced under this name
};

struct MemoTransfer {
  std::string path;       // the file to send
  std::string announced;  // the name in the ZMODEM file header
};

struct Reply {
  std::string text;                     // echo and answer, sent at once
  std::optional<MemoTransfer> transfer; // a memo to send after a short pause
};

class Dialogue {
 public:
  // The phone announces at most this many bytes of a memo's name.
  static constexpr std::size_t kAnnouncedNameBytes = 30;

  explicit Dialogue(DialogueSettings settings) : settings_(std::move(settings)) {}

  // The reply to one line. Whatever precedes "AT" on it (line noise, a receiver's start-up
  // headers) is ignored, and a line without "AT" gets no reply at all.
  Reply answer(const CommandLine& line, const std::vector<Memo>& memos) const;

  // What the phone says once a transfer has ended.
  static std::string after_transfer(bool succeeded);

 private:
  Reply answer_command(std::string_view command, const std::vector<Memo>& memos) const;
  std::string announced_name(const Memo& memo) const;

  DialogueSettings settings_;
};

// The listing answer's body: one "name | FRW | size" line per memo, then "Transfer OK".
std::string memo_listing(const std::vector<Memo>& memos);

}  // namespace e365sim
