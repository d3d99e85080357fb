#include "sio/os_posix.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/serial.h>
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
         error == ENOTTY || error == EWOULDBLOCK || error == ENOTDIR || error == ELOOP;
}

int open_failure(int error) {
  if (error == EACCES || error == EPERM) return SIO_ACCESSDENIED;
  if (error == EWOULDBLOCK) error = EBUSY;  // the advisory lock of another program
  errno = error;
  return is_missing_or_busy(error) ? SIO_OPENFAIL : SIO_WIN32FAIL;
}

// A serial port (ttyS*, major 4) that the kernel lists although no chip answers at its address:
// it opens and takes every setting, and nothing ever crosses it.
bool reports_no_hardware(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || major(st.st_rdev) != 4 || minor(st.st_rdev) < 64) return false;
  serial_struct info{};
  return ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
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
bool has_no_modem_lines(int error) { return error == ENOTTY || error == EINVAL; }

// Within the 2 % by which the kernel itself calls a speed the standard one.
bool speed_taken(long got, long wanted) { return std::labs(got - wanted) * 50 <= wanted; }

// Closes fd keeping the errno of the failure that made us give up on it.
void close_keeping_errno(int fd) {
  const int error = errno;
  ::close(fd);
  errno = error;
}

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
  // Non-blocking for good: neither the open (waiting for carrier) nor the close may wait.
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return open_failure(errno);
  if (!isatty(fd) || reports_no_hardware(fd)) {
    const int error = isatty(fd) ? ENODEV : ENOTTY;
    ::close(fd);
    errno = error;
    return SIO_OPENFAIL;
  }
  // TIOCEXCL keeps other programs out (root passes it), the lock keeps out those that lock too.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    const int result = open_failure(errno);
    close_keeping_errno(fd);
    return result;
  }
  termios tio;
  bool raw = tcgetattr(fd, &tio) == 0;
  if (raw) {
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    raw = tcsetattr(fd, TCSANOW, &tio) == 0;
  }
  if (!raw) {
    close_keeping_errno(fd);
    return is_gone(errno) ? SIO_OPENFAIL : SIO_WIN32FAIL;
  }
  handle = fd;
  return SIO_OK;
}

void close(Handle handle) {
  // Output held back by flow control (CTS low on a three-wire cable, an XOFF received) would
  // keep close() waiting up to the driver's closing time of 30 s: flow control goes off, which
  // also resumes output stopped by XOFF, and whatever is still pending is discarded.
  termios tio;
  if (tcgetattr(handle, &tio) == 0 && ((tio.c_cflag & CRTSCTS) || (tio.c_iflag & IXON))) {
    tio.c_cflag &= ~CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tcsetattr(handle, TCSANOW, &tio);
  }
  // What a pty took is already in the other side's input, not pending: it stays to be read.
  if (!is_pseudo_terminal(handle)) tcflush(handle, TCOFLUSH);
  tcflow(handle, TCOON);
  ioctl(handle, TIOCNXCL);
  ::close(handle);
}

int read_line_settings(Handle handle, LineSettings& settings) {
  termios tio;
  if (tcgetattr(handle, &tio) != 0 || get_speeds(handle, settings.input_speed, settings.output_speed) != 0)
    return SIO_WIN32FAIL;
  switch (tio.c_cflag & CSIZE) {
    case CS5: settings.mode.data_bits = 5; break;
    case CS6: settings.mode.data_bits = 6; break;
    case CS7: settings.mode.data_bits = 7; break;
    default: settings.mode.data_bits = 8; break;
  }
  settings.mode.stop_bits = (tio.c_cflag & CSTOPB) ? 2 : 1;
  const bool odd = tio.c_cflag & PARODD;
  if (!(tio.c_cflag & PARENB))
    settings.mode.parity = 'N';
  else if (tio.c_cflag & CMSPAR)
    settings.mode.parity = odd ? 'M' : 'S';
  else
    settings.mode.parity = odd ? 'O' : 'E';
  settings.hardware_flow = tio.c_cflag & CRTSCTS;
  settings.software_flow = (tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF);
  settings.framed = !is_pseudo_terminal(handle);
  return SIO_OK;
}

std::function<int(Handle, LineSettings&)> read_back_settings = read_line_settings;

int set_line(Handle handle, long baud, const LineMode& mode) {
  termios tio;
  if (tcgetattr(handle, &tio) != 0) return SIO_WIN32FAIL;
  tio = with_line_mode(tio, mode);
  // The input speed follows the output speed; left alone it would keep an earlier custom speed.
  tio.c_cflag &= ~CIBAUD;
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

  LineSettings taken;
  if (read_back_settings(handle, taken) != SIO_OK) return SIO_WIN32FAIL;
  if (!speed_taken(taken.output_speed, baud) || !speed_taken(taken.input_speed, baud)) return SIO_SPEEDREFUSED;
  if (taken.framed && taken.mode.data_bits != mode.data_bits) return SIO_DATABITSREFUSED;
  if (taken.framed && taken.mode.parity != mode.parity) return SIO_PARITYREFUSED;
  if (taken.mode.stop_bits != mode.stop_bits) return SIO_STOPBITSREFUSED;
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
  if (tcsetattr(handle, TCSANOW, &tio) != 0) return SIO_WIN32FAIL;
  LineSettings taken;
  if (read_back_settings(handle, taken) != SIO_OK) return SIO_WIN32FAIL;
  return taken.hardware_flow == hardware && taken.software_flow == software ? SIO_OK : SIO_FLOWREFUSED;
}

int set_modem_line(Handle handle, ModemLine line, bool raise) {
  int bits = line == ModemLine::DTR ? TIOCM_DTR : TIOCM_RTS;
  if (ioctl(handle, raise ? TIOCMBIS : TIOCMBIC, &bits) == 0) return SIO_OK;
  return has_no_modem_lines(errno) ? SIO_OK : SIO_WIN32FAIL;
}

long get_speed(Handle handle) {
  long input = 0, output = 0;
  return get_speeds(handle, input, output) == 0 ? output : long{SIO_WIN32FAIL};
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

bool is_gone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

bool hung_up(Handle handle) {
  pollfd pfd{handle, POLLIN, 0};
  return poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
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
