#include "tools/vokarel-cli/interrupt.h"

#include <csignal>

namespace cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void Record(int) { interrupted = 1; }

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = Record;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return interrupted != 0; }

}  // namespace cli
