#include "sio/ascii/send_core.h"
#include "sio/driver.h"
#include "sio/outgoing_file.h"
#include "sio/transfers.h"

namespace sio {

int ascii_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress) {
  OutgoingFile file;
  if (int result = file.open(path); result < 0) return result;
  ascii::SendCore core(file);
  return run_transfer(channel, core, progress);
}

}  // namespace sio
