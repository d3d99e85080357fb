// One run of the phone: reads command lines off the line, says the dialogue's answers, and
// sends the memos asked for.
#pragma once

#include <string_view>

#include "tools/e365sim/command_line.h"
#include "tools/e365sim/dialogue.h"
#include "tools/e365sim/memo_store.h"
#include "tools/e365sim/phone_line.h"

namespace e365sim {

class Session {
 public:
  Session(PhoneLine& line, const Dialogue& dialogue, const MemoStore& store)
      : line_(line), dialogue_(dialogue), store_(store) {}

  // Plays the phone until a stop is requested or the line hangs up.
  void run();

 private:
  // False when the session is over.
  bool handle(std::string_view& bytes);
  void transfer(const MemoTransfer& memo);

  PhoneLine& line_;
  const Dialogue& dialogue_;
  const MemoStore& store_;
  CommandLineReader reader_;
};

}  // namespace e365sim
