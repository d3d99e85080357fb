#include "tests/e365sim/sim_process.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/pty_pair.h"

extern char** environ;

namespace e365sim_test {

using Clock = std::chrono::steady_clock;

std::string simulator_path() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) throw std::runtime_error("cannot find the test program");
  std::string exe(path, static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/')) + "/e365sim";
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::string program = simulator_path();
  std::vector<char*> argv{program.data()};
  std::vector<std::string> copies(args);
  for (auto& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    throw std::runtime_error("cannot start " + program);
  }
  std::string line = read_until(out[0], {"\n"}, 10000);
  close(out[0]);
  if (line.ends_with("\n")) device_ = line.substr(0, line.size() - 1);
}

SimProcess::~SimProcess() {
  if (stop(SIGTERM) == -1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int SimProcess::stop(int signal_number, int timeout_ms) {
  if (pid_ < 0 || status_ != -1) return status_;
  if (signal_number != 0) kill(pid_, signal_number);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return status_;
    }
    if (Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

PhoneClient::PhoneClient(const std::string& device, speed_t speed) {
  fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot open " + device);
  termios tio{};
  tcgetattr(fd_, &tio);
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  cfsetspeed(&tio, speed);
  tcsetattr(fd_, TCSANOW, &tio);
}

PhoneClient::~PhoneClient() {
  if (fd_ >= 0) close(fd_);
}

std::string PhoneClient::command(const std::string& line, int timeout_ms) {
  test_support::write_all(fd_, line + "\r");
  return read_until(fd_, {"\r\nOK\r\n", "\r\nERROR\r\n"}, timeout_ms);
}

std::string read_until(int fd, const std::vector<std::string>& ends, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string got;
  auto ended = [&] {
    for (const auto& end : ends)
      if (got.ends_with(end)) return true;
    return false;
  };
  while (!ended()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    std::string more = test_support::read_for(fd, 1, static_cast<int>(left));
    if (more.empty()) break;
    got += more;
  }
  return got;
}

}  // namespace e365sim_test
