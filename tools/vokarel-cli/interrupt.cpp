#include "tools/vokarel-cli/interrupt.h"

#include <csignal>

namespace cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void Record(int) { interrupted = 1; }

}  // namespace

void CatchInterrupts() {
  std::signal(SIGINT, Record);
  std::signal(SIGTERM, Record);
}

bool Interrupted() { return interrupted != 0; }

}  // namespace cli
