#include "bench/kermit/peer.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bench {

CKermit::CKermit(const std::string& device, const std::string& folder, bool send, const std::string& file) {
  // No start-up delay: the figures compare protocols, not a wait meant for a human.
  std::vector<std::string> argv = {"kermit", "-Y", "-q", "-i", "-l", device, "-b", "57600", "-C",
                                   "set carrier-watch off, set delay 0, set file names literal"};
  if (send) {
    argv.push_back("-s");
    argv.push_back(file);
  } else {
    argv.push_back("-r");
  }
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    int null = open("/dev/null", O_RDWR);
    if (null < 0 || chdir(folder.c_str()) != 0) _exit(126);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
}

CKermit::~CKermit() {
  if (pid_ > 0) wait(0);
}

int CKermit::wait(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) != pid_) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace bench
