// ZMODEM over a byte channel: the cores with the file, run by the driver (sio/driver.h). The
// timing can be chosen here (tests shorten it); transfers.h uses the defaults.
#pragma once

#include <string>

#include "sio/channel.h"
#include "sio/progress.h"
#include "sio/zmodem/timing.h"

namespace sio::zmodem {

int receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
            const Timing& timing);
int send(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const Timing& timing);

}  // namespace sio::zmodem
