// What goes wrong on real serial hardware, played on ptys and with child processes: a device
// that vanishes, one the user may not open, one another program holds, settings not taken.
#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "sio/lock_file.h"
#include "sio/os_posix.h"
#include "tests/sio/opened_port.h"
#include "tests/sio/other_program.h"

using namespace testbed;

namespace {

std::string lock_path(const std::string& device) {
  return sio::os::lock_folder() + "/" + sio::os::lock_file_name(device);
}

}  // namespace

TEST(SioPortFaults, VanishedDeviceIsGone) {
  OpenedPort port;
  port.pty.close_peer();  // the device hangs up, as an unplugged USB adapter does
  char buf[512];
  EXPECT_EQ(sio_read(kPort, buf, 512), SIO_GONE);
  EXPECT_EQ(sio_write(kPort, "AT\r", 3), SIO_GONE);
  EXPECT_EQ(sio_DTR(kPort, 1), SIO_GONE);  // EIO: no modem lines to speak of, yet a failure
  EXPECT_EQ(sio_ioctl(kPort, 15, 3), SIO_GONE);
  // Opening again looks for the device anew instead of keeping the dead handle.
  EXPECT_EQ(sio_open(kPort), SIO_OPENFAIL);
  EXPECT_EQ(sio_read(kPort, buf, 512), SIO_BADPORT);
}

TEST(SioPortFaults, PermissionDeniedNamesTheDevicesGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "opening as another user needs root to become that user";
  const passwd* nobody = getpwnam("nobody");
  if (!nobody) GTEST_SKIP() << "no user 'nobody' to open as";
  ScopedProgramFolder folder;
  PtyPair pty;  // its device: rw for its owner, w for group tty, nothing for others
  chmod(folder.path().c_str(), 0755);
  folder.link_port(kPort, pty.device());
  struct stat st;
  ASSERT_EQ(stat(pty.device().c_str(), &st), 0);
  const std::string group = getgrgid(st.st_gid)->gr_name;
  EXPECT_TRUE(in_child([&] {
    if (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) return false;
    return sio_open(kPort) == SIO_ACCESSDENIED && sio_port_group(kPort) == group;
  }));
}

// Both conventions: the advisory lock on the device, and the lock file with a live PID. Once
// its program has ended, neither blocks: the lock file is stale then and taken over; ours goes
// with the close or the program's exit.
TEST(SioPortFaults, DeviceLockedByAnotherProgramIsBusy) {
  if (sio::os::lock_folder().empty() || access(sio::os::lock_folder().c_str(), W_OK) != 0)
    GTEST_SKIP() << "no lock folder this user may write";
  for (const bool by_lock_file : {false, true}) {
    SCOPED_TRACE(by_lock_file ? "lock file" : "advisory lock");
    ScopedProgramFolder folder;
    PtyPair pty;
    folder.link_port(kPort, pty.device());
    const pid_t holder = start_holder([&] {
      if (!by_lock_file) flock(open(pty.device().c_str(), O_RDWR | O_NOCTTY), LOCK_EX);
    });
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(holder));
    if (by_lock_file) write_file(lock_path(pty.device()), text);
    EXPECT_EQ(sio_open(kPort), SIO_OPENFAIL);
    EXPECT_EQ(sio_last_error(), EBUSY);
    stop_holder(holder);

    ASSERT_EQ(sio_open(kPort), SIO_OK);
    EXPECT_EQ(std::atol(read_file(lock_path(pty.device())).c_str()), getpid());
    sio_close(kPort);
    EXPECT_FALSE(file_exists(lock_path(pty.device())));
    // A program that exits without closing leaves no lock file either.
    EXPECT_TRUE(in_child([&] { return sio_open(kPort) == SIO_OK && file_exists(lock_path(pty.device())) && (std::exit(0), true); }));
    EXPECT_FALSE(file_exists(lock_path(pty.device())));
  }
}

