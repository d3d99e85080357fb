// The messages for failed serial operations.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

#include "app/message_box.h"
#include "serial/port_settings.h"
#include "serial/serial_errors.h"
#include "sio/sio.h"
#include "tests/support/pty_pair.h"
#include "tests/support/qt_application.h"
#include "tests/support/temp_folder.h"

// The shared text, the system's own text, and codes without a text of their own.
TEST(SerialErrors, CodesWithoutTextOfTheirOwn) {
  EXPECT_EQ(SerialErrorText(-9), SerialErrorText(-2));
  EXPECT_EQ(SerialErrorText(-8), std::nullopt);
  EXPECT_EQ(SerialErrorText(-10), QStringLiteral("Неизвестная ошибка:-10"));
  EXPECT_EQ(SerialErrorText(-20), QStringLiteral("Неизвестная ошибка:-20"));
  EXPECT_EQ(SerialErrorText(1), QStringLiteral("Неизвестная ошибка:1"));
}

TEST(SerialErrors, SystemFailureShowsOnlyTheSystemText) {
  test_support::EnsureApplication();
  std::vector<std::pair<MessageIcon, QString>> shown;
  const MessageHandler previous =
      SetMessageHandler([&](MessageIcon icon, const QString& text) { shown.emplace_back(icon, text); });
  ShowSerialError(-8, EACCES);
  ShowSerialError(-5, EACCES);
  ShowSystemError(987654);  // no text for it: the number
  SetMessageHandler(previous);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].second, QString::fromLocal8Bit(std::strerror(EACCES)));
  EXPECT_FALSE(shown[0].second.contains("-8"));
  EXPECT_EQ(shown[1].second, QStringLiteral("Порт не существует или занят другой программой"));
  EXPECT_EQ(shown[2].second, QStringLiteral("987654"));
  for (const auto& message : shown) EXPECT_EQ(message.first, MessageIcon::Warning);
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
