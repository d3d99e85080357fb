// Ctrl-C as a flag: the handler only records it, and the program looks at it between its steps
// and in the transfer's callbacks, so a running transfer ends through its own abort.
#pragma once

namespace cli {

// SIGINT (and SIGTERM) set the flag from now on.
void CatchInterrupts();
bool Interrupted();

}  // namespace cli
