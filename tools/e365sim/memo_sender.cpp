#include "tools/e365sim/memo_sender.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/sio.h"
#include "sio/transfers.h"
#include "tools/e365sim/stop_signals.h"

namespace e365sim {

std::string link_name_for(const std::string& announced) {
  std::string name = announced.substr(announced.rfind('/') + 1);
  return name.empty() || name == "." || name == ".." ? "memo" : name;
}

int MemoSender::send(PhoneLine& line, const MemoTransfer& transfer) {
  // A folder per send, so the announced name never meets a leftover.
  std::string folder = scratch_ + "/send" + std::to_string(++sends_);
  if (mkdir(folder.c_str(), 0700) != 0) return SIOFT_FOPEN;
  std::string path = folder + "/" + link_name_for(transfer.announced);
  int result = SIOFT_FOPEN;
  if (symlink(std::filesystem::absolute(transfer.path).c_str(), path.c_str()) == 0) {
    line.begin_transfer();
    result = sio::zmodem_send(line, path, [](long, long) { return stop_requested() ? -1 : 0; });
    line.end_transfer();
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return result;
}

}  // namespace e365sim
