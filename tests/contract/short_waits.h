// Our runners with their waits cut to moments, for the rows where a peer stays silent: each
// protocol's own interface takes its times, the common one keeps the defaults of a real line.
#pragma once

#include "sio/protocols.h"

namespace contract {

// Null for ASCII, which waits for the user until data comes.
sio::TransferRunner quick_runner(sio::ProtocolId id, bool send);

}  // namespace contract
