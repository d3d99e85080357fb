// The small window beside the main window while a transfer runs: file size, bytes so far, the
// memo's name, and the only way to stop the transfer.
#pragma once

#include <QDialog>
#include <functional>

#include "transfer/transfer_progress.h"

class QLabel;
class QPushButton;

class FtStat : public QDialog, public TransferProgress {
  Q_OBJECT

 public:
  // `display_name` gives the name of the memo being downloaded (the download's slot, which its
  // send tick fills while the transfer runs). Loading clears the engine's abort request.
  FtStat(QWidget* owner, std::function<QString()> display_name);

  // Shows the figures of a progress report and the memo's display name.
  void RefreshDlg(long xlen, long flen);
  void Refresh(long xlen, long flen) override { RefreshDlg(xlen, flen); }
  void Unload() override { hide(); }

  QLabel* clFSize;
  QLabel* clxLen;
  QLabel* clFName;
  QPushButton* StatDlgCancel;

 public slots:
  void StatDlgCancel_Click();
  // Esc stands for the Cancel button, as in any dialog that has one (and as in a progress
  // dialog): it requests the abort; the dialog stays until the engine unloads it.
  void reject() override;

 protected:
  // The close box only requests the abort.
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<QString()> display_name_;
};
