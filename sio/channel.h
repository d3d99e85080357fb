// The byte channel every protocol runs over: a port of ours, any file descriptor, or a test's pipe.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace sio {

// A transfer's write may wait for a slow line or flow control, but not forever.
constexpr int kTransferWriteTimeoutMs = 30000;

// Tells a line that has stopped taking our output (flow control held for good) from a slow one:
// stuck once it has taken nothing for `limit` (kTransferWriteTimeoutMs) while output waited.
class StallWatch {
 public:
  explicit StallWatch(std::chrono::milliseconds limit = std::chrono::milliseconds(kTransferWriteTimeoutMs))
      : limit_(limit) {
    restart();
  }
  // Output waits again after the line had taken all: the clock starts now, not at the last write.
  void restart() { moved_at_ = std::chrono::steady_clock::now(); }
  // After a write that took `written` bytes: false when the line is stuck.
  bool note(int written) {
    const auto now = std::chrono::steady_clock::now();
    if (written > 0) moved_at_ = now;
    return now - moved_at_ < limit_;
  }

 private:
  std::chrono::milliseconds limit_;
  std::chrono::steady_clock::time_point moved_at_;
};

class ByteChannel {
 public:
  virtual ~ByteChannel() = default;
  // Waits up to timeout_ms for bytes and returns how many were read (at most len), 0 when none
  // came in time, or a negative SIOFT_ result (-1 when the port was closed meanwhile).
  virtual int read(std::uint8_t* buf, std::size_t len, int timeout_ms) = 0;
  // Writes every byte; 0 on success or a negative SIOFT_ result.
  virtual int write(const std::uint8_t* buf, std::size_t len) = 0;
  // Writes what the line takes within timeout_ms (0: what it takes at once): the count written,
  // which may be less than len, or a negative SIOFT_ result. Lets a protocol keep answering and
  // reporting while a slow line drains; a channel without it writes everything.
  virtual int write_for(const std::uint8_t* buf, std::size_t len, int timeout_ms);
  // True when bytes written but not yet read by the other end are lost if the caller closes
  // the channel right away (the controlling side of a pseudo-terminal).
  virtual bool loses_unread_on_close() const { return false; }
};

// Over a file descriptor that the caller owns (a tty, a pty, a socket or a pipe pair).
class FdChannel : public ByteChannel {
 public:
  explicit FdChannel(int read_fd, int write_fd = -1);
  int read(std::uint8_t* buf, std::size_t len, int timeout_ms) override;
  int write(const std::uint8_t* buf, std::size_t len) override;
  int write_for(const std::uint8_t* buf, std::size_t len, int timeout_ms) override;
  bool loses_unread_on_close() const override;

 private:
  int read_fd_;
  int write_fd_;
  bool drained_ = false;  // the last read emptied the line
};

// Over a port opened with sio_open. Looks the port up at every call, so a port closed from a
// progress callback ends the transfer with -1 instead of touching a stale handle.
class PortChannel : public ByteChannel {
 public:
  explicit PortChannel(int port) : port_(port) {}
  int read(std::uint8_t* buf, std::size_t len, int timeout_ms) override;
  int write(const std::uint8_t* buf, std::size_t len) override;
  int write_for(const std::uint8_t* buf, std::size_t len, int timeout_ms) override;
  bool loses_unread_on_close() const override;

 private:
  int port_;
  bool drained_ = false;  // the last read emptied the line
};

}  // namespace sio
