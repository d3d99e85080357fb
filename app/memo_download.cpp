#include "app/memo_download.h"

#include <QScopeGuard>

#include "app/phone_session.h"
#include "phone/answer_parser.h"
#include "transfer/memo_file.h"
#include "transfer/transfer_progress.h"
#include "ui/guarded_step.h"

namespace {

const QString kWriteError = QString::fromUtf8("Во время записи произошла ошибка!");

// A step of the Save sequence whose failure the user is told of.
template <typename Step>
void ReportFailure(Step&& step) noexcept {
  try {
    step();
  } catch (...) {
    GuardedStep([] { ShowMessage(MessageIcon::Warning, kWriteError); });
  }
}

}  // namespace

MemoDownload::MemoDownload(PhoneSession& session, Selection selection, ProgressDisplay progress, QObject* parent,
                           Transfer transfer)
    : QObject(parent),
      session_(session),
      selection_(std::move(selection)),
      progress_(std::move(progress)),
      transfer_(std::move(transfer)) {
  send_timer_.setInterval(kSendDelay);
  connect(&send_timer_, &QTimer::timeout, this, &MemoDownload::SendGetLine);
}

bool MemoDownload::Refused(const std::optional<MemoNames>& selected) const {
  if (!selected) {
    ShowMessage(MessageIcon::Information, QString::fromUtf8("Выберите запись для сохранения."));
    return true;
  }
  if (selected->display.find(' ') != std::string::npos) {
    ShowMessage(MessageIcon::Information,
                QString::fromUtf8("В название записи есть пробел, уберите его и повторите снова."));
    return true;
  }
  // A name that could reach outside the program folder is never asked for.
  if (!NamesAreSafe(*selected)) {
    ShowMessage(MessageIcon::Warning, kWriteError);
    return true;
  }
  return false;
}

void MemoDownload::Run() {
  if (running_) return;
  saved_path_.clear();
  if (Refused(selection_())) return;
  close_requested_ = false;
  refusal_.reset();
  pending_get_line_.clear();
  session_.PausePoll();  // every byte from the phone goes to the transfer
  FtAbortRequested = false;  // whatever display is made; the dialog also clears it as it loads
  FtProtocol = kFtZmodem;
  FtReceive = 1;
  send_timer_.start();
  SetRunning(true);
  // Whatever happens from here on, the download ends: the window can close and Save again.
  const auto idle = qScopeGuard([this] { GuardedStep([this] { SetRunning(false); }); });
  std::optional<TransferOutcome> outcome;
  {
    std::unique_ptr<TransferProgress> progress;
    ReportFailure([&] { progress = progress_(memo_); });
    try {
      outcome = transfer_(session_.Port(), progress.get());
    } catch (...) {
      // Reported once the display has gone, as any outcome.
    }
    send_timer_.stop();
    // A GET that never went out is dropped, so the phone is never told to send a file that
    // nobody receives.
    GuardedStep([this] { session_.Unqueue(pending_get_line_); });
  }
  Finish(outcome);
  // Only after the report: a device that vanished during the transfer is found by the poll, and
  // its message follows the transfer's instead of covering it.
  session_.ResumePoll();
}

void MemoDownload::Finish(const std::optional<TransferOutcome>& outcome) {
  if (refusal_)
    GuardedStep([this] { ShowMessage(refusal_->icon, refusal_->text); });
  else if (!outcome)
    GuardedStep([] { ShowMessage(MessageIcon::Warning, kWriteError); });
  else
    ReportFailure([&] { saved_path_ = CompleteMemoDownload(*outcome, memo_); });
}

void MemoDownload::SendGetLine() {
  send_timer_.stop();
  memo_ = selection_().value_or(MemoNames{});
  // The selection may have changed since Save: a name that could leave the program folder ends
  // the waiting receive, and nothing is asked of the phone.
  if (!NamesAreSafe(memo_)) return Refuse(MessageIcon::Warning, kWriteError);
  // Two memos can share a display name, and a memo may have been saved before: a file that is
  // there already stays untouched, and the phone is not asked for what could not be kept.
  if (const std::string path = MemoFilePath(memo_); PathIsTaken(path))
    return Refuse(MessageIcon::Information, MemoFileExistsText(path));
  // No stale file is deleted first: the library never overwrites a file, so a file of that name
  // in the program folder (perhaps the user's own) stays and the receive reports it.
  const std::string line = std::string(kMemoGetCommand) + memo_.raw;
  pending_get_line_ = line + '\r';
  GuardedStep([&] { session_.Queue(line); });
}

void MemoDownload::Refuse(MessageIcon icon, const QString& text) {
  refusal_ = Refusal{icon, text};
  FtAbortRequested = true;
}

void MemoDownload::RequestClose() {
  if (!running_) return;
  close_requested_ = true;
  FtAbortRequested = true;
}

void MemoDownload::SetRunning(bool running) {
  running_ = running;
  emit runningChanged(running);
}

