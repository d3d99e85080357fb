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

namespace {

std::vector<std::string> gkermit(const std::vector<std::string>& options, std::vector<std::string> action) {
  std::vector<std::string> argv = {"gkermit", "-q", "-i", "-P"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.insert(argv.end(), action.begin(), action.end());
  return argv;
}

std::vector<std::string> ckermit(const std::string& device, const std::vector<std::string>& settings,
                                 std::vector<std::string> action) {
  std::string setup = "set carrier-watch off, set file names literal, set receive pathnames off";
  for (const auto& s : settings) setup += ", " + s;
  std::vector<std::string> argv = {"kermit", "-Y", "-q", "-i", "-l", device, "-b", "57600", "-C", setup};
  argv.insert(argv.end(), action.begin(), action.end());
  return argv;
}

}  // namespace

std::vector<std::string> gkermit_send(const std::string& file, const std::vector<std::string>& options) {
  return gkermit(options, {"-s", file});
}
std::vector<std::string> gkermit_receive(const std::vector<std::string>& options) { return gkermit(options, {"-r"}); }

std::vector<std::string> ckermit_send(const std::string& device, const std::string& file,
                                      const std::vector<std::string>& settings) {
  return ckermit(device, settings, {"-s", file});
}
std::vector<std::string> ckermit_receive(const std::string& device, const std::vector<std::string>& settings) {
  return ckermit(device, settings, {"-r"});
}

}  // namespace kermit_test
