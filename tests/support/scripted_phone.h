// The phone's side of a pty for the window's tests: an E365 that echoes each command line (ended
// by CR) and answers "ATZ", "AT+GMM" and "AT+GMR", and "ERROR" to anything else.
#pragma once

#include <string>
#include <vector>

namespace test_support {

class ScriptedPhone {
 public:
  explicit ScriptedPhone(int fd) : fd_(fd) {}
  // Reads what has arrived without waiting, and answers every complete line.
  void serve();
  // Every line received so far, with its CR.
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  int fd_;
  std::string pending_;
  std::vector<std::string> lines_;
};

}  // namespace test_support
