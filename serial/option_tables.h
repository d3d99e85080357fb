// The settings dialog's lists and the codes the serial library expects for each entry.
#pragma once

#include <array>
#include <cstdint>

inline constexpr std::array<const char*, 20> kBaudRateEntries = {
    "50",   "75",   "110",   "134",   "150",   "300",   "600",    "1200",   "1800",   "2400",
    "4800", "7200", "9600",  "19200", "38400", "57600", "115200", "230400", "460800", "921600"};
inline constexpr std::array<const char*, 5> kParityEntries = {"Нет", "Чет", "Нечет", "Маркер", "Пробел"};
inline constexpr std::array<const char*, 4> kDataBitsEntries = {"5", "6", "7", "8"};
inline constexpr std::array<const char*, 2> kStopBitsEntries = {"1", "2"};

extern std::array<std::int16_t, 20> BaudCodes;
extern std::array<std::int16_t, 5> ParityCodes;
extern std::array<std::int16_t, 4> DataBitsCodes;
extern std::array<std::int16_t, 2> StopBitsCodes;

// Fills the four code tables; the main window calls it once at start-up.
void InitOptionTables();
