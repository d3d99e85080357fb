// What the phone's answers do to the window, with the answers handed to the session directly:
// the connected state, the refused phone, the title, the memo lists, the SMS-listing state.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>

#include "app/terminal_box.h"
#include "sio/sio.h"
#include "tests/main_window/phone_window.h"

namespace {

const std::string kListCommand = "AT%PCTL=DIR /Voice Memo";
// "Запись1.amr" and "Ёлка.amr" as the phone spells them.
const std::string kRecording = "\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C" "1.amr";
const std::string kTree = "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0.amr";
const std::string kSmsAnswer = "AT+CMGL=4\r\r\n+CMGL: 1,\"REC READ\"\r\nAT+GMM V300\r\n\r\nOK\r\n";

QStringList Items(const QListWidget* list) {
  QStringList items;
  for (int row = 0; row < list->count(); ++row) items << list->item(row)->text();
  return items;
}

}  // namespace

TEST_F(PhoneWindowTest, TheFirstCompleteAnswerConnectsAnOpenPortOnly) {
  PhoneSession& session = window->Session();
  session.Receive("\r\nOK\r\n");  // nothing is open
  EXPECT_TRUE(Closed());
  window->cmdPortOpen->click();
  EXPECT_TRUE(window->GbOpen());
  EXPECT_EQ(window->lstCommand->count(), 3);
  session.Receive("x");  // the answer from before the open does not count
  EXPECT_FALSE(window->pcSms->isEnabled());
  session.Send("ATZ\r");
  session.Receive("ATZ\r\r\nO");
  EXPECT_FALSE(window->cmdPortOpen->isEnabled());
  EXPECT_FALSE(window->pcSms->isEnabled());
  session.Receive("K\r\n");
  EXPECT_TRUE(Connected());
  EXPECT_EQ(window->Term->Bytes(), "xATZ\r\r\nOK\r\n");  // opening emptied the terminal
  // Closing clears the displays.
  window->lblCount->setText("7");
  window->cmdPortClose->click();
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(window->Term->Bytes().empty());
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
}

TEST_F(PhoneWindowTest, AnotherModelIsRefusedAndTheWindowStaysClosed) {
  window->cmdPortOpen->click();
  Exchange("AT+GMM", "\r\nV300\r\n\r\nOK\r\n");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(messages[0].text, QStringLiteral("Извините, но программа только для телефонов Motorola E365.\r\nУ вас: V300"));
  EXPECT_TRUE(Closed());
  EXPECT_EQ(window->lstCommand->count(), 0);
  EXPECT_FALSE(window->tmrNewCommand->isActive());
  EXPECT_EQ(sio_read(5, nullptr, 0), SIO_BADPORT);
}

TEST_F(PhoneWindowTest, ListingSplitAcrossBlocksFillsBothListsAligned) {
  OpenAndAnswer();
  window->cmdRefresh->click();
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  PhoneSession& session = window->Session();
  session.Send(kListCommand + "\r");
  session.Receive(kListCommand + "\r\r\n" + kRecording + "   | frw | 1024 bytes\r\n");
  session.Receive(kTree + " | FRW | 2048\r\n" + "Bad\xD0 | FrW |\r\ntransfer ok\r\n\r\nO");
  EXPECT_EQ(window->lstAmr->count(), 0);  // not complete yet: nothing listed
  session.Receive("K\r\n");
  const QStringList shown = {QStringLiteral("Запись1.amr"), QStringLiteral("Ёлка.amr"), QStringLiteral("Bad\u0420")};
  EXPECT_EQ(Items(window->lstAmr), shown);  // an unpaired lead byte passes through
  EXPECT_EQ(window->lstName->count(), 3);
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("3"));
  // An unsolicited line before the next send interprets the same answer again: the same lists,
  // and the user's selection stays.
  window->lstAmr->setCurrentRow(1);
  session.Receive("\r\nRING\r\n");
  EXPECT_EQ(Items(window->lstAmr), shown);
  EXPECT_EQ(window->lstName->count(), 3);
  EXPECT_TRUE(window->lstAmr->item(1)->isSelected());

  // The next refresh empties the shown list only, until its listing arrives.
  window->cmdRefresh->click();
  EXPECT_EQ(window->lstAmr->count(), 0);
  EXPECT_EQ(window->lstName->count(), 3);
  Exchange(kListCommand, "\r\nTransfer OK\r\n\r\nOK\r\n");
  EXPECT_EQ(window->lstName->count(), 0);
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  EXPECT_TRUE(window->cmdRefresh->isEnabled());
  EXPECT_TRUE(messages.empty());
}

// The SMS-listing state and the buttons agree after every event, whether its answer comes after
// the state was entered or already while the sender lets events run, or never comes.
TEST_F(PhoneWindowTest, SmsListingStateAgreesWithTheButtonsInBothOrdersAndEndsWithThePort) {
  OpenAndAnswer();
  PhoneSession& session = window->Session();
  while (!session.Queued().empty()) session.SendNext();
  auto in_listing = [this] {
    return QApplication::overrideCursor() != nullptr && !window->cmdRefresh->isEnabled() &&
           !window->cmdPortClose->isEnabled();
  };
  auto after_listing = [this] {
    return QApplication::overrideCursor() == nullptr && window->cmdRefresh->isEnabled() &&
           window->cmdPortClose->isEnabled() && Connected();
  };

  window->AddCommand("AT+CMGL=4");
  session.SendNext();
  EXPECT_TRUE(in_listing());
  EXPECT_EQ(window->lblCount->text(), QStringLiteral("0"));
  EXPECT_TRUE(window->Term->Bytes().empty());
  EXPECT_EQ(window->txtMSG->toPlainText(), QString(132, u'-') + QStringLiteral("\n"));
  session.Receive(kSmsAnswer);  // shown, not interpreted, and the end of the state
  EXPECT_TRUE(after_listing());
  EXPECT_EQ(window->Term->Bytes(), kSmsAnswer);

  bool busy_in_pump = false;
  QTimer::singleShot(0, window.get(), [&] {
    busy_in_pump = window->GbBusy();
    session.Receive(kSmsAnswer);
  });
  window->AddCommand("AT+CMGL=4");
  session.SendNext();
  EXPECT_TRUE(busy_in_pump);
  EXPECT_TRUE(after_listing());
  EXPECT_FALSE(window->GbBusy());

  // In small letters it is a line like any other.
  window->AddCommand("at+cmgl=4");
  session.SendNext();
  EXPECT_TRUE(after_listing());
  EXPECT_TRUE(messages.empty());

  // Unanswered, the state ends when the port closes.
  window->AddCommand("AT+CMGL=4");
  session.SendNext();
  ASSERT_TRUE(in_listing());
  window->close();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(window->cmdRefresh->isEnabledTo(window->pcSms));
}
