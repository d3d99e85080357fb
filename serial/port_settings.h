// The one record of serial settings. Every serial call takes its port number from here.
#pragma once

#include <cstdint>

struct PortSettingsRecord {
  std::int32_t Port;
  std::int16_t BaudCode;
  std::int16_t ParityCode;
  std::int16_t DataBitsCode;
  std::int16_t StopBitsCode;
  std::int16_t BaudIndex;
  std::int16_t ParityIndex;
  std::int16_t DataBitsIndex;
  std::int16_t StopBitsIndex;
  std::int16_t HwFlow;
  std::int16_t SwFlow;
  std::int16_t Dtr;
  std::int16_t Rts;

  bool operator==(const PortSettingsRecord&) const = default;
};

// COM5, 57600 bit/s, 8 data bits, no parity, one stop bit, no flow control, DTR and RTS raised.
// BaudIndex starts at 14 while BaudCode is 15: the settings dialog preselects the speed list by
// its own fixed entry, so nothing reads BaudIndex before the dialog's OK writes it.
constexpr PortSettingsRecord kStartupPortSettings{5, 15, 0, 3, 0, 14, 0, 3, 0, 0, 0, 1, 1};

extern PortSettingsRecord PortSettings;

// The line mode for sio_ioctl: data bits OR stop bits OR parity.
inline int LineModeOf(const PortSettingsRecord& settings) {
  return settings.DataBitsCode | settings.StopBitsCode | settings.ParityCode;
}
