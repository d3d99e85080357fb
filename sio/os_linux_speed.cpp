// Arbitrary line speeds through termios2; kept apart because <asm/termbits.h> clashes with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace sio::os {

using Handle = int;

int set_custom_speed(Handle handle, long baud) {
  struct termios2 tio;
  if (ioctl(handle, TCGETS2, &tio) != 0) return -1;
  tio.c_cflag &= ~CBAUD;
  tio.c_cflag |= BOTHER;
  tio.c_cflag &= ~(CBAUD << IBSHIFT);
  tio.c_cflag |= BOTHER << IBSHIFT;
  tio.c_ispeed = static_cast<speed_t>(baud);
  tio.c_ospeed = static_cast<speed_t>(baud);
  return ioctl(handle, TCSETS2, &tio) == 0 ? 0 : -1;
}

int get_speeds(Handle handle, long& input, long& output) {
  struct termios2 tio;
  if (ioctl(handle, TCGETS2, &tio) != 0) return -1;
  input = static_cast<long>(tio.c_ispeed);
  output = static_cast<long>(tio.c_ospeed);
  return 0;
}

}  // namespace sio::os
