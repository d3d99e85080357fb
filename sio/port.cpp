// The port operations: a table of open ports over the platform's calls in os_*.cpp.
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/lock_file.h"
#include "sio/port_table.h"
#include "sio/program_folder.h"
#include "sio/sio.h"

namespace sio {
namespace {

struct OpenPort {
  bool open = false;
  os::Handle handle = -1;
  bool hardware_flow = false;
  int write_timeout_ms = -1;
  std::string lock_file;  // empty when the system has no lock folder for us
  pid_t opened_by = 0;    // a forked child's copy is not the child's to release
};

constexpr long kBaudRates[] = {50,   75,   110,   134,   150,   300,   600,    1200,   1800,   2400,
                               4800, 7200, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

std::recursive_mutex table_mutex;
std::array<OpenPort, kMaxPort + 1> table;
std::array<std::string, kMaxPort + 1> bound_devices;
thread_local int last_error = 0;

bool valid_number(int port) { return port >= 1 && port <= kMaxPort; }

OpenPort* find_open(int port) {
  if (!valid_number(port) || !table[port].open) return nullptr;
  return &table[port];
}

// Negative results of the platform layer that come with an errno keep it for the caller; the
// errors of a vanished device become SIO_GONE.
int with_error(int result) {
  if (result != SIO_WIN32FAIL) return result;
  keep_last_error(errno);
  return os::is_gone(errno) ? SIO_GONE : result;
}

void release(OpenPort& port) {
  if (port.opened_by == getpid()) {
    os::close(port.handle);
    os::release_lock_file(port.lock_file);
  } else {
    ::close(port.handle);
  }
  port = OpenPort{};
}

// A normal exit releases our ports, so no lock file of ours is left behind.
void release_all() {
  std::lock_guard lock(table_mutex);
  for (auto& port : table)
    if (port.open) release(port);
}

// The device itself, with the links to it (COMn, /dev/serial/by-id/...) followed.
std::string device_path(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool decode_mode(int mode, os::LineMode& line) {
  if (mode & ~0x3F) return false;
  line.data_bits = 5 + (mode & SIO_BIT_8);
  line.stop_bits = (mode & SIO_STOP_2) ? 2 : 1;
  switch (mode & 0x38) {
    case SIO_PARITY_NONE: line.parity = 'N'; break;
    case SIO_PARITY_ODD: line.parity = 'O'; break;
    case SIO_PARITY_EVEN: line.parity = 'E'; break;
    case SIO_PARITY_MARK: line.parity = 'M'; break;
    case SIO_PARITY_SPACE: line.parity = 'S'; break;
    default: return false;
  }
  return true;
}

}  // namespace

std::string resolve_port_path(int port) {
  {
    std::lock_guard lock(table_mutex);
    if (valid_number(port) && !bound_devices[port].empty()) return bound_devices[port];
  }
  std::string link = program_folder() + "/COM" + std::to_string(port);
  struct stat st;
  if (lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return link;
  return "/dev/ttyS" + std::to_string(port - 1);
}

void bind_port_device(int port, const std::string& device) {
  std::lock_guard lock(table_mutex);
  if (valid_number(port)) bound_devices[port] = device;
}

std::optional<os::Handle> port_handle(int port) {
  std::lock_guard lock(table_mutex);
  if (OpenPort* p = find_open(port)) return p->handle;
  return std::nullopt;
}

void keep_last_error(int error_number) { last_error = error_number; }

}  // namespace sio

using namespace sio;

int sio_open(int port) {
  if (!valid_number(port)) return SIO_BADPORT;
  std::lock_guard lock(table_mutex);
  // A second open of our own port keeps the one handle, unless its device has vanished.
  if (table[port].open && !os::hung_up(table[port].handle)) return SIO_OK;
  if (table[port].open) release(table[port]);
  // Every refusal comes before the device is touched: its settings may be another program's.
  const std::string device = device_path(resolve_port_path(port));
  struct stat st;
  if (stat(device.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
    for (const auto& other : table) {
      if (other.open && os::device_id(other.handle) == st.st_rdev) {
        keep_last_error(EBUSY);
        return SIO_OPENFAIL;
      }
    }
  }
  std::string lock_file;
  if (os::take_lock_file(os::lock_folder(), device, lock_file) != SIO_OK) {
    keep_last_error(errno);
    return SIO_OPENFAIL;
  }
  os::Handle handle;
  const int result = os::open_exclusive(device, handle);
  if (result != SIO_OK) {
    keep_last_error(errno);
    os::release_lock_file(lock_file);
    return result;
  }
  static const bool released_at_exit = std::atexit(release_all) == 0;
  (void)released_at_exit;
  table[port] = OpenPort{true, handle, false, -1, lock_file, getpid()};
  return SIO_OK;
}

int sio_close(int port) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  release(*p);
  return SIO_OK;
}

int sio_ioctl(int port, int baud, int mode) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  os::LineMode line;
  if (baud < 0 || baud >= static_cast<int>(std::size(kBaudRates)) || !decode_mode(mode, line))
    return SIO_BADPARM;
  return with_error(os::set_line(p->handle, kBaudRates[baud], line));
}

int sio_flowctrl(int port, int mode) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  if (mode != 0 && mode != 3 && mode != 12 && mode != 15) return SIO_BADPARM;
  const bool hardware = (mode & SIO_FLOW_RTS_CTS) != 0;
  int result = with_error(os::set_flow(p->handle, hardware, (mode & SIO_FLOW_XON_XOFF) != 0));
  if (result == SIO_OK) p->hardware_flow = hardware;
  return result;
}

int sio_DTR(int port, int mode) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  if (mode != 0 && mode != 1) return SIO_BADPARM;
  return with_error(os::set_modem_line(p->handle, os::ModemLine::DTR, mode == 1));
}

