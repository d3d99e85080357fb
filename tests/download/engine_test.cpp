// The transfer engine's own rules: its messages, a protocol number it does not know, and the
// progress dialog.
#include <QLabel>

#include "download_fixture.h"
#include "serial/serial_errors.h"
#include "sio/incoming_file.h"

class EngineTest : public DownloadTest {};

TEST_F(EngineTest, EachResultHasItsMessage) {
  struct Case {
    int result;
    short protocol, receive;
    const char* text;
  };
  const Case cases[] = {
      {-1, 3, 1, "Порт не был открыт заранее"},       {-2, 3, 1, "Время ожидания приема истекло"},
      {-2, 3, 0, "Время ожидания передачи истекло"}, {-4, 6, 1, "Файл получен"},
      {-4, 6, 0, "Прервано пользователем"},          {-4, 3, 1, "Прервано пользователем"},
      {-5, 0, 1, "Не могу открыть файл"},            {-6, 5, 0, "Прервано другой стороной"},
      {-11, 4, 1, "Данная функция не поддерживается"}, {-3, 3, 1, "При передаче файла произошла ошибка"},
      {-7, 3, 1, "При передаче файла произошла ошибка"}, {-8, 3, 1, "При передаче файла произошла ошибка"},
      {-9, 3, 1, "При передаче файла произошла ошибка"}, {-12, 3, 1, "При передаче файла произошла ошибка"},
  };
  sio::clear_blocking_path();  // no receive of this process left a file in the way
  for (const auto& c : cases) {
    messages.clear();
    window->tmrRecive->stop();
    ShowTransferError(c.result, c.protocol, c.receive, 0);
    ASSERT_EQ(messages.size(), 1u) << c.result;
    EXPECT_EQ(messages[0].text, QString::fromUtf8(c.text)) << c.result;
    EXPECT_EQ(messages[0].icon, MessageIcon::None);
    EXPECT_TRUE(window->tmrRecive->isActive());
  }
  // A system failure shows only the system's text.
  messages.clear();
  ShowTransferError(-10, 3, 1, ENOSPC);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, SystemErrorText(ENOSPC));
}

TEST_F(EngineTest, AnUnknownProtocolCallsNoOperation) {
  // With the port closed, any library operation would answer "port not open".
  LoadFtStat();
  FtProtocol = 9;
  FtReceive = 1;
  window->cmdsaveSMS->setEnabled(false);
  RunFileTransfer();
  EXPECT_EQ(OnlyMessage(), QString::fromUtf8("При передаче файла произошла ошибка"));
  EXPECT_TRUE(window->cmdsaveSMS->isEnabledTo(window->pcSms));
  EXPECT_EQ(FtStatDialog(), nullptr);

  messages.clear();
  LoadFtStat();
  FtProtocol = 3;
  RunFileTransfer();
  EXPECT_EQ(OnlyMessage(), QString::fromUtf8("Порт не был открыт заранее"));
}

TEST_F(EngineTest, TheProgressDialog) {
  InitProtocolNames();
  EXPECT_EQ(FtProtocolNames[0], "XModem-1KCRC");
  EXPECT_EQ(FtProtocolNames[1], "XModem-CheckSum");
  EXPECT_EQ(FtProtocolNames[6], "ASCII");

  FtAbortRequested = true;
  FtStat* dialog = LoadFtStat();
  EXPECT_FALSE(FtAbortRequested);  // loading clears an abort left from before
  EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Передача файла"));
  EXPECT_EQ(dialog->size(), QSize(318, 99));
  EXPECT_EQ(dialog->StatDlgCancel->text(), QString::fromUtf8("Отмена"));
  EXPECT_TRUE(dialog->clFSize->text().isEmpty());

  window->lstAmrTag = "\xc7\xe0\xef\xe8\xf1\xfc";  // "Запись" in Windows-1251
  long x = 1024, f = -5;
  std::string name = "ignored";
  dialog->RefreshDlg(x, f, name);
  EXPECT_EQ(dialog->clFSize->text(), "-5");
  EXPECT_EQ(dialog->clxLen->text(), "1024");
  EXPECT_EQ(dialog->clFName->text(), QString::fromUtf8("Запись"));

  // An abort request makes the next callback stop without touching the dialog.
  dialog->StatDlgCancel->click();
  EXPECT_TRUE(FtAbortRequested);
  x = 1;
  EXPECT_EQ(RxProgressCallback(1, 0, 0, 99), -1);
  EXPECT_EQ(dialog->clFSize->text(), "-5");
  FtAbortRequested = false;
  EXPECT_EQ(TxProgressCallback(7, 0, 0, 99), 0);
  EXPECT_EQ(dialog->clxLen->text(), "7");
  delete dialog;
}
