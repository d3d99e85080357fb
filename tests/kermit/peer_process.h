// A reference Kermit (G-Kermit or C-Kermit) run as a child process on the device side of a
// pty pair, in a folder of its own.
#pragma once

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace kermit_test {

class PeerProcess {
 public:
  // Runs `argv` in `folder`; with `stdio_device` its standard input and output are that device
  // (G-Kermit talks over its terminal), else it opens the device itself (C-Kermit's -l).
  PeerProcess(const std::vector<std::string>& argv, const std::string& folder, const std::string& stdio_device = {});
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  // The exit status, or -1 when it had to be killed after `timeout_ms`.
  int wait(int timeout_ms = 60000) { return child_.wait(timeout_ms); }

 private:
  static int open_stdio(const std::string& device);
  int fd_;
  test_support::ChildProcess child_;
};

// G-Kermit sending `file` in binary mode, or receiving into its folder; `options` go before
// the action.
std::vector<std::string> gkermit_send(const std::string& file, const std::vector<std::string>& options = {});
std::vector<std::string> gkermit_receive(const std::vector<std::string>& options = {});
// C-Kermit on `device`, not waiting for carrier, binary, names as they are; `settings` are
// further commands ("set window 4").
std::vector<std::string> ckermit_send(const std::string& device, const std::string& file,
                                      const std::vector<std::string>& settings = {});
std::vector<std::string> ckermit_receive(const std::string& device, const std::vector<std::string>& settings = {});

}  // namespace kermit_test
