// The port operations over real pseudo-terminals.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <termios.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "sio/channel.h"
#include "sio/os_posix.h"
#include "tests/sio/opened_port.h"
#include "tests/sio/other_program.h"
#include "tests/support/test_bytes.h"

using namespace test_support;
using namespace testbed;

TEST(SioPort, OpensReadsWritesAndCloses) {
  {
    OpenedPort port;
    // A second open of the same number keeps the one handle and the port stays usable.
    EXPECT_EQ(sio_open(kPort), SIO_OK);
    char buf[512];
    EXPECT_EQ(sio_read(kPort, buf, 512), 0);  // nothing waits: at once
    const std::string block = random_bytes(4096, 7);
    ASSERT_EQ(sio_SetWriteTimeouts(kPort, 1000), SIO_OK);
    EXPECT_EQ(sio_write(kPort, block.data(), static_cast<int>(block.size())), 4096);
    EXPECT_EQ(read_for(port.pty.peer(), block.size(), 2000), block);
    write_all(port.pty.peer(), std::string(600, 'z'));
    int total = 0;
    for (int tries = 0; tries < 100 && total < 600; ++tries) {
      const int n = sio_read(kPort, buf, 512);
      ASSERT_GE(n, 0);
      ASSERT_LE(n, 512);
      total += n;
      if (n == 0) usleep(10000);
    }
    EXPECT_EQ(total, 600);
    EXPECT_EQ(sio_close(kPort), SIO_OK);
    EXPECT_EQ(sio_open(kPort), SIO_OK);
    EXPECT_EQ(sio_write(kPort, "x", 1), 1);
    EXPECT_EQ(read_for(port.pty.peer(), 1, 1000), "x");
  }
  // Every operation on a port that is not open, or a number out of range.
  char buf[16];
  for (long result : std::initializer_list<long>{sio_ioctl(kPort, 15, 3), sio_flowctrl(kPort, 0), sio_DTR(kPort, 1), sio_RTS(kPort, 1),
                     sio_getbaud(kPort), sio_SetWriteTimeouts(kPort, 100), sio_read(kPort, buf, 16),
                     sio_write(kPort, "x", 1), sio_close(kPort), sio_read(0, buf, 16), sio_open(0),
                     sio_open(257), sio_open(-3)})
    EXPECT_EQ(result, SIO_BADPORT);

  // A link to nothing, a plain file that is no terminal, and without a link /dev/ttyS<n-1>,
  // which does not exist this high.
  ScopedProgramFolder folder;
  folder.link_port(3, folder.file("missing"));
  write_file(folder.file("plain"), "x");
  folder.link_port(4, folder.file("plain"));
  for (int port : {3, 4, 256}) EXPECT_EQ(sio_open(port), SIO_OPENFAIL) << port;
}

TEST(SioPort, DeviceHeldElsewhereIsBusy) {
  OpenedPort port;
  // Another port number of ours reaching the same device.
  port.folder.link_port(kPort + 1, port.pty.device());
  EXPECT_EQ(sio_open(kPort + 1), SIO_OPENFAIL);
  EXPECT_EQ(sio_read(kPort + 1, nullptr, 0), SIO_BADPORT);

  // Another program holding it: a child process tries to open the device.
  EXPECT_TRUE(in_child([&] {
    sio_close(kPort);  // the child's copy of our handle does not count as ours
    port.folder.link_port(9, port.pty.device());
    return sio_open(9) == SIO_OPENFAIL;
  }));
}

TEST(SioPort, SpeedsAndLineModesReachTheDevice) {
  OpenedPort port;
  const long speeds[] = {50,   75,   110,   134,   150,   300,   600,    1200,   1800,   2400,
                         4800, 7200, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
  for (int code = 0; code < 20; ++code) {
    ASSERT_EQ(sio_ioctl(kPort, code, 3), SIO_OK) << code;
    EXPECT_EQ(sio_getbaud(kPort), speeds[code]) << code;
    // Both directions, also after 7200 bit/s (no termios constant) left its own input speed.
    long input = 0, output = 0;
    ASSERT_EQ(sio::os::get_speeds(port.pty.device_fd(), input, output), 0);
    EXPECT_EQ(input, speeds[code]) << code;
    EXPECT_EQ(output, speeds[code]) << code;
  }
  EXPECT_EQ(sio_ioctl(kPort, 20, 3), SIO_BADPARM);
  EXPECT_EQ(sio_ioctl(kPort, -1, 3), SIO_BADPARM);

  // Unknown parity codes and stray bits are refused (that stop bits reach the device, the
  // port configuration's test shows).
  for (int bad : {3 | 16, 3 | 32, 64}) EXPECT_EQ(sio_ioctl(kPort, 15, bad), SIO_BADPARM) << bad;
  for (int mode : {0, 8, 24, 40, 56}) EXPECT_EQ(sio_ioctl(kPort, 15, 2 | mode), SIO_OK) << mode;

  // Data bits and parity as computed for the device (a pty stores CS8 without parity).
  const std::tuple<int, char, tcflag_t> frames[] = {
      {5, 'N', CS5}, {6, 'N', CS6}, {7, 'E', CS7 | PARENB}, {8, 'O', CS8 | PARENB | PARODD},
      {8, 'M', CS8 | PARENB | PARODD | CMSPAR}, {8, 'S', CS8 | PARENB | CMSPAR}};
  for (const auto& [data, parity, flags] : frames)
    EXPECT_EQ(sio::os::with_line_mode(termios{}, {data, 1, parity}).c_cflag & (CSIZE | PARENB | PARODD | CMSPAR), flags)
        << data << parity;
}

// A transfer writes what the line takes and goes on listening meanwhile; only the controlling
// side of a pty loses what it wrote when closed before the other side read it.
TEST(SioPort, ChannelsWriteWhatTheLineTakes) {
  OpenedPort port;
  sio::PortChannel channel(kPort);
  EXPECT_FALSE(channel.loses_unread_on_close());
  EXPECT_TRUE(sio::FdChannel(port.pty.peer()).loses_unread_on_close());
  int sockets[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  EXPECT_FALSE(sio::FdChannel(sockets[0]).loses_unread_on_close());
  close(sockets[0]);
  close(sockets[1]);

  // Nobody reads the other side: the line takes less than offered, then nothing.
  std::vector<std::uint8_t> chunk(65536, 'a');
  int n = 0;
  std::size_t taken = 0;
  for (int i = 0; i < 64 && (n = channel.write_for(chunk.data(), chunk.size(), 10)) > 0; ++i) taken += n;
  EXPECT_EQ(n, 0);
  EXPECT_GT(taken, 0u);
  // Once the other side reads, the line takes bytes again.
  EXPECT_FALSE(read_for(port.pty.peer(), 4096, 1000).empty());
  EXPECT_GT(channel.write_for(chunk.data(), 16, 1000), 0);
  sio_close(kPort);
  EXPECT_EQ(channel.write_for(chunk.data(), 16, 10), SIOFT_BADPORT);
}
