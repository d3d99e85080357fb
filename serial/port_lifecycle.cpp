#include "serial/port_lifecycle.h"

#include <cmath>

#include "serial/serial_errors.h"
#include "sio/sio.h"

namespace {

constexpr unsigned long kMinimumWriteTimeoutMs = 100;

// A failed step: its message, with the system error the call left behind.
bool Succeeded(int result) {
  if (result == SIO_OK) return true;
  ShowSerialError(result, sio_last_error());
  return false;
}

}  // namespace

const PortConfigCalls& RealPortConfigCalls() {
  static const PortConfigCalls calls{sio_ioctl, sio_flowctrl,  sio_DTR,
                                     sio_RTS,   sio_getbaud,   sio_SetWriteTimeouts};
  return calls;
}

unsigned long WriteTimeoutFor(long speed) {
  if (speed <= 0) return kMinimumWriteTimeoutMs;
  // Rounded to nearest, halves to even (the default rounding mode).
  long char_time = std::lrint(1000.0 / static_cast<double>(speed));
  if (char_time < 1) char_time = 1;
  const auto timeout = static_cast<unsigned long>(3 * char_time);
  return timeout < kMinimumWriteTimeoutMs ? kMinimumWriteTimeoutMs : timeout;
}

bool ConfigurePort(const PortSettingsRecord& settings, const PortConfigCalls& calls) {
  const int port = settings.Port;
  if (!Succeeded(calls.ioctl(port, settings.BaudCode, LineModeOf(settings)))) return false;
  const int flow = (settings.SwFlow == 1 ? SIO_FLOW_XON_XOFF : 0) | (settings.HwFlow == 1 ? SIO_FLOW_RTS_CTS : 0);
  if (!Succeeded(calls.flowctrl(port, flow))) return false;
  if (!Succeeded(calls.dtr(port, settings.Dtr))) return false;
  // With RTS/CTS on, the flow control drives RTS.
  if (settings.HwFlow == 0 && !Succeeded(calls.rts(port, settings.Rts))) return false;
  calls.set_write_timeouts(port, WriteTimeoutFor(calls.getbaud(port)));
  return true;
}

bool OpenAndConfigurePort(const PortSettingsRecord& settings) {
  const int opened = sio_open(settings.Port);
  if (opened != SIO_OK) {
    ShowSerialError(opened, sio_last_error());
    sio_close(settings.Port);
    return false;
  }
  if (!ConfigurePort(settings)) {
    sio_close(settings.Port);
    return false;
  }
  return true;
}
