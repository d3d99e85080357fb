#include "tests/support/peer_process.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace test_support {

PeerProcess::PeerProcess(const std::vector<std::string>& argv, const std::string& folder, const std::string& device,
                         const std::string& log_path) {
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec.
    int tty = open(device.c_str(), O_RDWR | O_NOCTTY);
    int log = open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (tty < 0 || log < 0 || chdir(folder.c_str()) != 0) _exit(126);
    dup2(tty, 0);
    dup2(tty, 1);
    dup2(log, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
}

PeerProcess::~PeerProcess() {
  if (!ended_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int PeerProcess::wait(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!ended_) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      ended_ = true;
      result_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      ended_ = true;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return result_;
}

void PeerProcess::signal(int signal_number) {
  if (!ended_) kill(pid_, signal_number);
}

}  // namespace test_support
