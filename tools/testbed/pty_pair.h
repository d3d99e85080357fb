// A pseudo-terminal pair for tests: `peer` is the side the test plays, `device` the path a
// port or a tool opens.
#pragma once

#include <string>
#include <termios.h>

namespace testbed {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int peer() const { return master_; }
  const std::string& device() const { return device_; }
  // Keeps the device side open too, so the peer never sees a hang-up while nobody holds it.
  int device_fd() const { return slave_; }
  // The line settings of the device as a port left them (read back through the device side).
  termios device_settings() const;
  // Closes our descriptor of the device side once a child process holds its own, so that the
  // peer side sees a hang-up when the child ends.
  void close_device();
  // Closes the side the test plays: the device sees its other end gone.
  void close_peer();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string device_;
};

// Reads from fd until `want` bytes arrived or timeout_ms passed; returns what arrived.
std::string read_for(int fd, std::size_t want, int timeout_ms);
// Writes everything to fd (gives up when fd fails for good, such as a hung-up line).
void write_all(int fd, const std::string& bytes);

}  // namespace testbed
