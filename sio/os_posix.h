// Pieces of the POSIX port layer that tests inspect directly.
#pragma once

#include <termios.h>

#include "sio/os.h"

namespace sio::os {

// The terminal settings for a line mode, computed from `base`. A pty forces 8 data bits and
// no parity on what it stores, so tests check these bits here.
termios with_line_mode(const termios& base, const LineMode& mode);

// The termios speed constant for a standard speed, or 0 when there is none (7200 bit/s).
speed_t speed_constant(long baud);

// Speeds without a termios constant go through the kernel's arbitrary-speed interface.
int set_custom_speed(Handle handle, long baud);
long get_custom_speed(Handle handle);

}  // namespace sio::os
