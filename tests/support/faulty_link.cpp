#include "tests/support/faulty_link.h"

#include <chrono>
#include <poll.h>
#include <random>
#include <string>
#include <unistd.h>

#include "tests/support/pty_pair.h"

namespace test_support {

FaultyLink::FaultyLink(int a, int b, LinkDamage damage) : a_(a), b_(b), damage_(damage) {
  thread_ = std::thread([this] { run(); });
}

FaultyLink::~FaultyLink() {
  stop_ = true;
  thread_.join();
}

void FaultyLink::run() {
  std::mt19937 random(damage_.seed);
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  std::uniform_int_distribution<int> bit(0, 7);
  while (!stop_) {
    pollfd fds[2] = {{a_, POLLIN, 0}, {b_, POLLIN, 0}};
    if (poll(fds, 2, 20) <= 0) continue;
    if (!((fds[0].revents | fds[1].revents) & POLLIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));  // a side hung up: wait for stop
      continue;
    }
    for (int side = 0; side < 2; ++side) {
      if (!(fds[side].revents & POLLIN)) continue;
      char buf[4096];
      ssize_t n = read(fds[side].fd, buf, sizeof buf);
      if (n <= 0) continue;
      bool damaging = side == 0 ? damage_.forward : damage_.backward;
      std::string out;
      for (ssize_t i = 0; i < n; ++i) {
        char byte = buf[i];
        if (damaging && chance(random) < damage_.drop_rate) {
          ++dropped_;
          continue;
        }
        if (damaging && chance(random) < damage_.flip_rate) {
          byte = static_cast<char>(byte ^ (1 << bit(random)));
          ++flipped_;
        }
        out.push_back(byte);
      }
      write_all(side == 0 ? b_ : a_, out);
    }
  }
}

}  // namespace test_support
