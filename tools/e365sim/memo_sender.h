// Sends a memo by ZMODEM under the name the phone announces, which need not be its file's name.
#pragma once

#include <string>

#include "tools/e365sim/dialogue.h"
#include "tools/e365sim/phone_line.h"

namespace e365sim {

// The ZMODEM send's result (negative on failure).
int send_memo(PhoneLine& line, const MemoTransfer& transfer);

// The name the file header carries for an announced name: its last path component, or "memo"
// when that is empty, "." or "..".
std::string header_name_for(const std::string& announced);

}  // namespace e365sim
