#include "sio/os_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "sio/sio.h"

namespace sio::os {
namespace {

struct SpeedEntry {
  long baud;
  speed_t constant;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},       {75, B75},       {110, B110},       {134, B134},       {150, B150},
    {300, B300},     {600, B600},     {1200, B1200},     {1800, B1800},     {2400, B2400},
    {4800, B4800},   {9600, B9600},   {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool is_missing_or_busy(int error) {
  return error == ENOENT || error == ENODEV || error == ENXIO || error == EBUSY ||
         error == EACCES || error == EPERM || error == ENOTTY || error == EWOULDBLOCK ||
         error == ENOTDIR || error == ELOOP;
}

// A pseudo-terminal slave (major numbers 136-143) stores 8 data bits without parity, and some
// kernels refuse a request for anything else.
bool is_pseudo_terminal(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  unsigned major_number = major(st.st_rdev);
  return major_number >= 136 && major_number <= 143;
}

// Devices without modem lines (a pty) refuse the modem ioctls with one of these.
bool has_no_modem_lines(int error) { return error == ENOTTY || error == EINVAL || error == EIO; }

}  // namespace

speed_t speed_constant(long baud) {
  for (const auto& entry : kSpeeds)
    if (entry.baud == baud) return entry.constant;
  return 0;
}

termios with_line_mode(const termios& base, const LineMode& mode) {
  termios tio = base;
  tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
  switch (mode.data_bits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
  }
  if (mode.stop_bits == 2) tio.c_cflag |= CSTOPB;
  switch (mode.parity) {
    case 'O': tio.c_cflag |= PARENB | PARODD; break;
    case 'E': tio.c_cflag |= PARENB; break;
    case 'M': tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 'S': tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  // Received parity errors are not marked in the data; the byte stream stays as it arrived.
  tio.c_iflag &= ~(INPCK | PARMRK);
  return tio;
}

int open_exclusive(const std::string& path, Handle& handle) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return is_missing_or_busy(errno) ? SIO_OPENFAIL : SIO_WIN32FAIL;
  if (!isatty(fd)) {
    ::close(fd);
    errno = ENOTTY;
    return SIO_OPENFAIL;
  }
  // TIOCEXCL keeps other programs out (root passes it), the lock keeps out those that lock too.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    int error = errno;
    ::close(fd);
    errno = error;
    return is_missing_or_busy(error) ? SIO_OPENFAIL : SIO_WIN32FAIL;
  }
  termios tio;
  if (tcgetattr(fd, &tio) != 0) {
    int error = errno;
    ::close(fd);
    errno = error;
    return SIO_WIN32FAIL;
  }
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    int error = errno;
    ::close(fd);
    errno = error;
    return SIO_WIN32FAIL;
  }
  handle = fd;
  return SIO_OK;
}

void close(Handle handle) {
  ioctl(handle, TIOCNXCL);
  ::close(handle);
}

int set_line(Handle handle, long baud, const LineMode& mode) {
  termios tio;
  if (tcgetattr(handle, &tio) != 0) return SIO_WIN32FAIL;
  tio = with_line_mode(tio, mode);
  speed_t constant = speed_constant(baud);
  if (constant != 0) {
    cfsetispeed(&tio, constant);
    cfsetospeed(&tio, constant);
  }
  if (tcsetattr(handle, TCSANOW, &tio) != 0) {
    if (errno != EINVAL || !is_pseudo_terminal(handle)) return SIO_WIN32FAIL;
    const tcflag_t fixed = CSIZE | PARENB | PARODD | CMSPAR;
    termios current;
    if (tcgetattr(handle, &current) != 0) return SIO_WIN32FAIL;
    tio.c_cflag = (tio.c_cflag & ~fixed) | (current.c_cflag & fixed);
    if (tcsetattr(handle, TCSANOW, &tio) != 0) return SIO_WIN32FAIL;
  }
  if (constant == 0 && set_custom_speed(handle, baud) != 0) return SIO_WIN32FAIL;
  return SIO_OK;
}

int set_flow(Handle handle, bool hardware, bool software) {
  termios tio;
  if (tcgetattr(handle, &tio) != 0) return SIO_WIN32FAIL;
  tio.c_cflag &= ~CRTSCTS;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (hardware) tio.c_cflag |= CRTSCTS;
  if (software) {
    tio.c_iflag |= IXON | IXOFF;
    tio.c_cc[VSTART] = 0x11;
    tio.c_cc[VSTOP] = 0x13;
  }
  return tcsetattr(handle, TCSANOW, &tio) == 0 ? SIO_OK : SIO_WIN32FAIL;
}

int set_modem_line(Handle handle, ModemLine line, bool raise) {
  int bits = line == ModemLine::DTR ? TIOCM_DTR : TIOCM_RTS;
  if (ioctl(handle, raise ? TIOCMBIS : TIOCMBIC, &bits) == 0) return SIO_OK;
  return has_no_modem_lines(errno) ? SIO_OK : SIO_WIN32FAIL;
}

long get_speed(Handle handle) {
  termios tio;
  if (tcgetattr(handle, &tio) != 0) return SIO_WIN32FAIL;
  speed_t constant = cfgetospeed(&tio);
  for (const auto& entry : kSpeeds)
    if (entry.constant == constant) return entry.baud;
  return get_custom_speed(handle);
}

int read_available(Handle handle, char* buf, int len) {
  if (len <= 0) return 0;
  for (;;) {
    ssize_t n = ::read(handle, buf, static_cast<size_t>(len));
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return SIO_WIN32FAIL;
  }
}

bool is_pty_master(Handle handle) {
  unsigned int number = 0;
  return ioctl(handle, TIOCGPTN, &number) == 0;
}

int wait_readable(Handle handle, int timeout_ms) {
  pollfd pfd{handle, POLLIN, 0};
  for (;;) {
    int ready = poll(&pfd, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return SIO_WIN32FAIL;
    if (ready == 0) return 0;
    if (pfd.revents & POLLIN) return 1;
    // A hung-up peer: report it as a failure rather than spinning on an empty line.
    errno = EIO;
    return SIO_WIN32FAIL;
  }
}

std::uint64_t device_id(Handle handle) {
  struct stat st;
  if (fstat(handle, &st) != 0) return 0;
  return static_cast<std::uint64_t>(st.st_rdev);
}

}  // namespace sio::os
