// The one loop that runs every protocol's core over a byte channel: the core's output goes out as
// the line takes it, the channel's bytes and the time go in, and the caller hears of the progress
// and may abort.
#pragma once

#include "sio/channel.h"
#include "sio/progress.h"
#include "sio/transfer_core.h"

namespace sio {

// Runs `core` until it finishes and returns its result (or SIOFT_BADPORT when the progress
// callback closed the port and aborted).
int run_transfer(ByteChannel& channel, TransferCore& core, const ProgressFn& progress);

}  // namespace sio
