// Sends a memo by ZMODEM under the name the phone announces, which need not be its file's name:
// the sender announces the name of the path it is given, so the memo is sent through a link
// of that name in a scratch folder.
#pragma once

#include <string>

#include "tools/e365sim/dialogue.h"
#include "tools/e365sim/phone_line.h"

namespace e365sim {

class MemoSender {
 public:
  explicit MemoSender(std::string scratch_folder) : scratch_(std::move(scratch_folder)) {}

  // The ZMODEM send's result (negative on failure).
  int send(PhoneLine& line, const MemoTransfer& transfer);

 private:
  std::string scratch_;
  int sends_ = 0;
};

// The name a link can carry for an announced name: its last path component, or "memo" when
// that is empty, "." or "..".
std::string link_name_for(const std::string& announced);

}  // namespace e365sim
