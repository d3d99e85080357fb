// Configuring the port: the calls in their order over a real pty, failures, the write time-out.
#include <gtest/gtest.h>

#include <optional>

#include "serial/port_lifecycle.h"
#include "sio/sio.h"
#include "tests/support/message_recorder.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/qt_application.h"
#include "tools/testbed/temp_folder.h"

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
    testbed::EnsureApplication();
    folder.link_port(5, pty.device());
    EXPECT_EQ(sio_open(5), SIO_OK);
  }
  ~ConfigurePortTest() override { sio_close(5); }

  testbed::ScopedProgramFolder folder;
  testbed::PtyPair pty;
  test_support::MessageRecorder recorder;
  PortSettingsRecord settings = kStartupPortSettings;
};

}  // namespace

// The calls in their order and what the device took: with both flow controls RTS is left to the
// flow control; without, DTR and RTS are applied.
TEST_F(ConfigurePortTest, FlowControlsDecideWhoDrivesRts) {
  const struct {
    void (*change)(PortSettingsRecord&);
    std::vector<std::string> calls;
    bool flow_and_two_stop_bits;
    speed_t speed;
  } cases[] = {
      {[](PortSettingsRecord& s) { s.HwFlow = s.SwFlow = 1, s.ParityCode = 24, s.StopBitsCode = 4; },
       {"ioctl 15 31", "flowctrl 15", "DTR 1", "getbaud", "timeouts 100"}, true, B57600},
      {[](PortSettingsRecord& s) { s.Dtr = s.Rts = 0, s.BaudCode = 12; },
       {"ioctl 12 3", "flowctrl 0", "DTR 0", "RTS 0", "getbaud", "timeouts 100"}, false, B9600},
  };
  for (const auto& c : cases) {
    settings = kStartupPortSettings;
    c.change(settings);
    RecordingCalls record;
    ASSERT_TRUE(ConfigurePort(settings, record.calls));
    EXPECT_EQ(record.made, c.calls);
    const termios tio = pty.device_settings();
    for (bool on : {(tio.c_cflag & CRTSCTS) != 0, (tio.c_iflag & IXON) != 0, (tio.c_iflag & IXOFF) != 0,
                    (tio.c_cflag & CSTOPB) != 0})
      EXPECT_EQ(on, c.flow_and_two_stop_bits);
    EXPECT_EQ(cfgetospeed(&tio), c.speed);
  }
  EXPECT_TRUE(recorder.messages.empty());

  // The write time-out follows the speed the port reports.
  RecordingCalls slow;
  slow.speed = 10;
  ASSERT_TRUE(ConfigurePort(settings, slow.calls));
  EXPECT_EQ(slow.made.back(), "timeouts 300");
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
