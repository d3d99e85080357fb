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

// C-Kermit runs its -C commands after its action options, too late for settings, and its
// RECEIVE command flushes a Send-Init that came early. A command file runs first: the settings
// go in one through bash, no file left behind.
std::vector<std::string> ckermit(const std::string& device, const std::vector<std::string>& settings,
                                 const std::string& action) {
  std::string commands = "set carrier-watch off\nset file names literal\nset receive pathnames off\n";
  for (const auto& s : settings) commands += s + "\n";
  return {"bash", "-c", "exec kermit <(printf %s \"$0\") -Y -q -i -l \"$1\" -b 57600 " + action + " \"${@:2}\"",
          commands, device};
}

}  // namespace

std::vector<std::string> gkermit_send(const std::string& file, const std::vector<std::string>& options) {
  return gkermit(options, {"-s", file});
}
std::vector<std::string> gkermit_receive(const std::vector<std::string>& options) { return gkermit(options, {"-r"}); }

std::vector<std::string> ckermit_send(const std::string& device, const std::string& file,
                                      const std::vector<std::string>& settings) {
  auto argv = ckermit(device, settings, "-s");
  argv.push_back(file);
  return argv;
}
std::vector<std::string> ckermit_receive(const std::string& device, const std::vector<std::string>& settings) {
  return ckermit(device, settings, "-r");
}

}  // namespace kermit_test
