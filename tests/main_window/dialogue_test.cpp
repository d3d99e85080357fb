// The window end to end against a scripted phone on a pty: identification, closing and opening
// again, a phone that vanishes or never answers.
#include <QLabel>

#include "app/terminal_box.h"
#include "serial/serial_errors.h"
#include "sio/sio.h"
#include "tests/main_window/phone_window.h"

TEST_F(PhoneWindowTest, IdentifiesAnE365ConnectsAndClosesClearingTheDisplays) {
  window->cmdPortOpen->click();
  ASSERT_TRUE(Until([this] { return window->windowTitle().contains(" Версия прошивки: "); }));
  EXPECT_EQ(phone.lines(), (std::vector<std::string>{"ATZ\r", "AT+GMM\r", "AT+GMR\r"}));
  EXPECT_TRUE(Connected());
  EXPECT_EQ(window->windowTitle(), frmMain::BaseTitle() + QStringLiteral(" Версия прошивки: R373_G_0E.41.C3R"));
  EXPECT_NE(window->Term->Bytes().find("AT+GMM\r\r\nE365\r\n\r\nOK\r\n"), std::string::npos);
  EXPECT_TRUE(messages.empty());

  window->lblCount->setText("7");
  window->cmdPortClose->click();
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(window->Term->Bytes().empty());
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  EXPECT_EQ(sio_write(5, "x", 1), SIO_BADPORT);
}

TEST_F(PhoneWindowTest, AVanishedPhoneClosesThePortOnceAndAnotherOpens) {
  window->cmdPortOpen->click();
  ASSERT_TRUE(Until([this] { return Connected() && window->lstCommand->count() == 0 && phone.lines().size() >= 3; }));
  window->AddCommand("AT");
  pty.close_peer();  // the cable is pulled
  window->Session().Send("AT\r");  // a line meets the dead device before the poll: no message of its own
  ASSERT_TRUE(test_support::PumpUntil([this] { return Closed(); }));
  test_support::PumpFor(800);
  EXPECT_EQ(recorder.Only(), SerialErrorText(SIO_GONE).value());
  EXPECT_EQ(window->lstCommand->count(), 0);

  // Plugged in again (a failed open in between is the session's test): the window is usable.
  test_support::PtyPair replugged;
  test_support::ScriptedPhone answering(replugged.peer());
  folder.link_port(5, replugged.device());
  window->cmdPortOpen->click();
  EXPECT_TRUE(test_support::PumpUntil([&] { return Connected(); }, 5000, [&] { answering.serve(); }));
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(PhoneWindowTest, ASilentPhoneGetsTheCloseButtonBackWithOneMessage) {
  window->cmdPortOpen->click();  // the phone never reads or answers
  test_support::PumpFor(1200);
  // Opened but not answered: neither port button is offered.
  EXPECT_TRUE(window->GbOpen());
  EXPECT_FALSE(window->cmdPortOpen->isEnabled());
  EXPECT_FALSE(window->cmdPortClose->isEnabled());
  EXPECT_TRUE(messages.empty());
  // Its time cut short instead of waited for.
  window->Session().FirstAnswerTimer().setInterval(10);
  ASSERT_TRUE(test_support::PumpUntil([this] { return !messages.empty(); }));
  test_support::PumpFor(300);
  EXPECT_TRUE(recorder.Only().startsWith(QStringLiteral("Телефон не отвечает на этом порту.")));
  EXPECT_TRUE(window->GbOpen() && window->cmdPortClose->isEnabled());
  EXPECT_FALSE(window->cmdPortOpen->isEnabled() || window->pcSms->isEnabled());
  window->cmdPortClose->click();
  EXPECT_TRUE(Closed());
}
