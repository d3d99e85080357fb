// The messages for failed serial operations.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "serial/serial_errors.h"
#include "sio/sio.h"
#include "tests/support/message_recorder.h"
#include "tests/support/qt_application.h"

TEST(SerialErrors, TextForEachResult) {
  EXPECT_EQ(SerialErrorText(SIO_OPENFAIL), QStringLiteral("Порт не существует или занят другой программой"));
  EXPECT_EQ(SerialErrorText(SIO_BOARDNOTSUPPORT), SerialErrorText(SIO_NOTSUPPORT));
  EXPECT_EQ(SerialErrorText(SIO_WIN32FAIL), std::nullopt);  // the system's own text instead
  // Codes without a text of their own show their number.
  EXPECT_EQ(SerialErrorText(-10), QStringLiteral("Неизвестная ошибка:-10"));
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
