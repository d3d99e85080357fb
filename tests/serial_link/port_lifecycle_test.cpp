// Configuring the port: the calls in their order over a real pty, failures, the write time-out.
#include <gtest/gtest.h>

#include <optional>

#include "serial/port_lifecycle.h"
#include "sio/os_posix.h"
#include "sio/sio.h"
#include "tests/support/message_recorder.h"
#include "tests/support/pty_pair.h"
#include "tests/support/qt_application.h"
#include "tests/support/temp_folder.h"

namespace {

// `call`, with each use recorded as `name` and its arguments after the port.
template <typename Result, typename... Args>
std::function<Result(int, Args...)> Noted(std::vector<std::string>& made, const char* name,
                                          std::function<Result(int, Args...)> call) {
  return [&made, name, call](int port, Args... args) {
    std::string entry = name;
    ((entry += " " + std::to_string(args)), ...);
    made.push_back(entry);
    return call(port, args...);
  };
}

// The real port calls, each recorded as it is made; the speed the port reports can be replaced.
struct RecordingCalls {
  std::vector<std::string> made;
  std::optional<long> speed;
  const PortConfigCalls& real = RealPortConfigCalls();
  PortConfigCalls calls{Noted(made, "ioctl", real.ioctl),
                        Noted(made, "flowctrl", real.flowctrl),
                        Noted(made, "DTR", real.dtr),
                        Noted(made, "RTS", real.rts),
                        Noted(made, "getbaud", std::function<long(int)>([this](int port) { return speed.value_or(real.getbaud(port)); })),
                        Noted(made, "timeouts", real.set_write_timeouts)};
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
    record.speed = speed;
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

TEST_F(ConfigurePortTest, SettingTheDeviceDidNotTakeIsNamed) {
  // A device that reads back one stop bit whatever it is told.
  const auto real = sio::os::read_back_settings;
  sio::os::read_back_settings = [&](sio::os::Handle handle, sio::os::LineSettings& taken) {
    const int result = real(handle, taken);
    taken.mode.stop_bits = 1;
    return result;
  };
  settings.StopBitsCode = 4;
  EXPECT_FALSE(ConfigurePort(settings));
  sio::os::read_back_settings = real;
  EXPECT_EQ(recorder.Only(),
            QStringLiteral("Порт не принял настройку «стоповые биты». Выберите другое значение в «Настройка соединения...»"));
}

TEST(WriteTimeout, ThreeCharacterTimesAtLeast100Ms) {
  for (long speed : {-1L, 0L, 50L, 57600L}) EXPECT_EQ(WriteTimeoutFor(speed), 100u) << speed;
  EXPECT_EQ(WriteTimeoutFor(10), 300u);
  EXPECT_EQ(WriteTimeoutFor(1), 3000u);
  EXPECT_EQ(WriteTimeoutFor(16), 186u);  // 62.5 rounds to the even 62
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
