// Opening and configuring the port that PortSettings names, and closing it.
#pragma once

#include <functional>

#include "serial/port_settings.h"

// The port operations that configuring makes, as a table: tests wrap the real ones to watch
// their order or to make one fail.
struct PortConfigCalls {
  std::function<int(int port, int baud, int mode)> ioctl;
  std::function<int(int port, int mode)> flowctrl;
  std::function<int(int port, int mode)> dtr;
  std::function<int(int port, int mode)> rts;
  std::function<long(int port)> getbaud;
  std::function<int(int port, unsigned long timeout_ms)> set_write_timeouts;
};

const PortConfigCalls& RealPortConfigCalls();

// The write time-out for a line speed: three character times in ms, at least 100 ms. A speed
// of 0 or less (the port could not tell it) also gives 100 ms.
unsigned long WriteTimeoutFor(long speed);

// Applies the line mode, the flow control, DTR, RTS (unless RTS/CTS holds it) and the write
// time-out to the open port, in this order. The first failing step shows its message and
// returns false, leaving the earlier steps applied.
bool ConfigurePort(const PortSettingsRecord& settings,
                   const PortConfigCalls& calls = RealPortConfigCalls());

// Opens and configures the port; on failure shows the message, closes it again and returns false.
bool OpenAndConfigurePort(const PortSettingsRecord& settings);
