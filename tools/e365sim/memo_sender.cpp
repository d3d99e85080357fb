#include "tools/e365sim/memo_sender.h"

#include "sio/transfers.h"
#include "tools/e365sim/stop_signals.h"

namespace e365sim {

std::string header_name_for(const std::string& announced) {
  std::string name = announced.substr(announced.rfind('/') + 1);
  return name.empty() || name == "." || name == ".." ? "memo" : name;
}

int send_memo(PhoneLine& line, const MemoTransfer& transfer) {
  line.begin_transfer();
  int result = sio::zmodem_send(line, transfer.path, [](long, long) { return stop_requested() ? -1 : 0; },
                                header_name_for(transfer.announced));
  line.end_transfer();
  return result;
}

}  // namespace e365sim
