// The blocking loops around the ZMODEM cores: they own the channel, the file and the progress
// reports. The timing can be chosen here (tests shorten it); transfers.h uses the defaults.
#pragma once

#include <string>

#include "sio/channel.h"
#include "sio/progress.h"
#include "sio/zmodem/timing.h"

namespace sio::zmodem {

int receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
            const Timing& timing);
// The receiver is told `announced_name`, or when it is empty the file's own name.
int send(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const Timing& timing,
         const std::string& announced_name = {});

}  // namespace sio::zmodem
