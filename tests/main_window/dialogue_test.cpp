// The window against a scripted phone: identification, refusal, firmware, the command queue.
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "app/terminal_box.h"
#include "serial/port_settings.h"
#include "sio/sio.h"
#include "tests/main_window/window_fixture.h"

using test_support::ScriptedPhone;

TEST_F(WindowTest, IdentifiesAnE365AndConnects) {
  window->cmdPortOpen->click();
  EXPECT_TRUE(window->GbOpen);
  // Opened but not yet answered: the buttons stay as they were.
  EXPECT_TRUE(window->cmdPortOpen->isEnabled());
  EXPECT_FALSE(window->cmdPortClose->isEnabled());
  EXPECT_FALSE(window->pcSms->isEnabled());
  EXPECT_EQ(window->lstCommand->count(), 3);
  EXPECT_EQ(frmMain::ItemBytes(window->lstCommand, 0), "ATZ\r");

  ASSERT_TRUE(Until([this] { return window->windowTitle().contains(" Версия прошивки: "); }));
  EXPECT_EQ(phone.lines(), (std::vector<std::string>{"ATZ\r", "AT+GMM\r", "AT+GMR\r"}));
  EXPECT_TRUE(Connected());
  EXPECT_EQ(window->windowTitle(), frmMain::BaseTitle() + QStringLiteral(" Версия прошивки: R373_G_0E.41.C3R"));
  // The terminal holds every byte received, one character each.
  EXPECT_NE(window->Term->Bytes().find("AT+GMM\r\r\nE365\r\n\r\nOK\r\n"), std::string::npos);
  // The fourth tick finds the queue empty and stops the timer.
  ASSERT_TRUE(Until([this] { return !window->tmrNewCommand->isActive(); }));
  EXPECT_FALSE(window->GbBusy);
  EXPECT_TRUE(messages.empty());

  // A repeated firmware answer sets the same title, it does not pile up.
  phone.reply("AT+GMR", "\r\nV2\r\n" + ScriptedPhone::Ok());
  window->Text1->setText("AT+GMR");
  window->Command1->click();
  ASSERT_TRUE(Until([this] { return window->windowTitle().endsWith("V2"); }));
  PumpFor(300);  // later blocks re-run the interpretation on the same answer
  EXPECT_EQ(window->windowTitle(), frmMain::BaseTitle() + QStringLiteral(" Версия прошивки: V2"));
}

TEST_F(WindowTest, RefusesAnotherModelAndStaysClosed) {
  phone.reply("AT+GMM", "\r\nV300\r\n" + ScriptedPhone::Ok());
  window->cmdPortOpen->click();
  ASSERT_TRUE(Until([this] { return !messages.empty(); }));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(messages[0].text,
            QStringLiteral("Извините, но программа только для телефонов Motorola E365.\r\nУ вас: V300"));
  // The port was closed before the message, and the window is not left looking connected.
  PumpFor(400);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(window->lstCommand->count(), 0);
  EXPECT_FALSE(window->tmrNewCommand->isActive());
  EXPECT_EQ(sio_read(PortSettings.Port, nullptr, 0), SIO_BADPORT);
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(WindowTest, LinesQueuedWhileClosedWaitAndGoFirst) {
  window->Text1->setText("");
  window->Command1->click();  // an empty line queues a lone CR
  window->AddCommand("AT+RAW", true);
  EXPECT_EQ(frmMain::ItemBytes(window->lstCommand, 0), "\r");
  EXPECT_EQ(frmMain::ItemBytes(window->lstCommand, 1), "AT+RAW");
  PumpFor(800);  // ticks come and go without sending
  EXPECT_EQ(window->lstCommand->count(), 2);
  EXPECT_TRUE(window->tmrNewCommand->isActive());
  EXPECT_TRUE(phone.lines().empty());

  window->cmdPortOpen->click();
  ASSERT_TRUE(Until([this] { return phone.lines().size() >= 4; }));
  // "AT+RAW" had no CR, so the phone reads it together with the next line.
  EXPECT_EQ(phone.lines(), (std::vector<std::string>{"\r", "AT+RAWATZ\r", "AT+GMM\r", "AT+GMR\r"}));
}

TEST_F(WindowTest, FailedWriteIsReportedAndTheQueueGoesOn) {
  Connect();
  // The phone stops reading: a line larger than the pty's buffer cannot be written in time.
  const std::string huge(256 * 1024, 'A');
  window->AddCommand(huge);
  window->AddCommand("AT+NEXT");
  ASSERT_TRUE(test_support::PumpUntil([this] { return !messages.empty(); }));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(messages[0].text, QStringLiteral("Команду ") + QString::fromStdString(huge) +
                                  QStringLiteral("\r не удалось послать на запись"));
  // The phone reads again (without answering what it gets): the next line follows.
  std::string heard;
  ASSERT_TRUE(test_support::PumpUntil([&] { return heard.ends_with("AT+NEXT\r"); }, 5000,
                                      [&] { heard += test_support::read_for(pty.peer(), 1 << 20, 20); }));
  EXPECT_FALSE(window->GbBusy);
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(WindowTest, OpenFailureIsReportedAndQueuesNothing) {
  folder.link_port(6, folder.file("missing"));
  PortSettings.Port = 6;
  window->cmdPortOpen->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("Порт не существует или занят другой программой"));
  EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(window->lstCommand->count(), 0);
}

TEST_F(WindowTest, CloseButtonClosesAndClearsTheDisplays) {
  Connect();
  window->lblCount->setText("7");
  window->cmdPortClose->click();
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(window->Term->Bytes().empty());
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  EXPECT_EQ(sio_write(PortSettings.Port, "x", 1), SIO_BADPORT);
  // Opening again identifies the phone again.
  window->cmdPortOpen->click();
  ASSERT_TRUE(Until([this] { return Connected() && phone.lines().size() >= 6; }));
}

TEST_F(WindowTest, TerminalIsCappedThroughShowData) {
  const std::string block(512, 'x');
  for (int i = 0; i < 16; ++i) window->ShowData(*window->Term, block.data(), 512);
  ASSERT_EQ(window->Term->Bytes().size(), 8192u);
  window->ShowData(*window->Term, "y", 1);
  EXPECT_EQ(window->Term->Bytes(), std::string(4096, 'x') + "y");
  // The answer keeps everything since the last send; reads of nothing change nothing.
  EXPECT_EQ(window->GsAnswer.size(), 8193u);
  window->ShowData(*window->Term, "z", 0);
  window->ShowData(*window->Term, "z", -1);
  EXPECT_EQ(window->GsAnswer.size(), 8193u);
  // A complete answer without a phone on the line does not connect a closed window.
  window->ShowData(*window->Term, "\r\nOK\r\n", 6);
  EXPECT_TRUE(Closed());
}