// A pty takes nearly everything a driver may refuse. Read back through a device that drops a
// setting, and that claims a character frame (a pty keeps 8 data bits without parity).
TEST(SioPortFaults, SettingNotTakenSaysWhich) {
  using Drop = std::function<void(sio::os::LineSettings&)>;
  const std::tuple<const char*, std::function<int()>, Drop, int> cases[] = {
      {"speed", [] { return sio_ioctl(kPort, 19, 3); }, [](auto& s) { s.output_speed = 115200; }, SIO_SPEEDREFUSED},
      {"input speed", [] { return sio_ioctl(kPort, 15, 3); }, [](auto& s) { s.input_speed = 7200; }, SIO_SPEEDREFUSED},
      {"data bits", [] { return sio_ioctl(kPort, 15, 1); }, [](auto&) {}, SIO_DATABITSREFUSED},
      {"parity", [] { return sio_ioctl(kPort, 15, 3 | 40); }, [](auto&) {}, SIO_PARITYREFUSED},
      {"stop bits", [] { return sio_ioctl(kPort, 15, 3 | 4); }, [](auto& s) { s.mode.stop_bits = 1; }, SIO_STOPBITSREFUSED},
      {"RTS/CTS", [] { return sio_flowctrl(kPort, 3); }, [](auto& s) { s.hardware_flow = false; }, SIO_FLOWREFUSED},
      {"XON/XOFF", [] { return sio_flowctrl(kPort, 15); }, [](auto& s) { s.software_flow = false; }, SIO_FLOWREFUSED},
  };
  OpenedPort port;
  const auto real = sio::os::read_back_settings;
  for (const auto& [what, apply, drop, expected] : cases) {
    sio::os::read_back_settings = [&](sio::os::Handle handle, sio::os::LineSettings& taken) {
      const int result = sio::os::read_line_settings(handle, taken);
      taken.framed = true;
      drop(taken);
      return result;
    };
    EXPECT_EQ(apply(), expected) << what;
  }
  sio::os::read_back_settings = real;
  EXPECT_EQ(sio_ioctl(kPort, 15, 1 | 40), SIO_OK);  // the pty itself: no frame to refuse
}

// Output stopped by an XOFF would hold a serial driver's close for up to 30 s; the close
// lifts the stop (and drops what a line still holds).
TEST(SioPortFaults, CloseLiftsOutputHeldByXoff) {
  OpenedPort port;
  ASSERT_EQ(sio_flowctrl(kPort, 12), SIO_OK);
  ASSERT_EQ(sio_SetWriteTimeouts(kPort, 100), SIO_OK);
  write_all(port.pty.peer(), "\x13");
  // The line discipline takes the XOFF in a kernel worker of its own, so on a busy machine some
  // writes still go through first; a millisecond apart, they never fill the line's buffer.
  int result = 0;
  for (int i = 0; i < 2000 && result != SIO_WRITETIMEOUT; ++i, usleep(1000)) result = sio_write(kPort, "ATZ\r", 4);
  ASSERT_EQ(result, SIO_WRITETIMEOUT);
  EXPECT_EQ(sio_close(kPort), SIO_OK);
  pollfd room{port.pty.device_fd(), POLLOUT, 0};
  EXPECT_EQ(poll(&room, 1, 1000), 1);
}

TEST(SioPortFaults, SerialPortWithoutHardwareIsMissing) {
  std::string device;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/tty")) {
    const std::string name = entry.path().filename();
    if (name.rfind("ttyS", 0) == 0 && read_file(entry.path() / "type") == "0\n" && file_exists("/dev/" + name))
      device = "/dev/" + name;
  }
  if (device.empty()) GTEST_SKIP() << "no /dev/ttyS* without hardware on this machine";
  ScopedProgramFolder folder;
  folder.link_port(kPort, device);
  EXPECT_EQ(sio_open(kPort), SIO_OPENFAIL);
  EXPECT_EQ(sio_last_error(), ENODEV);
}
