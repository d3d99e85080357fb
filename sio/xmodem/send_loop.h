// The blocking loop that runs a SenderCore over a channel: it writes the core's blocks, reads
// the answers in short slices so that the progress callback comes at least every 100 ms, and
// keeps the core's clock.
#pragma once

#include "sio/channel.h"
#include "sio/progress.h"
#include "sio/xmodem/sender_core.h"

namespace sio::xmodem {

// Runs the send to its end: 0 when the core finished well, else a negative result (-4 when
// the callback aborted, after the cancel sequence went out).
int run_sender(ByteChannel& channel, SenderCore& core, const ProgressFn& progress);

}  // namespace sio::xmodem
