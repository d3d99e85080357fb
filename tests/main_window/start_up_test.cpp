// The window as it starts: controls, states, timers, title, settings.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "app/mail_link.h"
#include "app/terminal_box.h"
#include "serial/option_tables.h"
#include "serial/port_settings.h"
#include "tests/main_window/window_fixture.h"

TEST_F(WindowTest, StartsClosedWithItsControls) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Motorola E365 Vokarel ver.1.0.2005"));
  EXPECT_EQ(GMainWindow, window.get());
  EXPECT_EQ(PortSettings, kStartupPortSettings);
  EXPECT_EQ(ParityCodes[1], 24);  // the option tables are filled
  EXPECT_EQ(StopBitsCodes[1], 4);
  EXPECT_TRUE(Closed());
  EXPECT_FALSE(window->GbBusy);
  EXPECT_FALSE(window->windowIcon().isNull());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

  // Fixed client area: the layout's width and the strip down to the panel's bottom edge.
  EXPECT_EQ(window->size(), QSize(577, 247));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());

  EXPECT_EQ(window->cmdOption->text(), QStringLiteral("Настройка соединения..."));
  EXPECT_EQ(window->cmdOption->geometry(), QRect(2, 4, 175, 23));
  EXPECT_EQ(window->cmdPortOpen->text(), QStringLiteral("Открыть порт"));
  EXPECT_EQ(window->cmdPortClose->text(), QStringLiteral("Закрыть порт"));
  EXPECT_EQ(window->cmdPortClose->geometry(), QRect(296, 4, 103, 23));
  EXPECT_EQ(window->Label1[0]->text(), QStringLiteral("E-mail:"));
  EXPECT_EQ(window->Label3->text(), QStringLiteral("vokarel@example.org"));
  EXPECT_EQ(window->Label3->toolTip(), QStringLiteral("Написать письмо автору"));
  EXPECT_EQ(window->Label3->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(window->Label3->font().underline());
  EXPECT_EQ(window->Label3->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(window->pcSms->geometry(), QRect(2, 34, 575, 213));

  EXPECT_EQ(window->cmdRefresh->text(), QStringLiteral("Обновить список amr - записей"));
  EXPECT_EQ(window->cmdsaveSMS->text(), QStringLiteral("Сохранить"));
  EXPECT_TRUE(window->cmdsaveSMS->isEnabledTo(window->pcSms));  // reachable once the panel is enabled
  EXPECT_EQ(window->Label1[1]->text(), QStringLiteral("Количество записей:"));
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  EXPECT_EQ(window->lstAmr->geometry(), QRect(2, 34, 569, 164));
  EXPECT_TRUE(window->txtMSG->isHidden());
  EXPECT_EQ(window->Text1->text(), QStringLiteral("AT+GMm"));
  EXPECT_EQ(window->Command1->text(), QStringLiteral("Command1"));

  // The raw names, the terminal and the command line lie below the visible edge.
  for (QWidget* hidden : std::initializer_list<QWidget*>{window->lstName, window->Term, window->lstCommand,
                                                         window->Text1, window->Command1})
    EXPECT_GE(hidden->y(), window->height());

  EXPECT_TRUE(window->tmrRecive->isActive());
  EXPECT_EQ(window->tmrRecive->interval(), 100);
  EXPECT_FALSE(window->tmrNewCommand->isActive());
  EXPECT_EQ(window->tmrNewCommand->interval(), 300);
  EXPECT_FALSE(window->tmrSend->isActive());
  EXPECT_EQ(window->tmrSend->interval(), 300);

  // No port is opened at start: the phone hears nothing.
  PumpFor(400);
  EXPECT_TRUE(phone.lines().empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, ClosingTheNeverOpenedWindowClosesThePortQuietly) {
  window->show();
  window->AddCommand("AT");
  window->close();
  EXPECT_TRUE(Closed());
  EXPECT_EQ(window->lstCommand->count(), 0);  // ClosePort ran: the queue is emptied
  EXPECT_FALSE(window->tmrNewCommand->isActive());
  EXPECT_TRUE(messages.empty());
}
