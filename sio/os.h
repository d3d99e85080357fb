// The operating-system side of the port operations. One implementation file per platform
// (os_posix*.cpp here); everything above it is portable.
#pragma once

#include <cstdint>
#include <string>

namespace sio::os {

using Handle = int;

struct LineMode {
  int data_bits = 8;     // 5-8
  int stop_bits = 1;     // 1 or 2
  char parity = 'N';     // N, O, E, M (mark), S (space)
};

enum class ModemLine { DTR, RTS };

// Each call returns 0 (or a count) on success, or a negative SIO_ result; on SIO_WIN32FAIL
// errno holds the system error number.

// Opens a terminal device in raw mode for us alone: SIO_ACCESSDENIED when the user may not,
// SIO_OPENFAIL when it is missing (errno ENODEV for a serial port without hardware) or another
// program holds it (EBUSY).
int open_exclusive(const std::string& path, Handle& handle);
// Never waits for the line: output still pending is discarded first.
void close(Handle handle);
// Settings that the device did not take (read back after applying) give their SIO_..REFUSED.
int set_line(Handle handle, long baud, const LineMode& mode);
int set_flow(Handle handle, bool hardware, bool software);
int set_modem_line(Handle handle, ModemLine line, bool raise);
long get_speed(Handle handle);
int read_available(Handle handle, char* buf, int len);
// System errors after which the device is gone for good (unplugged, hung up, pty peer closed).
bool is_gone(int error);
// True when the device has hung up: a read that returned nothing then means the end.
bool hung_up(Handle handle);
// Writes everything within timeout_ms (negative: no limit); SIO_WRITETIMEOUT when it cannot.
int write_all(Handle handle, const char* buf, int len, int timeout_ms);
// Writes until everything is out or timeout_ms has passed (0: only what the line takes at
// once; negative: no limit): the count written.
int write_for(Handle handle, const char* buf, int len, int timeout_ms);
// True for the controlling side of a pseudo-terminal: closing it hangs the other side up, and
// bytes that side has not read yet are lost.
bool is_pty_master(Handle handle);
// 1 when bytes wait, 0 after timeout_ms without, negative on error.
int wait_readable(Handle handle, int timeout_ms);
// Identifies the device behind a handle, so two port numbers that reach one device are seen as one.
std::uint64_t device_id(Handle handle);

}  // namespace sio::os
