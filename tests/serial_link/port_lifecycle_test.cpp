// Configuring the port: the calls in their order over a real pty, failures, the write time-out.
#include <gtest/gtest.h>

#include "serial/port_lifecycle.h"
#include "sio/sio.h"
#include "tests/support/message_recorder.h"
#include "tests/support/pty_pair.h"
#include "tests/support/qt_application.h"
#include "tests/support/temp_folder.h"

namespace {

// The real port calls, each recorded as it is made.
struct RecordingCalls {
  std::vector<std::string> made;
  PortConfigCalls calls;
  long speed_override = 0;
  bool override_speed = false;

  RecordingCalls() {
    const PortConfigCalls& real = RealPortConfigCalls();
    auto note = [this](std::string call) { made.push_back(std::move(call)); };
    calls.ioctl = [=](int port, int baud, int mode) {
      note("ioctl " + std::to_string(baud) + " " + std::to_string(mode));
      return real.ioctl(port, baud, mode);
    };
    calls.flowctrl = [=](int port, int mode) {
      note("flowctrl " + std::to_string(mode));
      return real.flowctrl(port, mode);
    };
    calls.dtr = [=](int port, int mode) {
      note("DTR " + std::to_string(mode));
      return real.dtr(port, mode);
    };
    calls.rts = [=](int port, int mode) {
      note("RTS " + std::to_string(mode));
      return real.rts(port, mode);
    };
    calls.getbaud = [=, this](int port) {
      note("getbaud");
      return override_speed ? speed_override : real.getbaud(port);
    };
    calls.set_write_timeouts = [=](int port, unsigned long ms) {
      note("timeouts " + std::to_string(ms));
      return real.set_write_timeouts(port, ms);
    };
  }
};

class ConfigurePortTest : public ::testing::Test {
 protected:
  ConfigurePortTest() {
    test_support::EnsureApplication();
    folder.link_port(5, pty.device());
    EXPECT_EQ(sio_open(5), SIO_OK);
  }
  ~ConfigurePortTest() override { sio_close(5); }

  test_support::ScopedProgramFolder folder;
  test_support::PtyPair pty;
  test_support::MessageRecorder recorder;
  PortSettingsRecord settings = kStartupPortSettings;
};

}  // namespace

TEST_F(ConfigurePortTest, BothFlowControlsLeaveRtsToTheFlowControl) {
  settings.HwFlow = 1;
  settings.SwFlow = 1;
  settings.ParityCode = 24;
  settings.StopBitsCode = 4;
  RecordingCalls record;
  ASSERT_TRUE(ConfigurePort(settings, record.calls));
  EXPECT_EQ(record.made, (std::vector<std::string>{"ioctl 15 31", "flowctrl 15", "DTR 1", "getbaud", "timeouts 100"}));
  const termios tio = pty.device_settings();
  EXPECT_TRUE(tio.c_cflag & CRTSCTS);
  EXPECT_TRUE(tio.c_iflag & IXON);
  EXPECT_TRUE(tio.c_iflag & IXOFF);
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_EQ(cfgetospeed(&tio), speed_t(B57600));
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(ConfigurePortTest, WithoutFlowControlDtrAndRtsAreApplied) {
  settings.Dtr = 0;
  settings.Rts = 0;
  settings.BaudCode = 12;
  RecordingCalls record;
  ASSERT_TRUE(ConfigurePort(settings, record.calls));
  EXPECT_EQ(record.made,
            (std::vector<std::string>{"ioctl 12 3", "flowctrl 0", "DTR 0", "RTS 0", "getbaud", "timeouts 100"}));
  const termios tio = pty.device_settings();
  EXPECT_FALSE(tio.c_cflag & CRTSCTS);
  EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
  EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));

  // A speed the port cannot tell still gives 100 ms.
  for (long speed : {0L, -8L}) {
    record.made.clear();
    record.override_speed = true;
    record.speed_override = speed;
    ASSERT_TRUE(ConfigurePort(settings, record.calls));
    EXPECT_EQ(record.made.back(), "timeouts 100") << speed;
  }
}

TEST_F(ConfigurePortTest, FirstFailingStepStopsWithItsMessage) {
  RecordingCalls record;
  record.calls.flowctrl = [&](int, int) {
    record.made.push_back("flowctrl");
    return -7;
  };
  EXPECT_FALSE(ConfigurePort(settings, record.calls));
  EXPECT_EQ(record.made, (std::vector<std::string>{"ioctl 15 3", "flowctrl"}));
  EXPECT_EQ(recorder.Only(), QStringLiteral("Неправильный параметр"));

  // A closed port fails at the first step.
  sio_close(5);
  recorder.messages.clear();
  EXPECT_FALSE(ConfigurePort(settings));
  EXPECT_EQ(recorder.Only(), QStringLiteral("Номер порта недопустим, или порт не открыт заранее"));
}

TEST(WriteTimeout, ThreeCharacterTimesAtLeast100Ms) {
  for (long speed : {50L, 75L, 110L, 300L, 9600L, 57600L, 921600L}) EXPECT_EQ(WriteTimeoutFor(speed), 100u) << speed;
  EXPECT_EQ(WriteTimeoutFor(0), 100u);
  EXPECT_EQ(WriteTimeoutFor(-1), 100u);
  EXPECT_EQ(WriteTimeoutFor(10), 300u);
  EXPECT_EQ(WriteTimeoutFor(1), 3000u);
  EXPECT_EQ(WriteTimeoutFor(16), 186u);  // 62.5 rounds to the even 62
  EXPECT_EQ(WriteTimeoutFor(2000000), 100u);
}

TEST(OpenAndConfigurePort, FailureClosesAndReports) {
  test_support::EnsureApplication();
  test_support::ScopedProgramFolder folder;
  test_support::MessageRecorder recorder;
  folder.link_port(5, folder.file("missing"));
  EXPECT_FALSE(OpenAndConfigurePort(kStartupPortSettings));
  EXPECT_EQ(recorder.Only(), QStringLiteral("Порт не существует или занят другой программой"));
  EXPECT_EQ(sio_read(5, nullptr, 0), SIO_BADPORT);

  test_support::PtyPair pty;
  folder.link_port(7, pty.device());
  PortSettingsRecord on7 = kStartupPortSettings;
  on7.Port = 7;
  EXPECT_TRUE(OpenAndConfigurePort(on7));
  EXPECT_EQ(sio_write(7, "x", 1), 1);
  sio_close(7);
}
