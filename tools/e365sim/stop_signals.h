// Ctrl-C, SIGTERM and SIGHUP ask the simulator to stop; every wait of ours is short and checks.
#pragma once

namespace e365sim {

void install_stop_handlers();
bool stop_requested();

}  // namespace e365sim
