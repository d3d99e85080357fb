// The messages for failed serial operations.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

#include "serial/port_settings.h"
#include "serial/serial_errors.h"
#include "sio/sio.h"
#include "tests/support/message_recorder.h"
#include "tests/support/pty_pair.h"
#include "tests/support/qt_application.h"
#include "tests/support/temp_folder.h"

// The shared text, the system's own text, and codes without a text of their own.
TEST(SerialErrors, CodesWithoutTextOfTheirOwn) {
  EXPECT_EQ(SerialErrorText(SIO_BOARDNOTSUPPORT), SerialErrorText(SIO_NOTSUPPORT));
  EXPECT_EQ(SerialErrorText(SIO_WIN32FAIL), std::nullopt);  // the system's own text instead
  EXPECT_EQ(SerialErrorText(-10), QStringLiteral("Неизвестная ошибка:-10"));
  EXPECT_EQ(SerialErrorText(-20), QStringLiteral("Неизвестная ошибка:-20"));
  EXPECT_EQ(SerialErrorText(1), QStringLiteral("Неизвестная ошибка:1"));
}

TEST(SerialErrors, SystemFailureShowsOnlyTheSystemText) {
  test_support::EnsureApplication();
  test_support::MessageRecorder recorder;
  ShowSerialError(SIO_WIN32FAIL, EACCES);
  ShowSerialError(SIO_OPENFAIL, EACCES);
  ShowSystemError(987654);  // no text for it: the number
  const auto& shown = recorder.messages;
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, QString::fromLocal8Bit(std::strerror(EACCES)));
  EXPECT_EQ(shown[1].text, QStringLiteral("Порт не существует или занят другой программой"));
  EXPECT_EQ(shown[2].text, QStringLiteral("987654"));
  for (const auto& message : shown) EXPECT_EQ(message.icon, MessageIcon::Warning);
}

// The fix for a refused open: membership of the group that owns the device the port reaches.
TEST(SerialErrors, AccessDeniedNamesTheDevicesGroup) {
  test_support::ScopedProgramFolder folder;
  test_support::PtyPair pty;
  folder.link_port(PortSettings.Port, pty.device());
  struct stat st;
  ASSERT_EQ(stat(pty.device().c_str(), &st), 0);
  const QString group = QString::fromLocal8Bit(getgrgid(st.st_gid)->gr_name);
  EXPECT_TRUE(SerialErrorText(SIO_ACCESSDENIED)->contains(QStringLiteral("«%1» (sudo adduser $USER %1)").arg(group)));
  folder.link_port(PortSettings.Port, folder.file("missing"));
  EXPECT_TRUE(SerialErrorText(SIO_ACCESSDENIED)->contains(QStringLiteral("в группу, которой принадлежит устройство порта")));
}
