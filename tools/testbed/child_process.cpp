#include "tools/testbed/child_process.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testbed {

double cpu_seconds(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, int fd, const std::string& cwd,
                           const std::string& stderr_path) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    int err = open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (dup2(fd, 0) < 0 || dup2(fd, 1) < 0 || err < 0 || dup2(err, 2) < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    setsid();
    execvp(args[0], args.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && status_ < 0) {
    kill(pid_, SIGKILL);
    reap(0);
  }
}

bool ChildProcess::reap(int options) {
  int raw = 0;
  rusage usage{};
  if (wait4(pid_, &raw, options, &usage) != pid_) return false;
  status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  cpu_seconds_ = testbed::cpu_seconds(usage);
  return true;
}

void ChildProcess::signal(int sig) {
  if (pid_ > 0 && status_ < 0) kill(pid_, sig);
}

bool ChildProcess::exited() { return status_ >= 0 || reap(WNOHANG); }

int ChildProcess::wait(int timeout_ms) {
  if (status_ >= 0) return status_;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    if (exited()) return status_;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      reap(0);
      status_ = 255;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace testbed
