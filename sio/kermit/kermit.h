// Kermit over a byte channel with chosen timing (tests shorten the waits). kermit_send and
// kermit_receive of sio/transfers.h use the default Timing: a receiver waits up to 60 s for
// the sender's first packet, then 5 s (or what the sender asks for, up to 30 s) for each
// packet; either side gives up after 10 time-outs or damaged packets in a row with nothing
// getting through in between (the sender's rules for a noisy line: sio/kermit/sender.h).
#pragma once

#include <string>

#include "sio/channel.h"
#include "sio/kermit/endpoint.h"
#include "sio/progress.h"

namespace sio::kermit {

// The receiver is told `announced_name`, or when it is empty the file's own name.
int send_file(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const Timing& timing,
              const std::string& announced_name = {});
int receive_file(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
                 const Timing& timing);

}  // namespace sio::kermit
