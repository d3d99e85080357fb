#include "sio/channel.h"

#include <cerrno>
#include <fcntl.h>

#include "sio/os.h"
#include "sio/port_table.h"
#include "sio/result.h"

namespace sio {
namespace {

// `drained`: the last read emptied the line (it returned less than asked for).
int read_from(os::Handle handle, std::uint8_t* buf, std::size_t len, int timeout_ms, bool& drained) {
  // Bytes already waiting are taken without a wait first: on a busy line that saves a poll per
  // read. After a read that emptied the line the wait comes first: on a slow line a read at
  // once would find nothing.
  if (!drained) {
    int waiting = os::read_available(handle, reinterpret_cast<char*>(buf), static_cast<int>(len));
    if (waiting > 0) {
      drained = static_cast<std::size_t>(waiting) < len;
      return waiting;
    }
    if (waiting < 0) {
      keep_last_error(errno);
      return SIOFT_WIN32FAIL;
    }
    drained = true;
  }
  // Nothing waiting, or the other end is gone: the wait below tells which.
  int ready = os::wait_readable(handle, timeout_ms);
  if (ready <= 0) {
    if (ready < 0) keep_last_error(errno);
    return ready < 0 ? SIOFT_WIN32FAIL : 0;
  }
  errno = 0;
  int n = os::read_available(handle, reinterpret_cast<char*>(buf), static_cast<int>(len));
  // Readable, yet the read ends at once without EAGAIN: the other end is gone (a closed socket
  // or pipe), which would otherwise look like a silent line until a time-out.
  bool ended = n == 0 && len > 0 && errno == 0;
  if (ended) errno = EIO;
  if (n < 0 || ended) {
    keep_last_error(errno);
    return SIOFT_WIN32FAIL;
  }
  drained = static_cast<std::size_t>(n) < len;
  return n;
}

int write_to(os::Handle handle, const std::uint8_t* buf, std::size_t len) {
  int n = os::write_all(handle, reinterpret_cast<const char*>(buf), static_cast<int>(len),
                        kTransferWriteTimeoutMs);
  if (n == SIO_WRITETIMEOUT) return SIOFT_TIMEOUT;
  if (n < 0) {
    keep_last_error(errno);
    return SIOFT_WIN32FAIL;
  }
  return 0;
}

int write_some(os::Handle handle, const std::uint8_t* buf, std::size_t len, int timeout_ms) {
  int n = os::write_for(handle, reinterpret_cast<const char*>(buf), static_cast<int>(len), timeout_ms);
  if (n < 0) {
    keep_last_error(errno);
    return SIOFT_WIN32FAIL;
  }
  return n;
}

void make_nonblocking(int fd) {
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

FdChannel::FdChannel(int read_fd, int write_fd)
    : read_fd_(read_fd), write_fd_(write_fd < 0 ? read_fd : write_fd) {
  make_nonblocking(read_fd_);
  make_nonblocking(write_fd_);
}

int FdChannel::read(std::uint8_t* buf, std::size_t len, int timeout_ms) {
  return read_from(read_fd_, buf, len, timeout_ms, drained_);
}

int ByteChannel::write_for(const std::uint8_t* buf, std::size_t len, int) {
  const int w = write(buf, len);
  return w < 0 ? w : static_cast<int>(len);
}

int FdChannel::write(const std::uint8_t* buf, std::size_t len) { return write_to(write_fd_, buf, len); }

int FdChannel::write_for(const std::uint8_t* buf, std::size_t len, int timeout_ms) {
  return write_some(write_fd_, buf, len, timeout_ms);
}

bool FdChannel::loses_unread_on_close() const { return os::is_pty_master(write_fd_); }

int PortChannel::read(std::uint8_t* buf, std::size_t len, int timeout_ms) {
  auto handle = port_handle(port_);
  if (!handle) return SIOFT_BADPORT;
  return read_from(*handle, buf, len, timeout_ms, drained_);
}

int PortChannel::write(const std::uint8_t* buf, std::size_t len) {
  auto handle = port_handle(port_);
  if (!handle) return SIOFT_BADPORT;
  return write_to(*handle, buf, len);
}

int PortChannel::write_for(const std::uint8_t* buf, std::size_t len, int timeout_ms) {
  auto handle = port_handle(port_);
  if (!handle) return SIOFT_BADPORT;
  return write_some(*handle, buf, len, timeout_ms);
}

bool PortChannel::loses_unread_on_close() const {
  auto handle = port_handle(port_);
  return handle && os::is_pty_master(*handle);
}

}  // namespace sio
