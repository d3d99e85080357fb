// The memo listing and the SMS-listing state against the scripted phone.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "app/terminal_box.h"
#include "tests/main_window/window_fixture.h"

using test_support::ScriptedPhone;
using test_support::write_all;

namespace {

const std::string kListCommand = "AT%PCTL=DIR /Voice Memo";
// "Запись1.amr" and "Ёлка.amr" as the phone spells them.
const std::string kRecording = "\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C" "1.amr";
const std::string kTree = "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0.amr";

}  // namespace

TEST_F(WindowTest, ListingSplitAcrossBlocksFillsBothLists) {
  Connect();
  phone.silent(kListCommand);  // this test writes the answer itself, piece by piece
  window->lstAmr->addItem("old");
  window->cmdRefresh->click();
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  EXPECT_EQ(window->lstAmr->count(), 0);
  ASSERT_TRUE(Until([this] { return phone.lines().back() == kListCommand + "\r"; }));

  const std::string pieces[] = {
      kListCommand + "\r\r\n" + kRecording + "   | frw | 1024 bytes\r\n",
      kTree + " | FRW | 2048\r\n" + "Bad\xD0 | FrW |\r\ntransfer ok\r\n\r\nO",
      "K\r\n",
  };
  for (const std::string& piece : {pieces[0], pieces[1]}) {
    write_all(pty.peer(), piece);
    ASSERT_TRUE(Until([&] { return window->GsAnswer.ends_with(piece); }));
    PumpFor(150);  // another tick: still incomplete, still nothing listed
    EXPECT_EQ(window->lstAmr->count(), 0);
    EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  }
  write_all(pty.peer(), pieces[2]);
  ASSERT_TRUE(Until([this] { return window->lstAmr->count() == 3; }));

  EXPECT_EQ(window->lstAmr->item(0)->text(), QStringLiteral("Запись1.amr"));
  EXPECT_EQ(window->lstAmr->item(1)->text(), QStringLiteral("Ёлка.amr"));
  EXPECT_EQ(window->lstAmr->item(2)->text(), QStringLiteral("Bad\u0420"));  // 0xD0 passes through
  ASSERT_EQ(window->lstName->count(), 3);
  EXPECT_EQ(frmMain::ItemBytes(window->lstName, 0), kRecording);
  EXPECT_EQ(frmMain::ItemBytes(window->lstName, 1), kTree);
  EXPECT_EQ(frmMain::ItemBytes(window->lstName, 2), "Bad\xD0");
  EXPECT_EQ(frmMain::ItemBytes(window->lstAmr, 0), "\xC7\xE0\xEF\xE8\xF1\xFC" "1.amr");
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("3"));
  EXPECT_TRUE(window->cmdRefresh->isEnabled());
  EXPECT_TRUE(window->cmdPortClose->isEnabled());

  // More bytes before the next send interpret the same answer again: same lists.
  write_all(pty.peer(), "\r\n");
  ASSERT_TRUE(Until([this] { return window->GsAnswer.ends_with("OK\r\n\r\n"); }));
  PumpFor(150);
  EXPECT_EQ(window->lstAmr->count(), 3);
  EXPECT_EQ(window->lstName->count(), 3);
  EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, EmptyListingAndRefreshKeepingRawNames) {
  Connect();
  phone.reply(kListCommand, "\r\nA | FRW |\r\nTransfer OK\r\n" + ScriptedPhone::Ok());
  window->cmdRefresh->click();
  ASSERT_TRUE(Until([this] { return window->lstAmr->count() == 1; }));
  // The next refresh empties the shown list only, until its listing arrives.
  phone.silent(kListCommand);
  window->cmdRefresh->click();
  EXPECT_EQ(window->lstAmr->count(), 0);
  EXPECT_EQ(window->lstName->count(), 1);
  ASSERT_TRUE(Until([this] { return phone.lines().size() == 5; }));
  write_all(pty.peer(), kListCommand + "\r\r\nTransfer OK\r\n" + ScriptedPhone::Ok());
  ASSERT_TRUE(Until([this] { return window->lstName->count() == 0; }));
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
}

TEST_F(WindowTest, SmsListingStateEndsWithItsAnswer) {
  Connect();
  phone.silent("AT+CMGL=4");
  window->Text1->setText("AT+CMGL=4");
  window->Command1->click();
  ASSERT_TRUE(Until([this] { return phone.lines().back() == "AT+CMGL=4\r"; }));
  ASSERT_TRUE(Until([this] { return !window->cmdRefresh->isEnabled(); }));
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  EXPECT_FALSE(window->cmdPortClose->isEnabled());
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  EXPECT_TRUE(window->Term->Bytes().empty());
  EXPECT_EQ(window->txtMSG->toPlainText(), QString(132, u'-') + QStringLiteral("\n"));

  // The answer is shown, not interpreted, and ends the state.
  const std::string answer = "AT+CMGL=4\r\r\n+CMGL: 1,\"REC READ\"\r\nAT+GMM V300\r\n\r\nOK\r\n";
  write_all(pty.peer(), answer);
  ASSERT_TRUE(Until([this] { return window->cmdRefresh->isEnabled(); }));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(window->cmdPortClose->isEnabled());
  EXPECT_EQ(window->Term->Bytes(), answer);
  EXPECT_TRUE(Connected());
  EXPECT_TRUE(messages.empty());

  // In small letters it is a line like any other.
  window->Text1->setText("at+cmgl=4");
  window->Command1->click();
  ASSERT_TRUE(Until([this] { return phone.lines().back() == "at+cmgl=4\r"; }));
  PumpFor(200);
  EXPECT_TRUE(window->cmdRefresh->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowTest, SmsListingStateEndsWhenThePortCloses) {
  Connect();
  phone.silent("AT+CMGL=4");
  window->AddCommand("AT+CMGL=4");
  ASSERT_TRUE(Until([this] { return QApplication::overrideCursor() != nullptr; }));
  window->close();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(window->cmdRefresh->isEnabledTo(window->pcSms));
}
