// Kermit over a byte channel with chosen timing (tests shorten the waits). kermit_send and
// kermit_receive of sio/transfers.h use the default Timing (sio/timing_defaults.h): a receiver
// waits longer for the sender's first packet than for each later one (for which the sender may
// ask a longer wait, up to a limit); either side gives up after a number of time-outs or damaged
// packets in a row with nothing getting through in between (the sender's rules for a noisy line:
// sio/kermit/sender.h).
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
