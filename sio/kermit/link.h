// Runs a sender or a receiver over a byte channel until it finishes: reads with short waits so
// that progress reports stay due, feeds what arrives, writes what the state machine answers.
#pragma once

#include "sio/channel.h"
#include "sio/kermit/endpoint.h"
#include "sio/progress.h"

namespace sio::kermit {

int run_endpoint(ByteChannel& channel, Endpoint& endpoint, const ProgressFn& progress);

}  // namespace sio::kermit
