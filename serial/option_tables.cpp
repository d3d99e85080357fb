#include "serial/option_tables.h"

std::array<std::int16_t, 20> BaudCodes{};
std::array<std::int16_t, 5> ParityCodes{};
std::array<std::int16_t, 4> DataBitsCodes{};
std::array<std::int16_t, 2> StopBitsCodes{};

void InitOptionTables() {
  for (std::size_t i = 0; i < BaudCodes.size(); ++i) BaudCodes[i] = static_cast<std::int16_t>(i);
  ParityCodes = {0, 24, 8, 40, 56};
  DataBitsCodes = {0, 1, 2, 3};
  StopBitsCodes = {0, 4};
}
