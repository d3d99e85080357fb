// The settings button on a window with a port: the dialog's choice reaches the open port.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "serial/config_dialog.h"
#include "serial/port_settings.h"
#include "sio/sio.h"
#include "tests/main_window/phone_window.h"

namespace {

// Runs cmdOption_Click with `handle` working the modal dialog once it is up.
void WithDialog(frmMain& window, const std::function<void(Config&)>& handle) {
  bool handled = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<Config*>(QApplication::activeModalWidget());
    if (!dialog || handled) return;
    handled = true;
    handle(*dialog);
  });
  poll.start();
  window.cmdOption_Click();
  EXPECT_TRUE(handled);
}

}  // namespace

// Closed, the port takes the choice at the next open; open, at once. Cancel applies the settings
// again, and a reconfiguration that fails restores them.
TEST_F(PhoneWindowTest, SettingsButtonReachesThePortAndCancelOrAFailureKeepsTheSettings) {
  WithDialog(*window, [](Config& dialog) {
    EXPECT_TRUE(dialog.cbPort->isEnabled());
    dialog.cbBaudRate->setCurrentText("19200");
    dialog.OK->click();
  });
  EXPECT_TRUE(Closed());
  OpenAndAnswer();
  termios tio = pty.device_settings();
  EXPECT_EQ(cfgetospeed(&tio), speed_t(B19200));

  // Open, the choice reaches the port at once.
  WithDialog(*window, [](Config& dialog) {
    EXPECT_FALSE(dialog.cbPort->isEnabled());  // locked on the open port
    EXPECT_EQ(dialog.cbPort->currentText(), QStringLiteral("COM5"));
    dialog.cbBaudRate->setCurrentText("9600");
    dialog.cbStopBits->setCurrentText("2");
    dialog.chSw->click();
    dialog.OK->click();
  });
  tio = pty.device_settings();
  EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_TRUE(tio.c_iflag & IXON);
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(Connected());

  // Cancel applies the current settings again, over a change made behind the window's back.
  ASSERT_EQ(sio_ioctl(PortSettings.Port, 7, 3), SIO_OK);  // 1200 bit/s
  const PortSettingsRecord before = PortSettings;
  WithDialog(*window, [](Config& dialog) {
    dialog.cbBaudRate->setCurrentText("300");
    dialog.Cancel->click();
  });
  EXPECT_EQ(PortSettings, before);
  tio = pty.device_settings();
  EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));

  // A reconfiguration that fails restores the settings.
  sio_close(PortSettings.Port);  // the port is gone under the window
  WithDialog(*window, [](Config& dialog) {
    dialog.cbParity->setCurrentText("Чет");
    dialog.OK->click();
  });
  EXPECT_EQ(PortSettings, before);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("Номер порта недопустим, или порт не открыт заранее"));
  EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(window->GbOpen());  // the window still counts the port as open
}
