#include <span>

#include "sio/ascii/ascii.h"
#include "sio/outgoing_file.h"
#include "sio/result.h"
#include "sio/transfers.h"

namespace sio {

int ascii_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress) {
  OutgoingFile file;
  if (int result = file.open(path); result < 0) return result;
  const long total = file.size();
  ProgressReporter reporter(progress);
  long sent = 0;
  StallWatch stall;
  for (;;) {
    if (!reporter.report(sent, total)) return SIOFT_ABORT;
    std::span<const std::uint8_t> chunk;
    if (int result = file.read(ascii::kSendChunk, chunk); result < 0) return result;
    if (chunk.empty()) break;
    // A slow or stopped line hands back control after a slice, for the report and an abort.
    for (std::size_t done = 0; done < chunk.size();) {
      int written = channel.write_for(chunk.data() + done, chunk.size() - done, kProgressSliceMs);
      if (written < 0) return written;
      done += static_cast<std::size_t>(written);
      sent += written;
      if (!stall.note(written)) return SIOFT_TIMEOUT;
      if (done < chunk.size() && !reporter.report(sent, total)) return SIOFT_ABORT;
    }
  }
  reporter.report(sent, total, true);
  return SIOFT_OK;
}

}  // namespace sio
