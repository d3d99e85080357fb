// The window's buttons: each forwards to the session, the download or the settings dialog.
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "app/mail_link.h"
#include "app/main_window.h"
#include "phone/answer_parser.h"
#include "phone/windows1251.h"
#include "serial/config_dialog.h"
#include "serial/port_settings.h"
#include "transfer/ft_stat.h"

void frmMain::cmdPortOpen_Click() {
  ClearDisplays();
  OpenPort();
}

void frmMain::cmdPortClose_Click() {
  ClearDisplays();
  ClosePort();
}

void frmMain::cmdOption_Click() {
  const PortSettingsRecord snapshot = PortSettings;
  {
    Config dialog(PortSettings, GbOpen(), this);
    dialog.exec();  // OK, Cancel or the close box
  }
  // After Cancel too: the unchanged settings are applied again. A closed port gets them when
  // it is opened.
  if (GbOpen() && !session_.Reconfigure()) PortSettings = snapshot;
}

void frmMain::cmdRefresh_Click() {
  lblCount->setText(QStringLiteral("0"));
  lstAmr->clear();  // lstName keeps its entries until the listing arrives
  listed_answer_.reset();
  AddCommand(std::string(kMemoListCommand));
}

void frmMain::cmdsaveSMS_Click() {
  download_.Run();
  if (download_.CloseRequested()) QTimer::singleShot(0, this, &QWidget::close);
}

void frmMain::Command1_Click() { AddCommand(ToWindows1251(Text1->text())); }

void frmMain::Label3_Click() {
  // Without a mail handler nothing happens, and nothing is reported.
  QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + Label3->text()));
}

void frmMain::closeEvent(QCloseEvent* event) {
  // A transfer blocks below this handler: ask it to end, and close once it has.
  if (download_.Running()) {
    download_.RequestClose();
    event->ignore();
    return;
  }
  ClosePort();
  event->accept();
}

std::optional<MemoNames> frmMain::SelectedMemo() const {
  const int row = lstAmr->currentRow();
  if (row < 0 || !lstAmr->item(row)->isSelected() || static_cast<std::size_t>(row) >= memos_.size())
    return std::nullopt;
  return memos_[static_cast<std::size_t>(row)];
}

std::unique_ptr<TransferProgress> frmMain::ShowProgress(const MemoNames& memo) {
  auto dialog = std::make_unique<FtStat>(this, [&memo] { return FromWindows1251(memo.display); });
  progress_dialog_ = dialog.get();
  dialog->show();
  return dialog;
}
