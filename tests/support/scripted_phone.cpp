#include "tests/support/scripted_phone.h"

#include <map>
#include <poll.h>
#include <unistd.h>

#include "tools/testbed/pty_pair.h"

namespace test_support {

void ScriptedPhone::serve() {
  static const std::map<std::string, std::string> kReplies = {
      {"ATZ", ""}, {"AT+GMM", "\r\nE365\r\n"}, {"AT+GMR", "\r\nR373_G_0E.41.C3R\r\n"}};
  for (pollfd pfd{fd_, POLLIN, 0}; poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN);) {
    char buf[4096];
    const ssize_t n = read(fd_, buf, sizeof buf);
    if (n <= 0) break;
    pending_.append(buf, static_cast<std::size_t>(n));
  }
  for (auto cr = pending_.find('\r'); cr != std::string::npos; cr = pending_.find('\r')) {
    lines_.push_back(pending_.substr(0, cr + 1));
    pending_.erase(0, cr + 1);
    const auto known = kReplies.find(lines_.back().substr(0, cr));
    testbed::write_all(fd_, lines_.back() + (known == kReplies.end() ? "\r\nERROR\r\n" : known->second + "\r\nOK\r\n"));
  }
}

}  // namespace test_support
