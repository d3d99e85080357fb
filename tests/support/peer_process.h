// A reference program (lrzsz, kermit, ...) run as the peer of a transfer: its standard input and
// output are the device side of a pty, its standard error goes to a log file, and it runs in a
// folder of the test's choosing.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace test_support {

class PeerProcess {
 public:
  // Starts argv[0] (looked up on PATH) in `folder`; stdin and stdout open `device`.
  PeerProcess(const std::vector<std::string>& argv, const std::string& folder, const std::string& device,
              const std::string& log_path = "/dev/null");
  ~PeerProcess();  // kills the program if it still runs
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  // Waits up to timeout_ms for the program to end; its exit status, or -1 when it had to be
  // killed (or died of a signal).
  int wait(int timeout_ms);
  void signal(int signal_number);
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int result_ = -1;
};

}  // namespace test_support
