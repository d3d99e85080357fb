// The phone's end of the cable: a pseudo-terminal, and a link COMn in a folder that points at
// its device, so that a program there opens it as a COM port. The link goes when this does.
#pragma once

#include <string>

namespace e365sim {

class PtyLink {
 public:
  // Throws std::runtime_error when no pty can be had, or when something other than a link
  // stands at folder/COMn (a link there, stale from an earlier run, is replaced).
  PtyLink(const std::string& folder, int port);
  ~PtyLink();
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  const std::string& device() const { return device_; }
  const std::string& link_path() const { return link_path_; }
  // The phone's side, non-blocking; -1 after a hang-up.
  int fd() const { return master_; }
  // The line speed the other side set on the device, in bit/s; 0 when it cannot be read.
  long line_speed() const;
  // Drops the line: the other side sees a hang-up.
  void hang_up();

 private:
  int master_ = -1;
  int device_fd_ = -1;  // held open for reading the line speed; also keeps the line up between users
  std::string device_;
  std::string link_path_;
};

}  // namespace e365sim