int sio_RTS(int port, int mode) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  if (mode != 0 && mode != 1) return SIO_BADPARM;
  if (p->hardware_flow) return SIO_OUTCONTROL;
  return with_error(os::set_modem_line(p->handle, os::ModemLine::RTS, mode == 1));
}

long sio_getbaud(int port) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  long speed = os::get_speed(p->handle);
  return speed < 0 ? with_error(SIO_WIN32FAIL) : speed;
}

int sio_SetWriteTimeouts(int port, unsigned long timeout_ms) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  p->write_timeout_ms = timeout_ms > 0x7FFFFFFFUL ? 0x7FFFFFFF : static_cast<int>(timeout_ms);
  return SIO_OK;
}

int sio_read(int port, char* buf, int len) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  if (!buf || len < 0) return SIO_BADPARM;
  const int n = os::read_available(p->handle, buf, len);
  // A terminal reads nothing both when the line is quiet and after a hang-up.
  if (n == 0 && len > 0 && os::hung_up(p->handle)) {
    keep_last_error(EIO);
    return SIO_GONE;
  }
  return with_error(n);
}

int sio_write(int port, const char* buf, int len) {
  std::lock_guard lock(table_mutex);
  OpenPort* p = find_open(port);
  if (!p) return SIO_BADPORT;
  if ((!buf && len > 0) || len < 0) return SIO_BADPARM;
  return with_error(os::write_all(p->handle, buf, len, p->write_timeout_ms));
}

int sio_last_error() { return last_error; }

const char* sio_error_text(int error_number) {
  thread_local char text[256];
  text[0] = '\0';
  // The GNU strerror_r returns its text, which may not be the buffer.
  const char* message = strerror_r(error_number, text, sizeof text);
  if (!message || std::strncmp(message, "Unknown error", 13) == 0) return "";
  return message;
}

const char* sio_port_group(int port) {
  thread_local std::string name;
  name.clear();
  struct stat st;
  if (valid_number(port) && stat(resolve_port_path(port).c_str(), &st) == 0)
    if (const group* owner = getgrgid(st.st_gid)) name = owner->gr_name;
  return name.c_str();
}
