// The command queue: lines wait in lstCommand and the queue timer sends one per tick, without
// waiting for the phone's answer.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QLabel>
#include <QScopeGuard>
#include <QTimer>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/terminal_box.h"
#include "app/text_scan.h"
#include "app/windows1251.h"
#include "serial/port_settings.h"
#include "sio/sio.h"

namespace {

constexpr std::string_view kSmsListCommand = "AT+CMGL=4";
constexpr int kSeparatorLength = 132;

}  // namespace

void frmMain::AddCommand(std::string Cmd, bool NoCR) {
  if (!NoCR) Cmd += '\r';
  AppendBytesItem(lstCommand, Cmd);
  // A running tick starts the timer again itself when it ends.
  if (!GbBusy && !tmrNewCommand->isActive()) tmrNewCommand->start();
}

void frmMain::tmrNewCommand_Timer() {
  tmrNewCommand->stop();
  if (lstCommand->count() == 0) return;  // idle until the next AddCommand
  // Whatever happens while sending, the queue keeps draining.
  const auto resume = qScopeGuard([this] {
    GbBusy = false;
    tmrNewCommand->start();
  });
  if (GbBusy || !GbOpen) return;
  GbBusy = true;
  try {
    // Taken off before it is sent, so that events processed while sending cannot shift the queue
    // under it.
    const std::string line = ItemBytes(lstCommand, 0);
    delete lstCommand->takeItem(0);
    SendString(line);
    if (Contains(line, kSmsListCommand)) EnterSmsListing();
  } catch (...) {
  }
}

void frmMain::SendString(const std::string& S) {
  GsAnswer.clear();
  const int written = sio_write(PortSettings.Port, S.data(), static_cast<int>(S.size()));
  if (written < 0)
    ShowMessage(MessageIcon::Warning,
                QStringLiteral("Команду ") + FromWindows1251(S) + QStringLiteral(" не удалось послать на запись"));
}

void frmMain::EnterSmsListing() {
  if (!sms_listing_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sms_listing_ = true;
  }
  QCoreApplication::processEvents();
  cmdRefresh->setEnabled(false);
  cmdPortClose->setEnabled(false);
  lblCount->setText(QStringLiteral("0"));
  Term->ClearBytes();
  txtMSG->clear();
  // The box keeps a line break as "\n".
  txtMSG->setPlainText(QString(kSeparatorLength, u'-') + QStringLiteral("\n"));
}

void frmMain::LeaveSmsListing() {
  if (!sms_listing_) return;
  sms_listing_ = false;
  QApplication::restoreOverrideCursor();
  cmdRefresh->setEnabled(true);
  cmdPortClose->setEnabled(true);
}
