#include "sio/ascii/receive_core.h"
#include "sio/driver.h"
#include "sio/file_sink.h"
#include "sio/result.h"
#include "sio/transfers.h"

namespace sio {

int ascii_receive(ByteChannel& channel, const std::string& path, const ProgressFn& progress, int quiet_seconds) {
  DiskSink file;
  if (int result = file.open_path(path); result < 0) return result;
  ascii::ReceiveCore core(file, quiet_seconds);
  if (int result = run_transfer(channel, core, progress); result != SIOFT_ABORT) return result;
  if (int result = file.commit(); result < 0) return result;
  return SIOFT_ABORT;
}

}  // namespace sio
