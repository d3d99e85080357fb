#include "tests/kermit/peer_process.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kermit_test {

PeerProcess::PeerProcess(const std::vector<std::string>& argv, const std::string& folder,
                         const std::string& stdio_device) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    int null = open("/dev/null", O_RDWR);
    int io = stdio_device.empty() ? null : open(stdio_device.c_str(), O_RDWR | O_NOCTTY);
    if (io < 0) _exit(126);
    dup2(io, 0);
    dup2(io, 1);
    dup2(null, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
}

PeerProcess::~PeerProcess() {
  if (pid_ > 0) wait(0);
}

int PeerProcess::wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> gkermit_send(const std::string& file) { return {"gkermit", "-q", "-i", "-P", "-s", file}; }
std::vector<std::string> gkermit_receive() { return {"gkermit", "-q", "-i", "-P", "-r"}; }

namespace {
const std::string kCkermitSetup = "set carrier-watch off, set file names literal, set receive pathnames off";
}

std::vector<std::string> ckermit_send(const std::string& device, const std::string& file) {
  return {"kermit", "-Y", "-q", "-i", "-l", device, "-b", "57600", "-C", kCkermitSetup, "-s", file};
}
std::vector<std::string> ckermit_receive(const std::string& device, const std::string& more_settings) {
  const std::string setup = more_settings.empty() ? kCkermitSetup : kCkermitSetup + ", " + more_settings;
  return {"kermit", "-Y", "-q", "-i", "-l", device, "-b", "57600", "-C", setup, "-r"};
}

}  // namespace kermit_test
