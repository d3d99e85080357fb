// The transfer engine's own rules, without a window: its messages, a protocol number it does not
// know, and the progress dialog.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "serial/serial_errors.h"
#include "tests/support/message_recorder.h"
#include "tests/support/qt_application.h"
#include "transfer/ft_proc.h"
#include "transfer/ft_stat.h"

TEST(Engine, EachResultHasItsMessage) {
  test_support::EnsureApplication();
  test_support::MessageRecorder recorder;
  struct Case {
    int result;
    short protocol, receive;
    const char* text;
  };
  // The results whose message depends on the direction or the protocol, and the general one.
  const Case cases[] = {
      {-2, 3, 1, "Время ожидания приема истекло"}, {-2, 3, 0, "Время ожидания передачи истекло"},
      {-4, 6, 1, "Файл получен"},                  {-4, 6, 0, "Прервано пользователем"},
      {-4, 3, 1, "Прервано пользователем"},        {-9, 3, 1, "При передаче файла произошла ошибка"},
  };
  for (const auto& c : cases) {
    recorder.messages.clear();
    ShowTransferError(c.result, c.protocol, c.receive, 0);
    EXPECT_EQ(recorder.Only(), QString::fromUtf8(c.text)) << c.result;
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::None);
  }
  // A system failure shows only the system's text.
  recorder.messages.clear();
  ShowTransferError(-10, 3, 1, ENOSPC);
  EXPECT_EQ(recorder.Only(), SystemErrorText(ENOSPC));
}

TEST(Engine, AnUnknownProtocolCallsNoOperation) {
  test_support::EnsureApplication();
  test_support::MessageRecorder recorder;
  // With the port closed, any library operation would answer "port not open".
  FtProtocol = 9;
  FtReceive = 1;
  const TransferOutcome outcome = RunFileTransfer(5, nullptr);
  CompleteTransfer(outcome, {"memo", "memo"});
  EXPECT_EQ(recorder.Only(), QString::fromUtf8("При передаче файла произошла ошибка"));

  recorder.messages.clear();
  FtProtocol = 3;
  CompleteTransfer(RunFileTransfer(5, nullptr), {"memo", "memo"});
  EXPECT_EQ(recorder.Only(), QString::fromUtf8("Порт не был открыт заранее"));
}

TEST(Engine, TheProgressDialog) {
  test_support::EnsureApplication();
  FtAbortRequested = true;
  FtStat dialog(nullptr, [] { return QString::fromUtf8("Запись"); });
  EXPECT_FALSE(FtAbortRequested);  // loading clears an abort left from before
  EXPECT_EQ(dialog.size(), QSize(318, 99));
  EXPECT_TRUE(dialog.clFSize->text().isEmpty());
  dialog.RefreshDlg(1024, -5);
  EXPECT_EQ(dialog.clFSize->text(), "-5");
  EXPECT_EQ(dialog.clxLen->text(), "1024");
  EXPECT_EQ(dialog.clFName->text(), QString::fromUtf8("Запись"));

  // An abort request makes the next callback stop the transfer; without one it goes on.
  dialog.StatDlgCancel->click();
  dialog.StatDlgCancel->click();
  EXPECT_TRUE(FtAbortRequested);
  EXPECT_EQ(RxProgressCallback(1, 0, 0, 99), -1);
  EXPECT_EQ(dialog.clFSize->text(), "-5");
  FtAbortRequested = false;
  EXPECT_EQ(TxProgressCallback(7, 0, 0, 99), 0);
}
