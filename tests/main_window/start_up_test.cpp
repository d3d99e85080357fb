// The window as the user first sees it, and closing it unopened.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/mail_link.h"
#include "app/terminal_box.h"
#include "serial/port_settings.h"
#include "tests/main_window/phone_window.h"

TEST_F(PhoneWindowTest, StartsClosedWithOnlyTheStripAndPanelInView) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Motorola E365 Vokarel ver.1.0.2005"));
  EXPECT_EQ(PortSettings, kStartupPortSettings);
  EXPECT_TRUE(Closed());
  EXPECT_FALSE(window->windowIcon().isNull());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  // Fixed client area: the layout's width and the strip down to the panel's bottom edge.
  EXPECT_EQ(window->size(), QSize(577, 247));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(window->pcSms->geometry().bottom(), window->height() - 1);
  EXPECT_EQ(window->Label3->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(window->txtMSG->isHidden());
  // The raw names, the terminal and the command line lie below the visible edge.
  for (QWidget* hidden : std::initializer_list<QWidget*>{window->lstName, window->Term, window->lstCommand,
                                                         window->Text1, window->Command1})
    EXPECT_GE(hidden->y(), window->height());
  // Only the poll runs; no port is opened at start, so the phone hears nothing.
  EXPECT_TRUE(window->tmrRecive->isActive());
  EXPECT_FALSE(window->tmrNewCommand->isActive());
  EXPECT_FALSE(window->tmrSend->isActive());
  PumpFor(400);
  EXPECT_TRUE(phone.lines().empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(PhoneWindowTest, ClosingTheNeverOpenedWindowClosesThePortQuietly) {
  window->show();
  window->AddCommand("AT");
  window->close();
  EXPECT_TRUE(Closed());
  EXPECT_EQ(window->lstCommand->count(), 0);  // the queue is emptied
  EXPECT_FALSE(window->tmrNewCommand->isActive());
  EXPECT_TRUE(messages.empty());
}
