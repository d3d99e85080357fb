#include "tests/support/scripted_phone.h"

#include <poll.h>
#include <unistd.h>

#include "tests/support/pty_pair.h"

namespace test_support {

ScriptedPhone::ScriptedPhone(int fd) : fd_(fd) {
  reply("ATZ", Ok());
  reply("AT+GMM", "\r\nE365\r\n" + Ok());
  reply("AT+GMR", "\r\nR373_G_0E.41.C3R\r\n" + Ok());
}

void ScriptedPhone::serve() {
  for (;;) {
    pollfd pfd{fd_, POLLIN, 0};
    if (poll(&pfd, 1, 0) <= 0 || !(pfd.revents & POLLIN)) break;
    char buf[4096];
    const ssize_t n = read(fd_, buf, sizeof buf);
    if (n <= 0) break;
    pending_.append(buf, static_cast<std::size_t>(n));
  }
  for (auto cr = pending_.find('\r'); cr != std::string::npos; cr = pending_.find('\r')) {
    const std::string line = pending_.substr(0, cr + 1);
    pending_.erase(0, cr + 1);
    lines_.push_back(line);
    const std::string command = line.substr(0, line.size() - 1);
    const auto known = replies_.find(command);
    if (known == replies_.end())
      write_all(fd_, line + "\r\nERROR\r\n");
    else if (!known->second.empty())
      write_all(fd_, line + known->second);
  }
}

}  // namespace test_support
