// The Save button's download: the receive starts first; the GET line that makes the phone send
// the memo is queued by the send timer, whose tick comes from inside the receive's callbacks.
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

#include "app/guarded_step.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "transfer/ft_proc.h"
#include "transfer/ft_stat.h"
#include "transfer/safe_names.h"

namespace {

const std::string kGetCommand = "AT%PCTL=GET /Voice Memo/";

// The selected entry of the memo list, or -1.
int SelectedRow(const QListWidget* list) {
  const int row = list->currentRow();
  return row >= 0 && list->item(row)->isSelected() ? row : -1;
}

// A memo may be saved only when both its names stay inside the program folder.
bool NamesAreSafe(const std::string& display, const std::string& raw) {
  return !DisplayFileName(display).empty() && IsSafeFileName(raw);
}

// Takes a line off the command queue while it still waits there.
void DropQueuedLine(QListWidget* queue, const std::string& line) {
  if (line.empty()) return;
  for (int row = queue->count() - 1; row >= 0; --row)
    if (frmMain::ItemBytes(queue, row) == line) delete queue->takeItem(row);
}

}  // namespace

void frmMain::cmdsaveSMS_Click() {
  const int row = SelectedRow(lstAmr);
  if (row < 0) {
    ShowMessage(MessageIcon::Information, QString::fromUtf8("Выберите запись для сохранения."));
    return;
  }
  if (lstAmr->item(row)->text().contains(QLatin1Char(' '))) {
    ShowMessage(MessageIcon::Information,
                QString::fromUtf8("В название записи есть пробел, уберите его и повторите снова."));
    return;
  }
  try {
    if (!NamesAreSafe(ItemBytes(lstAmr, row), ItemBytes(lstName, row))) throw std::runtime_error("unsafe memo name");
    tmrRecive->stop();
    LoadFtStat();
    FtProtocol = kFtZmodem;
    FtReceive = 1;
    pending_get_line_.clear();
    tmrSend->start();
    cmdsaveSMS->setEnabled(false);
    FtStatDialog()->show();
    RunFileTransfer();
  } catch (...) {
    ShowMessage(MessageIcon::Warning, QString::fromUtf8(kWriteErrorText));
  }
  // Whatever happened, the window is idle again. A GET that never went out is dropped, so the
  // phone is never told to send a file that nobody receives.
  GuardedStep([this] { tmrSend->stop(); });
  GuardedStep([this] { DropQueuedLine(lstCommand, pending_get_line_); });
  GuardedStep([] { delete FtStatDialog(); });
  GuardedStep([this] { tmrRecive->start(); });
  GuardedStep([this] { cmdsaveSMS->setEnabled(true); });
  if (close_after_transfer_) QTimer::singleShot(0, this, &QWidget::close);
}

void frmMain::tmrSend_Timer() {
  GuardedStep([this] { tmrSend->stop(); });
  const int row = SelectedRow(lstAmr);
  GuardedStep([&] { lstAmrTag = row < 0 ? std::string() : ItemBytes(lstAmr, row); });
  GuardedStep([&] { lstNameTag = row < 0 ? std::string() : ItemBytes(lstName, row); });
  // The selection may have changed since Save: a name that could leave the program folder ends
  // the waiting receive with the write error, and nothing is asked of the phone.
  if (!NamesAreSafe(lstAmrTag, lstNameTag)) {
    FtNameRefused = true;
    FtAbortRequested = true;
    return;
  }
  // No stale file is deleted first: the library never overwrites a file, so a file of that name
  // in the program folder (perhaps the user's own) stays and the receive reports it.
  GuardedStep([this] {
    AddCommand(kGetCommand + lstNameTag);
    pending_get_line_ = kGetCommand + lstNameTag + "\r";
  });
}
