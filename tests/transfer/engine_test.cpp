// The transfer engine's own rules, without a window: its messages, a protocol number it does not
// know, what becomes of a received file, and the progress dialog.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "serial/serial_errors.h"
#include "tests/support/message_recorder.h"
#include "tools/testbed/qt_application.h"
#include "tools/testbed/temp_folder.h"
#include "transfer/ft_proc.h"
#include "transfer/ft_stat.h"
#include "transfer/memo_file.h"

using testbed::read_file;
using testbed::write_file;

TEST(Engine, AnUnknownProtocolCallsNoOperation) {
  testbed::EnsureApplication();
  test_support::MessageRecorder recorder;
  // With the port closed, any library operation would answer "port not open".
  FtProtocol = 9;
  FtReceive = 1;
  const TransferOutcome outcome = RunFileTransfer(5, nullptr);
  CompleteTransfer(outcome);
  EXPECT_EQ(recorder.Only(), QString::fromUtf8("При передаче файла произошла ошибка"));

  recorder.messages.clear();
  FtProtocol = 3;
  CompleteTransfer(RunFileTransfer(5, nullptr));
  EXPECT_EQ(recorder.Only(), QString::fromUtf8("Порт не был открыт заранее"));
}

// What the phone sends beside the memo asked for is the download's table; here the outcomes
// the phone simulator cannot bring about, and a receive of another protocol.
TEST(Engine, WhatBecomesOfAReceivedFile) {
  testbed::EnsureApplication();
  testbed::ScopedProgramFolder folder;
  test_support::MessageRecorder recorder;
  FtProtocol = kFtZmodem;
  FtReceive = 1;
  const MemoNames memo{"memo01", "memo01"};
  CompleteMemoDownload({0, 0, "", ""}, memo);  // a batch that brought no file
  // The ".amr" name taken while the memo came: both files stay, both are named.
  write_file(folder.file("memo01.amr"), "old");
  write_file(folder.file("memo01"), "sent");
  CompleteMemoDownload({0, 0, folder.file("memo01"), "memo01"}, memo);
  ASSERT_EQ(recorder.messages.size(), 2u);
  EXPECT_EQ(recorder.messages[0].text, QString::fromUtf8("Телефон не прислал запрошенную запись."));
  EXPECT_EQ(recorder.messages[1].text, QString::fromUtf8("Не могу сохранить запись в файл ") +
                                           QString::fromStdString(folder.file("memo01.amr")) +
                                           QString::fromUtf8("\r\nЗапись осталась в файле: ") +
                                           QString::fromStdString(folder.file("memo01")));
  EXPECT_EQ(read_file(folder.file("memo01.amr")), "old");

  // Another protocol's file stays where it is.
  FtProtocol = kFtYmodem;
  recorder.messages.clear();
  CompleteTransfer({0, 0, folder.file("memo01"), "memo01"});
  CompleteTransfer({0, 0, "", ""});
  ASSERT_EQ(recorder.messages.size(), 2u);
  EXPECT_EQ(recorder.messages[0].text, QString::fromUtf8("Прием файла успешно завершен!\r\nМестонахождение файла: ") +
                                           QString::fromStdString(folder.file("memo01")));
  EXPECT_EQ(recorder.messages[1].text, QString::fromUtf8("Прием файла успешно завершен!"));
  EXPECT_EQ(read_file(folder.file("memo01")), "sent");
}

TEST(Engine, TheProgressDialogAndMessagesShowNamesAsPlainText) {
  testbed::EnsureApplication();
  FtAbortRequested = true;
  FtStat dialog(nullptr, [] { return QString::fromUtf8("<b>Запись"); });
  EXPECT_FALSE(FtAbortRequested);  // loading clears an abort left from before
  EXPECT_TRUE(dialog.clFSize->text().isEmpty());
  dialog.RefreshDlg(1024, -5);
  EXPECT_EQ(dialog.clFSize->text(), "-5");
  EXPECT_EQ(dialog.clxLen->text(), "1024");
  // A name from the phone is shown as it is spelled, never as markup.
  EXPECT_EQ(dialog.clFName->text(), QString::fromUtf8("<b>Запись"));
  EXPECT_EQ(dialog.clFName->textFormat(), Qt::PlainText);

  // An abort request makes the next callback stop the transfer; without one it goes on.
  dialog.StatDlgCancel->click();
  dialog.StatDlgCancel->click();
  EXPECT_TRUE(FtAbortRequested);
  EXPECT_EQ(RxProgressCallback(1, 0, 0, 99), -1);
  EXPECT_EQ(dialog.clFSize->text(), "-5");
  FtAbortRequested = false;
  EXPECT_EQ(TxProgressCallback(7, 0, 0, 99), 0);
  // Only a batch receive has a name buffer, and its callback takes the name the sender announced.
  FtProtocol = kFtXmodemCRC;
  EXPECT_EQ(RxProgressCallback(7, 0, 0, 99), 0);
  char announced[] = "memo.amr";
  FtProtocol = kFtZmodem;
  FtNameBufferList[0] = announced;
  EXPECT_EQ(RxProgressCallback(8, 0, 0, 99), 0);
  FtNameBufferList[0] = nullptr;
  EXPECT_EQ(FtReceiveFileName, "memo.amr");

  // Nor does a message box show a name as markup.
  Qt::TextFormat shown = Qt::AutoText;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown = box->textFormat();
    box->accept();
  });
  ShowMessage(MessageIcon::Warning, QString::fromUtf8("<b>memo"));
  EXPECT_EQ(shown, Qt::PlainText);
}
