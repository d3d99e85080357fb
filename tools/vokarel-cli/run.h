// What vokarel-cli does once its command line has been read.
#pragma once

#include "tools/vokarel-cli/command_line.h"

namespace cli {

// Runs the command against the phone inside the running QCoreApplication; the exit status.
int Run(const Options& options);

}  // namespace cli
