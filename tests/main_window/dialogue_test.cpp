// The window end to end against a scripted phone on a pty: at start, a phone that vanishes or
// never answers.
#include <QPlainTextEdit>

#include "serial/port_settings.h"
#include "serial/serial_errors.h"
#include "tests/main_window/phone_window.h"

TEST_F(PhoneWindowTest, StartsClosedOpensNothingAndClosesQuietly) {
  EXPECT_EQ(PortSettings, kStartupPortSettings);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(window->txtMSG->isHidden());
  // Only the poll runs; no port is opened at start, so the phone hears nothing.
  EXPECT_TRUE(window->tmrRecive->isActive());
  EXPECT_FALSE(window->tmrSend->isActive());
  testbed::PumpFor(400, [this] { phone.serve(); });
  EXPECT_TRUE(phone.lines().empty());

  window->show();
  window->AddCommand("AT");
  window->close();
  EXPECT_TRUE(Closed());
  EXPECT_EQ(window->lstCommand->count(), 0);  // the queue is emptied
  EXPECT_FALSE(window->tmrNewCommand->isActive());
  EXPECT_TRUE(messages.empty());
}

TEST_F(PhoneWindowTest, AVanishedPhoneClosesThePortOnceAndAnotherOpens) {
  window->cmdPortOpen->click();
  ASSERT_TRUE(testbed::PumpUntil(
      [this] { return Connected() && window->lstCommand->count() == 0 && phone.lines().size() >= 3; }, 5000,
      [this] { phone.serve(); }));
  window->AddCommand("AT");
  pty.close_peer();  // the cable is pulled
  window->Session().Send("AT\r");  // a line meets the dead device before the poll: no message of its own
  ASSERT_TRUE(testbed::PumpUntil([this] { return Closed(); }));
  testbed::PumpFor(800);
  EXPECT_EQ(recorder.Only(), SerialErrorText(SIO_GONE).value());
  EXPECT_EQ(window->lstCommand->count(), 0);

  // Plugged in again (a failed open in between is the session's test): the window is usable.
  testbed::PtyPair replugged;
  test_support::ScriptedPhone answering(replugged.peer());
  folder.link_port(5, replugged.device());
  window->cmdPortOpen->click();
  EXPECT_TRUE(testbed::PumpUntil([&] { return Connected(); }, 5000, [&] { answering.serve(); }));
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(PhoneWindowTest, ASilentPhoneGetsTheCloseButtonBackWithOneMessage) {
  window->cmdPortOpen->click();  // the phone never reads or answers
  testbed::PumpFor(1200);
  // Opened but not answered: neither port button is offered.
  EXPECT_TRUE(window->GbOpen());
  EXPECT_FALSE(window->cmdPortOpen->isEnabled());
  EXPECT_FALSE(window->cmdPortClose->isEnabled());
  EXPECT_TRUE(messages.empty());
  // Its time cut short instead of waited for.
  window->Session().FirstAnswerTimer().setInterval(10);
  ASSERT_TRUE(testbed::PumpUntil([this] { return !messages.empty(); }));
  testbed::PumpFor(300);
  EXPECT_TRUE(recorder.Only().startsWith(QStringLiteral("Телефон не отвечает на этом порту.")));
  EXPECT_TRUE(window->GbOpen() && window->cmdPortClose->isEnabled());
  EXPECT_FALSE(window->cmdPortOpen->isEnabled() || window->pcSms->isEnabled());
  window->cmdPortClose->click();
  EXPECT_TRUE(Closed());
}
