// The window end to end against a scripted phone on a pty: identification, closing and opening
// again.
#include <QLabel>

#include "app/terminal_box.h"
#include "sio/sio.h"
#include "tests/main_window/phone_window.h"

TEST_F(PhoneWindowTest, IdentifiesAnE365AndConnects) {
  window->cmdPortOpen->click();
  // Opened but not yet answered: the buttons stay as they were.
  EXPECT_TRUE(window->GbOpen());
  EXPECT_TRUE(window->cmdPortOpen->isEnabled());
  EXPECT_FALSE(window->cmdPortClose->isEnabled());
  EXPECT_FALSE(window->pcSms->isEnabled());

  ASSERT_TRUE(Until([this] { return window->windowTitle().contains(" Версия прошивки: "); }));
  EXPECT_EQ(phone.lines(), (std::vector<std::string>{"ATZ\r", "AT+GMM\r", "AT+GMR\r"}));
  EXPECT_TRUE(Connected());
  EXPECT_EQ(window->windowTitle(), frmMain::BaseTitle() + QStringLiteral(" Версия прошивки: R373_G_0E.41.C3R"));
  EXPECT_NE(window->Term->Bytes().find("AT+GMM\r\r\nE365\r\n\r\nOK\r\n"), std::string::npos);
  // The fourth tick finds the queue empty and stops the timer.
  ASSERT_TRUE(Until([this] { return !window->tmrNewCommand->isActive(); }));
  EXPECT_FALSE(window->GbBusy());
  EXPECT_TRUE(messages.empty());
}

TEST_F(PhoneWindowTest, CloseButtonClosesAndClearsTheDisplays) {
  Connect();
  window->lblCount->setText("7");
  window->cmdPortClose->click();
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(window->Term->Bytes().empty());
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  EXPECT_EQ(sio_write(5, "x", 1), SIO_BADPORT);
  // Opening again identifies the phone again.
  window->cmdPortOpen->click();
  ASSERT_TRUE(Until([this] { return Connected() && phone.lines().size() >= 6; }));
}
