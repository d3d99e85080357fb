#include "tools/e365sim/stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace e365sim {
namespace {

volatile std::sig_atomic_t stop_flag = 0;

void on_stop_signal(int) { stop_flag = 1; }

}  // namespace

void install_stop_handlers() {
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

bool stop_requested() { return stop_flag != 0; }

}  // namespace e365sim
