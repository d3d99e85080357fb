// The e365sim program as a child process, and a client that plays the tool on its port.
#pragma once

#include <csignal>
#include <memory>
#include <string>
#include <termios.h>
#include <vector>

#include "tools/testbed/child_process.h"
#include "tools/testbed/temp_folder.h"

namespace e365sim_client {

// The e365sim binary beside the running program.
std::string simulator_path();

class SimProcess {
 public:
  // Starts e365sim with `args` and waits for its first line (the device path); device() stays
  // empty when the program ends without printing one.
  explicit SimProcess(const std::vector<std::string>& args);
  ~SimProcess() { stop(SIGTERM); }

  const std::string& device() const { return device_; }
  void signal(int signal_number) { child_->signal(signal_number); }
  // Sends `signal_number` (0: none) and waits up to timeout_ms for the end; the exit status,
  // or -1 when it did not end in time (it is killed then).
  int stop(int signal_number, int timeout_ms = 10000);

 private:
  std::unique_ptr<testbed::ChildProcess> child_;
  std::string device_;
};

// The folder of the simulator's link and its memo folder; args() starts it unpaced with them.
struct PhoneFolders {
  testbed::TempFolder folder;
  testbed::TempFolder memos;
  std::vector<std::string> args(std::vector<std::string> more = {}) const {
    std::vector<std::string> all{"--folder", folder.path(), "--memos", memos.path(), "--no-pacing"};
    all.insert(all.end(), more.begin(), more.end());
    return all;
  }
};

class PhoneClient {
 public:
  // Opens the port like the tool does: raw, 8N1, at `speed`.
  explicit PhoneClient(const std::string& device, speed_t speed = B57600);
  ~PhoneClient();
  int fd() const { return fd_; }
  // Sends the line with its CR and returns everything up to the end of the answer (an "OK" or
  // "ERROR" line), or what came within timeout_ms.
  std::string command(const std::string& line, int timeout_ms = 5000);

 private:
  int fd_ = -1;
};

// Reads from fd until what came ends with one of `ends`, or timeout_ms pass.
std::string read_until(int fd, const std::vector<std::string>& ends, int timeout_ms);

}  // namespace e365sim_client
