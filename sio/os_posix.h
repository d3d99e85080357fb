// Pieces of the POSIX port layer that tests inspect directly.
#pragma once

#include <functional>
#include <termios.h>

#include "sio/os.h"

namespace sio::os {

// The terminal settings for a line mode, computed from `base`. A pty forces 8 data bits and
// no parity on what it stores, so tests check these bits here.
termios with_line_mode(const termios& base, const LineMode& mode);

// The termios speed constant for a standard speed, or 0 when there is none (7200 bit/s).
speed_t speed_constant(long baud);

// Speeds without a termios constant go through the kernel's arbitrary-speed interface, which
// also tells the speeds a driver really set (it may round them or fall back to another).
int set_custom_speed(Handle handle, long baud);
int get_speeds(Handle handle, long& input, long& output);

// The settings a device holds.
struct LineSettings {
  long input_speed = 0;
  long output_speed = 0;
  LineMode mode;
  bool hardware_flow = false;
  bool software_flow = false;
  // Data bits and parity mean something: not on a pty, which carries whole bytes whatever it
  // is told (and keeps 8 bits without parity).
  bool framed = true;
};
int read_line_settings(Handle handle, LineSettings& settings);

// How settings are read back after applying them. A pty takes nearly everything a serial
// driver may refuse, so a test puts a device that drops a setting in its place.
extern std::function<int(Handle, LineSettings&)> read_back_settings;

}  // namespace sio::os
