// The window at start, and closing it unopened.
#include <QPlainTextEdit>

#include "serial/port_settings.h"
#include "tests/main_window/phone_window.h"

TEST_F(PhoneWindowTest, StartsClosedOpensNothingAndClosesQuietly) {
  EXPECT_EQ(PortSettings, kStartupPortSettings);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(window->txtMSG->isHidden());
  // Only the poll runs; no port is opened at start, so the phone hears nothing.
  EXPECT_TRUE(window->tmrRecive->isActive());
  EXPECT_FALSE(window->tmrSend->isActive());
  PumpFor(400);
  EXPECT_TRUE(phone.lines().empty());

  window->show();
  window->AddCommand("AT");
  window->close();
  EXPECT_TRUE(Closed());
  EXPECT_EQ(window->lstCommand->count(), 0);  // the queue is emptied
  EXPECT_FALSE(window->tmrNewCommand->isActive());
  EXPECT_TRUE(messages.empty());
}
