#include "tools/e365sim/sim_process.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

#include "tools/testbed/pty_pair.h"

namespace e365sim_client {

using Clock = std::chrono::steady_clock;

std::string simulator_path() { return std::filesystem::read_symlink("/proc/self/exe").replace_filename("e365sim"); }

SimProcess::SimProcess(const std::vector<std::string>& args) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> argv{simulator_path()};
  argv.insert(argv.end(), args.begin(), args.end());
  child_ = std::make_unique<testbed::ChildProcess>(argv, out[1]);
  close(out[1]);
  std::string line = read_until(out[0], {"\n"}, 10000);
  close(out[0]);
  if (line.ends_with("\n")) device_ = line.substr(0, line.size() - 1);
}

int SimProcess::stop(int signal_number, int timeout_ms) {
  if (signal_number != 0) child_->signal(signal_number);
  return child_->wait(timeout_ms);
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
  testbed::write_all(fd_, line + "\r");
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
    std::string more = testbed::read_for(fd, 1, static_cast<int>(left));
    if (more.empty()) break;
    got += more;
  }
  return got;
}

}  // namespace e365sim_client
