// The phone's side of a pty for the window's tests: it echoes each command line (ended by CR)
// and writes the reply given for it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace test_support {

class ScriptedPhone {
 public:
  // Starts as an E365 that answers "ATZ", "AT+GMM" and "AT+GMR".
  explicit ScriptedPhone(int fd);

  static std::string Ok() { return "\r\nOK\r\n"; }
  // The reply after the echo for a command (given without its CR); a command without one gets
  // "ERROR". An empty reply leaves the command unanswered, echo included.
  void reply(const std::string& command, const std::string& answer) { replies_[command] = answer; }
  void silent(const std::string& command) { replies_[command] = std::string(); }

  // Reads what has arrived without waiting, and answers every complete line.
  void serve();
  // Every line received so far, with its CR.
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  int fd_;
  std::string pending_;
  std::map<std::string, std::string> replies_;
  std::vector<std::string> lines_;
};

}  // namespace test_support
