#include "tools/e365sim/pty_link.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "sio/os.h"

namespace e365sim {
namespace {

std::string link_target(const std::string& path) {
  char target[PATH_MAX];
  ssize_t n = readlink(path.c_str(), target, sizeof target);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

std::runtime_error failure(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

PtyLink::PtyLink(const std::string& folder, int port) : link_path_(folder + "/COM" + std::to_string(port)) {
  struct stat st;
  if (lstat(link_path_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
    throw std::runtime_error(link_path_ + " exists and is not a link; not replacing it");

  // Raw from the start, at the tool's usual speed, until the other side sets its own.
  termios raw{};
  cfmakeraw(&raw);
  raw.c_cflag |= CLOCAL | CREAD;
  cfsetspeed(&raw, B57600);
  char name[PATH_MAX];
  if (openpty(&master_, &device_fd_, name, &raw, nullptr) != 0) throw failure("cannot open a pseudo-terminal");
  device_ = name;
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(device_fd_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

  // Put the link in place in one step, so a reader never finds the name missing.
  std::string temp = link_path_ + ".e365sim-" + std::to_string(getpid());
  unlink(temp.c_str());
  if (symlink(device_.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), link_path_.c_str()) != 0) {
    auto error = failure("cannot make the link " + link_path_);
    unlink(temp.c_str());
    close(master_);
    close(device_fd_);
    throw error;
  }
}

PtyLink::~PtyLink() {
  // Another simulator may have taken the name over meanwhile; its link stays.
  if (link_target(link_path_) == device_) unlink(link_path_.c_str());
  if (master_ >= 0) close(master_);
  close(device_fd_);
}

long PtyLink::line_speed() const {
  long speed = sio::os::get_speed(device_fd_);
  return speed > 0 ? speed : 0;
}

void PtyLink::hang_up() {
  if (master_ < 0) return;
  close(master_);
  master_ = -1;
}

}  // namespace e365sim
