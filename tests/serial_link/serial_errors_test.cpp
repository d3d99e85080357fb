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
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/qt_application.h"
#include "tools/testbed/temp_folder.h"

// A system failure shows only the system's text; a code without a text of its own, its number.
TEST(SerialErrors, SystemFailureShowsOnlyTheSystemText) {
  testbed::EnsureApplication();
  test_support::MessageRecorder recorder;
  ShowSerialError(SIO_WIN32FAIL, EACCES);
  ShowSerialError(SIO_OPENFAIL, EACCES);
  ShowSystemError(987654);  // no text for it: the number
  ShowSerialError(-20, 0);
  const auto& shown = recorder.messages;
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].text, QString::fromLocal8Bit(std::strerror(EACCES)));
  EXPECT_EQ(shown[1].text, QStringLiteral("Порт не существует или занят другой программой"));
  EXPECT_EQ(shown[2].text, QStringLiteral("987654"));
  EXPECT_EQ(shown[3].text, QStringLiteral("Неизвестная ошибка:-20"));
  for (const auto& message : shown) EXPECT_EQ(message.icon, MessageIcon::Warning);
}

// The fix for a refused open: membership of the group that owns the device the port reaches.
TEST(SerialErrors, AccessDeniedNamesTheDevicesGroup) {
  testbed::ScopedProgramFolder folder;
  testbed::PtyPair pty;
  folder.link_port(PortSettings.Port, pty.device());
  struct stat st;
  ASSERT_EQ(stat(pty.device().c_str(), &st), 0);
  const QString group = QString::fromLocal8Bit(getgrgid(st.st_gid)->gr_name);
  EXPECT_TRUE(SerialErrorText(SIO_ACCESSDENIED)->contains(QStringLiteral("«%1» (sudo adduser $USER %1)").arg(group)));
  folder.link_port(PortSettings.Port, folder.file("missing"));
  EXPECT_TRUE(SerialErrorText(SIO_ACCESSDENIED)->contains(QStringLiteral("в группу, которой принадлежит устройство порта")));
}
