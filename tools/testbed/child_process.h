// Runs a peer program (sz, rz, kermit) with its standard input and output on one descriptor.
#pragma once

#include <string>
#include <sys/resource.h>
#include <vector>

namespace testbed {

// The processor time (user and system) in a resource usage record, in seconds.
double cpu_seconds(const rusage& usage);

class ChildProcess {
 public:
  // Starts argv[0] (looked up in PATH) in folder `cwd`, stdin and stdout on `fd`, stderr to
  // `stderr_path` (or /dev/null). Other descriptors are closed on exec.
  ChildProcess(const std::vector<std::string>& argv, int fd, const std::string& cwd = ".",
               const std::string& stderr_path = "/dev/null");
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit status, or -1 when it did not end within timeout_ms (it is killed then).
  int wait(int timeout_ms);
  // True once the child has ended (its status is then kept for wait()).
  bool exited();
  void signal(int sig);
  // Processor time (user and system) the child used, once it has ended.
  double cpu_seconds() const { return cpu_seconds_; }

 private:
  // Collects the ended child; false when it is still running (only with WNOHANG in `options`).
  bool reap(int options);

  int pid_ = -1;
  int status_ = -1;
  double cpu_seconds_ = 0;
};

}  // namespace testbed
