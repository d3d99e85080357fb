#include "tests/kermit/peer_process.h"

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace kermit_test {

PeerProcess::PeerProcess(const std::vector<std::string>& argv, const std::string& folder,
                         const std::string& stdio_device)
    : fd_(open_stdio(stdio_device)), child_(argv, fd_, folder) {}

PeerProcess::~PeerProcess() { close(fd_); }

int PeerProcess::open_stdio(const std::string& device) {
  int fd = open(device.empty() ? "/dev/null" : device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + device);
  return fd;
}

std::vector<std::string> gkermit_send(const std::string& file) { return {"gkermit", "-q", "-i", "-P", "-s", file}; }
std::vector<std::string> gkermit_receive() { return {"gkermit", "-q", "-i", "-P", "-r"}; }

namespace {
const char* kCkermitSetup = "set carrier-watch off, set file names literal, set receive pathnames off";
}

std::vector<std::string> ckermit_send(const std::string& device, const std::string& file) {
  return {"kermit", "-Y", "-q", "-i", "-l", device, "-b", "57600", "-C", kCkermitSetup, "-s", file};
}
std::vector<std::string> ckermit_receive(const std::string& device) {
  return {"kermit", "-Y", "-q", "-i", "-l", device, "-b", "57600", "-C", kCkermitSetup, "-r"};
}

}  // namespace kermit_test
