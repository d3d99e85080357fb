#include "serial/option_tables.h"

#include "sio/sio.h"

std::array<std::int16_t, 20> BaudCodes{};
std::array<std::int16_t, 5> ParityCodes{};
std::array<std::int16_t, 4> DataBitsCodes{};
std::array<std::int16_t, 2> StopBitsCodes{};

void InitOptionTables() {
  for (std::size_t i = 0; i < BaudCodes.size(); ++i) BaudCodes[i] = static_cast<std::int16_t>(i);
  ParityCodes = {SIO_PARITY_NONE, SIO_PARITY_EVEN, SIO_PARITY_ODD, SIO_PARITY_MARK, SIO_PARITY_SPACE};
  DataBitsCodes = {SIO_BIT_5, SIO_BIT_6, SIO_BIT_7, SIO_BIT_8};
  StopBitsCodes = {SIO_STOP_1, SIO_STOP_2};
}
